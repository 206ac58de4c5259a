#pragma once

#include "ctestvideoencoder.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>

#include <memory>

// Encodes pictures one at a time into an elementary video stream, as a
// camera does while it streams. No B-frames, so every picture comes out as
// soon as it goes in (with the low-latency settings H.264 needs for that).
class cFrameEncoder
{
public:
    cFrameEncoder();
    // Whether the installed libavcodec can encode this codec.
    static bool available(const QString& codec);
    ~cFrameEncoder();
    cFrameEncoder(const cFrameEncoder&) = delete;
    cFrameEncoder& operator=(const cFrameEncoder&) = delete;

    // Uses the codec, size, frame rate, key-frame interval and aspect of
    // `options`; false with the reason in *error when it cannot.
    bool open(const cTestVideoEncoder::Options& options, QString* error = nullptr);
    // Appends the packets the picture (scaled to the opened size if needed)
    // completes.
    bool encode(const QImage& picture, QVector<QByteArray>& packets, QString* error = nullptr);
    // Appends what the encoder still holds; the encoder is done after it.
    bool finish(QVector<QByteArray>& packets, QString* error = nullptr);

private:
    struct Codec;
    bool send(const void* frame, QVector<QByteArray>& packets, QString* error);

    std::unique_ptr<Codec> d;
    qint64 next = 0; // presentation time of the next picture, in frames
};
