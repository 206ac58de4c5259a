#include "cframeencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

struct Deleter
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
template <typename T> using Ptr = std::unique_ptr<T, Deleter>;

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

const AVCodec* findEncoder(const QString& codec)
{
    if (codec == QLatin1String("h264"))
        return avcodec_find_encoder(AV_CODEC_ID_H264);
    return avcodec_find_encoder_by_name(codec.toLatin1().constData());
}

void configure(AVCodecContext* c, const cTestVideoEncoder::Options& o)
{
    c->width = o.width;
    c->height = o.height;
    c->time_base = AVRational{1, o.fps};
    c->framerate = AVRational{o.fps, 1};
    c->gop_size = o.gop;
    c->max_b_frames = 0;
    c->thread_count = 1;
    c->sample_aspect_ratio = AVRational{o.aspectNum, o.aspectDen};
    const bool jpeg = o.codec == QLatin1String("mjpeg");
    c->pix_fmt = jpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    if (jpeg)
        c->color_range = AVCOL_RANGE_JPEG;
    if (o.codec == QLatin1String("h264")) {
        av_opt_set(c->priv_data, "preset", "ultrafast", 0);
        av_opt_set(c->priv_data, "tune", "zerolatency", 0);
        av_opt_set(c->priv_data, "crf", "18", 0);
    } else {
        // A fixed quantiser keeps the pictures close to the source.
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * 3;
    }
}

} // namespace

struct cFrameEncoder::Codec
{
    Ptr<AVCodecContext> context;
    Ptr<AVFrame> frame;
    Ptr<AVPacket> packet;
    Ptr<SwsContext> toYuv;
};

cFrameEncoder::cFrameEncoder() = default;
cFrameEncoder::~cFrameEncoder() = default;

bool cFrameEncoder::available(const QString& codec)
{
    return findEncoder(codec) != nullptr;
}

bool cFrameEncoder::open(const cTestVideoEncoder::Options& o, QString* error)
{
    d.reset();
    next = 0;
    const AVCodec* codec = findEncoder(o.codec);
    if (!codec)
        return fail(error, QStringLiteral("no encoder for %1").arg(o.codec));
    auto c = std::make_unique<Codec>();
    c->context.reset(avcodec_alloc_context3(codec));
    c->frame.reset(av_frame_alloc());
    c->packet.reset(av_packet_alloc());
    if (!c->context || !c->frame || !c->packet)
        return fail(error, QStringLiteral("out of memory"));
    configure(c->context.get(), o);
    if (avcodec_open2(c->context.get(), codec, nullptr) < 0)
        return fail(error, QStringLiteral("cannot open encoder %1").arg(o.codec));

    AVFrame* f = c->frame.get();
    f->format = c->context->pix_fmt;
    f->width = o.width;
    f->height = o.height;
    if (av_frame_get_buffer(f, 0) < 0)
        return fail(error, QStringLiteral("no frame buffer"));
    c->toYuv.reset(sws_getContext(o.width, o.height, AV_PIX_FMT_RGB32, o.width, o.height,
                                  c->context->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!c->toYuv)
        return fail(error, QStringLiteral("no colour converter"));
    d = std::move(c);
    return true;
}

bool cFrameEncoder::encode(const QImage& picture, QVector<QByteArray>& packets, QString* error)
{
    if (!d)
        return fail(error, QStringLiteral("encoder not open"));
    AVFrame* f = d->frame.get();
    if (av_frame_make_writable(f) < 0)
        return fail(error, QStringLiteral("frame not writable"));
    QImage img = picture.convertToFormat(QImage::Format_RGB32);
    if (img.size() != QSize(f->width, f->height))
        img = img.scaled(f->width, f->height);
    const uint8_t* src[4] = {img.constBits(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {int(img.bytesPerLine()), 0, 0, 0};
    sws_scale(d->toYuv.get(), src, srcStride, 0, f->height, f->data, f->linesize);
    f->pts = next++;
    return send(f, packets, error);
}

bool cFrameEncoder::finish(QVector<QByteArray>& packets, QString* error)
{
    if (!d)
        return fail(error, QStringLiteral("encoder not open"));
    const bool ok = send(nullptr, packets, error);
    d.reset();
    return ok;
}

bool cFrameEncoder::send(const void* frame, QVector<QByteArray>& packets, QString* error)
{
    AVCodecContext* c = d->context.get();
    if (avcodec_send_frame(c, static_cast<const AVFrame*>(frame)) < 0)
        return fail(error, QStringLiteral("encoding failed"));
    AVPacket* pkt = d->packet.get();
    for (;;) {
        const int r = avcodec_receive_packet(c, pkt);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return fail(error, QStringLiteral("encoding failed"));
        packets.append(QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size));
        av_packet_unref(pkt);
    }
}
