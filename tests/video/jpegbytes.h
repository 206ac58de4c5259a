#pragma once

// JPEG pictures as bytes, as Qt writes them, and one that costs a decoder
// far more than its bytes suggest: a progressive picture whose last scan is
// repeated. Each scan is a pass over the whole picture, and a repeated one
// takes only a few bytes.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

inline QByteArray jpeg(const QImage& picture, bool progressive = false)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "JPG");
    writer.setQuality(85);
    writer.setProgressiveScanWrite(progressive);
    writer.write(picture);
    return bytes;
}

// `progressive` with its last scan coming `times` times in all.
inline QByteArray withLastScanRepeated(const QByteArray& progressive, int times)
{
    const qsizetype scan = progressive.lastIndexOf("\xff\xda");
    const qsizetype end = progressive.lastIndexOf("\xff\xd9");
    const QByteArray last = progressive.mid(scan, end - scan);
    return progressive.left(scan) + last.repeated(times) + progressive.mid(end);
}
