#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>

// Encodes generated test pictures with libavcodec's own encoders into an
// elementary video stream, one packet per frame, for feeding the RSN3 writer.
class cTestVideoEncoder
{
public:
    struct Options
    {
        QString codec = QStringLiteral("mpeg4"); // "mpeg4", "mjpeg" or "h264"
        int width = 352;
        int height = 288;
        int fps = 25;
        int frames = 25;
        int gop = 12;
        int aspectNum = 1;
        int aspectDen = 1;
    };

    // Whether the installed libavcodec can encode this codec.
    static bool available(const QString& codec);
    // The deterministic test picture of a frame: smooth gradients, a sharp
    // grid and a square that moves with the frame number.
    static QImage picture(int width, int height, int frameNumber);
    // Packets in decoding order (there are no B-frames, so also display
    // order); empty on failure with the reason in *error.
    static QVector<QByteArray> encode(const Options& options, QString* error = nullptr);
    // Keeps libavcodec's diagnostics about damaged test input off the console.
    static void silenceCodecLogs();
    // The stream format text an RSN3 header gives for a codec.
    static QByteArray streamFormat(const QString& codec);
};
