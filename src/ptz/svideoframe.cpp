#include "svideoframe.h"

#include <QtEndian>

sVideoFrame sVideoFrame::fromBytes(const char* bytes)
{
    sVideoFrame h;
    h.type = qFromLittleEndian<qint32>(bytes);
    h.width = qFromLittleEndian<qint32>(bytes + 4);
    h.height = qFromLittleEndian<qint32>(bytes + 8);
    h.size = qFromLittleEndian<qint32>(bytes + 12);
    h.bufferFlag = qFromLittleEndian<qint32>(bytes + 16);
    h.reserved = qFromLittleEndian<qint32>(bytes + 20);
    h.timestamp = qFromLittleEndian<qint64>(bytes + 24);
    return h;
}

qint64 sVideoFrame::payloadBytes() const
{
    switch (type) {
    case Rgb:
    case RgbAlt:
        return qint64(size) * 3;
    case Grey:
    case Jpeg:
        return size;
    default:
        return -1;
    }
}
