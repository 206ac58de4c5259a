#pragma once

// Bytes of the PTZ connection as a device sends them, built independently
// of the code under test.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>

namespace ptzwire {

inline QByteArray textLine(const QString& text)
{
    QByteArray line = text.toLatin1();
    line.append(35 - line.size(), '\0');
    return line;
}

inline QByteArray cameraLine(int camera, qint64 bytes)
{
    return textLine(
        QString::asprintf("Camera %04u Frame %010d bytes", unsigned(camera), int(bytes)));
}

inline QByteArray ptzLine(qint64 bytes)
{
    return textLine(QString::asprintf("CamPTZ %04u Frame %010d bytes", 0u, int(bytes)));
}

inline QByteArray positionLine(int pan, int tilt, int zoom)
{
    return textLine(QString::asprintf("MovPTZ pan %05u tlt %04u zm %05u", unsigned(pan),
                                      unsigned(tilt), unsigned(zoom)));
}

struct Header
{
    qint32 type = 4;
    qint32 width = 16;
    qint32 height = 8;
    qint32 size = 0;
    qint32 bufferFlag = 1;
};

inline QByteArray header(const Header& h)
{
    QByteArray out(32, '\0');
    const qint32 fields[] = {h.type, h.width, h.height, h.size, h.bufferFlag, 0};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian(fields[i], out.data() + 4 * i);
    return out;
}

// A whole picture message: line, header and payload.
inline QByteArray frame(const QByteArray& line, const Header& h, const QByteArray& payload)
{
    return line + header(h) + payload;
}

inline QByteArray ptzFrame(const Header& h, const QByteArray& payload)
{
    return frame(ptzLine(32 + payload.size()), h, payload);
}

inline QByteArray greyPayload(int width, int height)
{
    QByteArray bytes(qsizetype(width) * height, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + i / width) & 0xff);
    return bytes;
}

inline QByteArray greyFrame(int width, int height)
{
    const QByteArray payload = greyPayload(width, height);
    return ptzFrame({3, width, height, qint32(payload.size())}, payload);
}

inline QByteArray jpegOf(const QImage& image)
{
    QByteArray data;
    QBuffer out(&data);
    out.open(QIODevice::WriteOnly);
    image.save(&out, "JPEG", 90);
    return data;
}

inline QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

inline QByteArray jpegFrame(int width, int height)
{
    const QByteArray jpeg = jpegOf(testPicture(width, height));
    return ptzFrame({4, width, height, qint32(jpeg.size())}, jpeg);
}

} // namespace ptzwire
