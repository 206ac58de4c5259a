#pragma once

#include <QByteArray>
#include <QtGlobal>

// The binary header in front of every picture on the PTZ connection: 32
// bytes, each integer little-endian and signed.
struct sVideoFrame
{
    enum Type
    {
        Rgb = 1,
        RgbAlt = 2,
        Grey = 3,
        Jpeg = 4
    };

    static constexpr int kSize = 32;

    qint32 type = 0;
    qint32 width = 0;
    qint32 height = 0;
    qint32 size = 0;       // payload bytes; pixels for the RGB types
    qint32 bufferFlag = 0; // 0: receive into the buffers of the last frame
    qint32 reserved = 0;
    qint64 timestamp = 0;

    // Reads the first kSize bytes of `bytes`, which must hold that many.
    static sVideoFrame fromBytes(const char* bytes);
    // Payload bytes the header announces; -1 for a type we do not know.
    qint64 payloadBytes() const;
};
