#include "video/cffmpegdecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

void cFfmpegDeleter::operator()(AVCodecContext* p) const
{
    avcodec_free_context(&p);
}

void cFfmpegDeleter::operator()(AVCodecParserContext* p) const
{
    av_parser_close(p);
}

void cFfmpegDeleter::operator()(AVFrame* p) const
{
    av_frame_free(&p);
}

void cFfmpegDeleter::operator()(AVPacket* p) const
{
    av_packet_free(&p);
}

void cFfmpegDeleter::operator()(SwsContext* p) const
{
    sws_freeContext(p);
}

cFfmpegDecoder::cFfmpegDecoder(QObject* parent) : QObject(parent) {}

cFfmpegDecoder::~cFfmpegDecoder()
{
    destroy();
}

bool cFfmpegDecoder::create(const QString& format)
{
    // The parser holds back the last picture until the next one starts; a
    // stream that repeats its header must not lose a picture at each one.
    flush();
    destroy();
    codec = avcodec_find_decoder_by_name(format.toLatin1().constData());
    if (!codec) {
        destroy();
        return false;
    }
    context.reset(avcodec_alloc_context3(codec));
    parser.reset(av_parser_init(int(codec->id)));
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!context || !parser || !frame || !packet ||
        avcodec_open2(context.get(), codec, nullptr) != 0) {
        destroy();
        return false;
    }
    return true;
}

void cFfmpegDecoder::destroy()
{
    ++generation;
    data.clear();
    image = QImage();
    scaler.reset();
    packet.reset();
    frame.reset();
    parser.reset();
    context.reset();
    codec = nullptr;
    srcWidth = srcHeight = srcFormat = -1;
    scalerOpaque = false;
    frameReady = false;
    pixels.clear();
}

void cFfmpegDecoder::append(const QByteArray& bytes)
{
    if (bytes.isEmpty() || !context)
        return;
    data.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(data.data(), bytes.constData(), size_t(bytes.size()));
    std::memset(data.data() + bytes.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);

    const uchar* in = reinterpret_cast<const uchar*>(data.constData());
    int left = int(bytes.size());
    while (left > 0) {
        uchar* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser.get(), context.get(), &out, &outSize, in, left,
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0)
            break; // the parser rejects these bytes: drop them
        in += used;
        left -= used;
        if (outSize > 0 && !_decode(out, outSize))
            return; // a receiver rebuilt or destroyed the decoder
        if (used == 0 && outSize == 0)
            break;
    }
}

void cFfmpegDecoder::flush()
{
    if (!context)
        return;
    uchar* out = nullptr;
    int outSize = 0;
    av_parser_parse2(parser.get(), context.get(), &out, &outSize, nullptr, 0, AV_NOPTS_VALUE,
                     AV_NOPTS_VALUE, 0);
    if (outSize > 0 && !_decode(out, outSize))
        return;
    const quint64 gen = generation;
    avcodec_send_packet(context.get(), nullptr);
    if (!_receiveFrames() || gen != generation)
        return;
    // Ready for a stream that starts over.
    avcodec_flush_buffers(context.get());
    parser.reset(av_parser_init(int(codec->id)));
    if (!parser)
        destroy();
}

bool cFfmpegDecoder::_decode(const uchar* packetData, int packetSize)
{
    frameReady = false;
    packet->data = const_cast<uint8_t*>(packetData);
    packet->size = packetSize;
    const int sent = avcodec_send_packet(context.get(), packet.get());
    packet->data = nullptr;
    packet->size = 0;
    if (sent < 0 && sent != AVERROR(EAGAIN))
        return true; // a broken packet: skip it, the next one may decode
    return _receiveFrames();
}

bool cFfmpegDecoder::_receiveFrames()
{
    const quint64 gen = generation;
    while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
        frameReady = _resize();
        av_frame_unref(frame.get());
        if (frameReady) {
            emit onFrame(image);
            if (gen != generation)
                return false;
        }
    }
    return true;
}

int cFfmpegDecoder::outputHeight(int codedHeight, int aspectNum, int aspectDen)
{
    if (aspectNum <= 0 || aspectDen <= 0 || aspectNum == aspectDen)
        return codedHeight;
    const qint64 h = (qint64(codedHeight) * aspectDen + aspectNum / 2) / aspectNum;
    return int(qBound<qint64>(1, h, qint64(kMaxOutputHeight)));
}

bool cFfmpegDecoder::_resize()
{
    const int w = frame->width;
    const int h = frame->height;
    if (w <= 0 || h <= 0 || !frame->data[0])
        return false;
    const int outH =
        outputHeight(h, context->sample_aspect_ratio.num, context->sample_aspect_ratio.den);
    const qsizetype bytes = qsizetype(w) * outH * 4;

    const bool reuse = scaler && image.width() == w && image.height() == outH &&
                       pixels.size() == bytes && srcWidth == w && srcHeight == h &&
                       srcFormat == frame->format;
    if (!reuse) {
        image = QImage();
        scaler.reset(sws_getContext(w, h, AVPixelFormat(frame->format), w, outH, AV_PIX_FMT_RGB32,
                                    SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
        srcWidth = srcHeight = srcFormat = -1;
        if (!scaler)
            return false;
        pixels.resize(bytes);
        srcWidth = w;
        srcHeight = h;
        srcFormat = frame->format;
    }

    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(pixels.data()), nullptr, nullptr, nullptr};
    int dstStride[4] = {w * 4, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, h, dst, dstStride) != outH)
        return false;
    _makeOpaque(!reuse);
    if (!reuse || image.isNull())
        image = QImage(reinterpret_cast<const uchar*>(pixels.constData()), w, outH, w * 4,
                       QImage::Format_RGB32);
    return true;
}

void cFfmpegDecoder::_makeOpaque(bool newScaler)
{
    quint32* px = reinterpret_cast<quint32*>(pixels.data());
    const qsizetype count = pixels.size() / 4;
    if (newScaler) {
        // From a source without alpha the scaler writes one constant alpha;
        // when that is already opaque the pass over every pixel can be saved.
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(srcFormat));
        scalerOpaque = desc && !(desc->flags & AV_PIX_FMT_FLAG_ALPHA) &&
                       std::all_of(px, px + count, [](quint32 p) { return p >= 0xFF000000u; });
    }
    if (scalerOpaque)
        return;
    for (qsizetype i = 0; i < count; ++i)
        px[i] |= 0xFF000000u;
}
