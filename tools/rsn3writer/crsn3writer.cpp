#include "crsn3writer.h"

namespace {

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putString(QByteArray& out, const QByteArray& text)
{
    out.append(text);
    out.append('\0');
}

} // namespace

QByteArray cRsn3Writer::header(const QByteArray& name, const QVector<Stream>& streams,
                               const QMap<int, QByteArray>& info)
{
    m_streams = streams;
    QByteArray table;
    putString(table, name);
    for (const Stream& s : streams) {
        table.append(char(s.id));
        table.append(char(s.type));
        putString(table, s.format);
        putString(table, s.title);
        putString(table, s.charset);
    }
    QByteArray infoArea;
    for (auto it = info.begin(); it != info.end(); ++it) {
        infoArea.append(char(it.key()));
        putString(infoArea, it.value());
    }

    QByteArray out;
    put32(out, 0xB505B5B5u);
    put16(out, quint32(8 + table.size()));
    put16(out, quint32(infoArea.size()));
    return out + table + infoArea;
}

QByteArray cRsn3Writer::index(quint32 seconds, quint32 value1, quint32 value3,
                              const QByteArray& extra)
{
    QByteArray out;
    put32(out, 0xB5B5B505u);
    put32(out, value1);
    put32(out, seconds);
    put32(out, value3);
    const QByteArray e = extra.left(255);
    out.append(char(e.size()));
    return out + e;
}

bool cRsn3Writer::hasTimeFields(quint8 streamId) const
{
    for (const Stream& s : m_streams) {
        if (s.id == streamId)
            return s.type == 1;
    }
    return false;
}

QByteArray cRsn3Writer::block(quint8 streamId, Position position, const QByteArray& payload,
                              quint16 msec, quint8 msecMode, quint8 aux) const
{
    QByteArray out;
    put16(out, quint32(payload.size()));
    out.append(char(position));
    out.append(char(streamId));
    if (hasTimeFields(streamId) && (position == Complete || position == First)) {
        put16(out, msec);
        out.append(char(msecMode));
        out.append(char(aux));
    }
    return out + payload;
}

QByteArray cRsn3Writer::data(quint8 streamId, const QByteArray& payload, quint16 msec,
                             quint8 msecMode, quint8 aux, int maxBlock) const
{
    maxBlock = qBound(1, maxBlock, int(kMaxBlock));
    if (payload.size() <= maxBlock)
        return block(streamId, Complete, payload, msec, msecMode, aux);
    QByteArray out;
    for (qsizetype at = 0; at < payload.size(); at += maxBlock) {
        const Position pos = at == 0 ? First : (at + maxBlock >= payload.size() ? Last : Middle);
        out += block(streamId, pos, payload.mid(at, maxBlock), msec, msecMode, aux);
    }
    return out;
}

QByteArray cRsn3Writer::videoStream(const QByteArray& format, const QVector<QByteArray>& frames,
                                    int fps)
{
    cRsn3Writer w;
    Stream video;
    video.format = format;
    video.title = "camera";
    QByteArray out = w.header("test source", {video}, {{1, "-utf8"}, {2, "UTC"}});
    fps = qMax(1, fps);
    for (int i = 0; i < frames.size(); ++i) {
        if (i % fps == 0)
            out += index(quint32(i / fps));
        out += w.data(0, frames[i], quint16((i % fps) * 1000 / fps));
    }
    return out;
}
