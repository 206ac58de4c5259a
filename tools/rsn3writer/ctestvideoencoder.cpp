#include "ctestvideoencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace {

struct Deleter
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
template <typename T> using Ptr = std::unique_ptr<T, Deleter>;

const AVCodec* findEncoder(const QString& codec)
{
    if (codec == QLatin1String("h264"))
        return avcodec_find_encoder(AV_CODEC_ID_H264);
    return avcodec_find_encoder_by_name(codec.toLatin1().constData());
}

QVector<QByteArray> fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return {};
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

bool drain(AVCodecContext* c, AVPacket* pkt, QVector<QByteArray>& out)
{
    for (;;) {
        const int r = avcodec_receive_packet(c, pkt);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        out.append(QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size));
        av_packet_unref(pkt);
    }
}

} // namespace

bool cTestVideoEncoder::available(const QString& codec)
{
    return findEncoder(codec) != nullptr;
}

void cTestVideoEncoder::silenceCodecLogs()
{
    av_log_set_level(AV_LOG_QUIET);
}

QByteArray cTestVideoEncoder::streamFormat(const QString& codec)
{
    if (codec == QLatin1String("h264"))
        return "H264";
    if (codec == QLatin1String("mjpeg"))
        return "mjpeg";
    return "mp4v";
}

QImage cTestVideoEncoder::picture(int width, int height, int frameNumber)
{
    QImage img(width, height, QImage::Format_RGB32);
    const int box = qMax(8, height / 5);
    const int bx = (frameNumber * 7) % qMax(1, width - box);
    const int by = (frameNumber * 3) % qMax(1, height - box);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int r = x * 255 / qMax(1, width - 1);
            int g = y * 255 / qMax(1, height - 1);
            int b = (x + y + frameNumber * 2) & 255;
            if (x >= width / 2 && y >= height / 2 && ((x / 16 + y / 16) & 1))
                r = g = b = 230; // sharp edges, so a codec cannot get away with blur
            if (x >= bx && x < bx + box && y >= by && y < by + box)
                r = 250, g = 40, b = 40;
            line[x] = qRgb(r, g, b);
        }
    }
    return img;
}

QVector<QByteArray> cTestVideoEncoder::encode(const Options& o, QString* error)
{
    QVector<QByteArray> packets;
    const AVCodec* codec = findEncoder(o.codec);
    if (!codec)
        return fail(error, QStringLiteral("no encoder for %1").arg(o.codec));
    Ptr<AVCodecContext> c(avcodec_alloc_context3(codec));
    Ptr<AVFrame> frame(av_frame_alloc());
    Ptr<AVPacket> pkt(av_packet_alloc());
    if (!c || !frame || !pkt)
        return fail(error, QStringLiteral("out of memory"));
    configure(c.get(), o);
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return fail(error, QStringLiteral("cannot open encoder %1").arg(o.codec));

    frame->format = c->pix_fmt;
    frame->width = o.width;
    frame->height = o.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return fail(error, QStringLiteral("no frame buffer"));
    Ptr<SwsContext> toYuv(sws_getContext(o.width, o.height, AV_PIX_FMT_RGB32, o.width, o.height,
                                         c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!toYuv)
        return fail(error, QStringLiteral("no colour converter"));

    for (int i = 0; i <= o.frames; ++i) {
        AVFrame* in = nullptr;
        if (i < o.frames) {
            if (av_frame_make_writable(frame.get()) < 0)
                return fail(error, QStringLiteral("frame not writable"));
            const QImage img = picture(o.width, o.height, i);
            const uint8_t* src[4] = {img.constBits(), nullptr, nullptr, nullptr};
            const int srcStride[4] = {int(img.bytesPerLine()), 0, 0, 0};
            sws_scale(toYuv.get(), src, srcStride, 0, o.height, frame->data, frame->linesize);
            frame->pts = i;
            in = frame.get();
        }
        if (avcodec_send_frame(c.get(), in) < 0 || !drain(c.get(), pkt.get(), packets))
            return fail(error, QStringLiteral("encoding failed"));
    }
    return packets;
}
