#pragma once

#include <QByteArray>

#include <cstring>
#include <memory>

// The received bytes of a stream that are not parsed yet, read at positions
// relative to the first unconsumed byte. A read beyond the buffered bytes
// throws an empty QString (the need-more-data condition) and remembers how
// much is missing, so a caller can skip retrying until that much arrived.
// Consumed bytes are only skipped; compact() removes them in one go.
class cDataSplitter
{
public:
    // Thrown when a string runs longer than any header could hold.
    struct Overlong
    {
    };
    static constexpr int kMaxString = 65536;
    static constexpr qsizetype kKeepCapacity = 1 << 20;

    void append(const QByteArray& data)
    {
        const qsizetype n = data.size();
        if (m_end + n > m_capacity)
            makeRoom(n);
        if (n)
            std::memcpy(m_buf.get() + m_end, data.constData(), size_t(n));
        m_end += n;
    }
    void compact();
    void clear();

    int size() const { return int(m_end - m_start); }
    // False while the shortfall of the last failed read is still unmet.
    bool ready() { return size() >= m_need && (m_zeroFrom < 0 || zeroArrived()); }
    // Whether len bytes are buffered; when not, remembers the shortfall
    // without throwing, for the records that make up the bulk of a stream.
    bool has(int len);

    QByteArray peek_block(int pos, int len);
    QByteArray get_block(int& pos, int len);
    QByteArray peek_block(int len);
    QByteArray get_block(int len);
    QByteArray peek_string(int pos);
    QByteArray get_string(int& pos);
    QByteArray peek_string();
    QByteArray get_string();
    // The string at pos if its 0 byte lies before end (which must be
    // buffered): stored in s, pos moved past it. False, and nothing
    // moved, when it does not end in time.
    bool get_string(int& pos, int end, QByteArray& s);
    quint8 get_quint8(int& pos);
    quint16 get_quint16(int& pos);
    quint32 get_quint32(int& pos);
    quint32 peek_quint32(int pos);
    // Where the buffered bytes first hold `value` as a 32-bit little-endian
    // number; -1 when they do not.
    int find(quint32 value) const;
    void drop(int len);

private:
    const uchar* at(int pos) const
    {
        return reinterpret_cast<const uchar*>(m_buf.get()) + m_start + pos;
    }
    void makeRoom(qsizetype n);
    bool zeroArrived();
    void require(int pos, int len);
    int stringLength(int pos);

    // A plain growing buffer: appending a few bytes must cost next to nothing.
    std::unique_ptr<char[]> m_buf;
    qsizetype m_capacity = 0;
    qsizetype m_start = 0; // first unconsumed byte
    qsizetype m_end = 0;   // end of the received bytes
    int m_need = 0;        // bytes (from the start) the last failed read wanted
    int m_zeroFrom = -1;   // a failed string read waits for a 0 byte from here
    int m_stringAt = 0;    // where that string starts
};
