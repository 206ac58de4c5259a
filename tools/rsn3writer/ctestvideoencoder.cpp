#include "ctestvideoencoder.h"

#include "cframeencoder.h"

extern "C" {
#include <libavutil/log.h>
}

bool cTestVideoEncoder::available(const QString& codec)
{
    return cFrameEncoder::available(codec);
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
    cFrameEncoder encoder;
    if (!encoder.open(o, error))
        return {};
    for (int i = 0; i < o.frames; ++i) {
        if (!encoder.encode(picture(o.width, o.height, i), packets, error))
            return {};
    }
    if (!encoder.finish(packets, error))
        return {};
    return packets;
}
