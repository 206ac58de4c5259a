#include "video/cdatasplitter.h"

#include <QString>

#include <climits>
#include <cstring>

void cDataSplitter::append(const QByteArray& data)
{
    if (m_buf.size() == m_start) {
        m_buf = data; // nothing pending: share the caller's bytes instead of copying
        m_start = 0;
    } else {
        m_buf.append(data);
    }
}

void cDataSplitter::compact()
{
    if (m_start == 0)
        return;
    if (m_start >= m_buf.size())
        m_buf.clear();
    else
        m_buf.remove(0, m_start);
    m_start = 0;
}

void cDataSplitter::clear()
{
    m_buf.clear();
    m_start = 0;
    m_need = 0;
    m_zeroFrom = -1;
}

bool cDataSplitter::ready()
{
    if (size() < m_need)
        return false;
    if (m_zeroFrom >= 0) {
        // Only the bytes that arrived since the last look can end the string.
        if (!std::memchr(at(m_zeroFrom), 0, size_t(size() - m_zeroFrom))) {
            m_zeroFrom = size();
            m_need = size() + 1;
            return false;
        }
        m_zeroFrom = -1;
    }
    m_need = 0;
    return true;
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

void cDataSplitter::drop(int len)
{
    require(0, len);
    m_start += len;
}
