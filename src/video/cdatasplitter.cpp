#include "video/cdatasplitter.h"

#include <QString>

#include <climits>
#include <cstring>

void cDataSplitter::makeRoom(qsizetype n)
{
    compact();
    if (m_end + n <= m_capacity)
        return;
    const qsizetype capacity = qMax<qsizetype>(m_end + n, qMax<qsizetype>(4096, 2 * m_capacity));
    std::unique_ptr<char[]> grown(new char[size_t(capacity)]);
    if (m_end)
        std::memcpy(grown.get(), m_buf.get(), size_t(m_end));
    m_buf = std::move(grown);
    m_capacity = capacity;
}

void cDataSplitter::compact()
{
    if (m_start == 0)
        return;
    if (m_start < m_end)
        std::memmove(m_buf.get(), m_buf.get() + m_start, size_t(m_end - m_start));
    m_end -= m_start;
    m_start = 0;
    // Give back the room one unusually large delivery needed.
    if (m_end == 0 && m_capacity > kKeepCapacity) {
        m_buf.reset();
        m_capacity = 0;
    }
}

void cDataSplitter::clear()
{
    m_buf.reset();
    m_capacity = 0;
    m_start = 0;
    m_end = 0;
    m_need = 0;
    m_zeroFrom = -1;
    m_stringAt = 0;
}

bool cDataSplitter::zeroArrived()
{
    // Only the bytes that arrived since the last look can end the string.
    // Once it is longer than any string may be, the read is retried too, to
    // fail as overlong rather than wait (and buffer) without end.
    if (!std::memchr(at(m_zeroFrom), 0, size_t(size() - m_zeroFrom)) &&
        size() - m_stringAt < kMaxString) {
        m_zeroFrom = size();
        m_need = size() + 1;
        return false;
    }
    m_zeroFrom = -1;
    return true;
}

bool cDataSplitter::has(int len)
{
    if (size() >= len)
        return true;
    m_need = len;
    return false;
}

void cDataSplitter::require(int pos, int len)
{
    if (pos < 0 || len < 0 || qint64(pos) + len > size()) {
        m_need = int(qMin<qint64>(qint64(pos) + len, INT_MAX));
        throw QString();
    }
}

int cDataSplitter::stringLength(int pos)
{
    require(pos, 0);
    const int avail = size() - pos;
    const int scan = qMin(avail, kMaxString);
    const void* zero = std::memchr(at(pos), 0, size_t(scan));
    if (zero)
        return int(static_cast<const uchar*>(zero) - at(pos)) + 1;
    if (avail >= kMaxString)
        throw Overlong();
    m_stringAt = pos;
    m_zeroFrom = size();
    m_need = size() + 1;
    throw QString();
}

QByteArray cDataSplitter::peek_block(int pos, int len)
{
    require(pos, len);
    return QByteArray(reinterpret_cast<const char*>(at(pos)), len);
}

QByteArray cDataSplitter::get_block(int& pos, int len)
{
    QByteArray b = peek_block(pos, len);
    pos += len;
    return b;
}

QByteArray cDataSplitter::peek_block(int len)
{
    return peek_block(0, len);
}

QByteArray cDataSplitter::get_block(int len)
{
    QByteArray b = peek_block(0, len);
    drop(len);
    return b;
}

QByteArray cDataSplitter::peek_string(int pos)
{
    return peek_block(pos, stringLength(pos));
}

QByteArray cDataSplitter::get_string(int& pos)
{
    QByteArray s = peek_string(pos);
    pos += int(s.size());
    return s;
}

QByteArray cDataSplitter::peek_string()
{
    return peek_string(0);
}

QByteArray cDataSplitter::get_string()
{
    QByteArray s = peek_string(0);
    drop(int(s.size()));
    return s;
}

bool cDataSplitter::get_string(int& pos, int end, QByteArray& s)
{
    if (pos >= end)
        return false;
    require(pos, end - pos);
    const void* zero = std::memchr(at(pos), 0, size_t(end - pos));
    if (!zero)
        return false;
    const int len = int(static_cast<const uchar*>(zero) - at(pos)) + 1;
    s = get_block(pos, len);
    return true;
}

quint8 cDataSplitter::get_quint8(int& pos)
{
    require(pos, 1);
    return *at(pos++);
}

quint16 cDataSplitter::get_quint16(int& pos)
{
    require(pos, 2);
    const uchar* p = at(pos);
    pos += 2;
    return quint16(p[0] | (p[1] << 8));
}

quint32 cDataSplitter::peek_quint32(int pos)
{
    require(pos, 4);
    const uchar* p = at(pos);
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint32 cDataSplitter::get_quint32(int& pos)
{
    const quint32 v = peek_quint32(pos);
    pos += 4;
    return v;
}

int cDataSplitter::find(quint32 value) const
{
    const char pattern[4] = {char(value & 0xff), char((value >> 8) & 0xff),
                             char((value >> 16) & 0xff), char(value >> 24)};
    const QByteArrayView bytes(reinterpret_cast<const char*>(at(0)), size());
    return int(bytes.indexOf(QByteArrayView(pattern, 4)));
}

void cDataSplitter::drop(int len)
{
    require(0, len);
    m_start += len;
    // What was missing was measured from the old start.
    m_need = 0;
    m_zeroFrom = -1;
}
