#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>

// The blocking connection to a device's stereo service: 32-bit
// little-endian integers and raw image bytes over one TCP socket. Every
// wait is bounded, so a device that stops answering ends the exchange with
// Stalled instead of holding the job for ever.
class cStereoLink
{
public:
    enum class Error
    {
        None,
        Socket,  // no socket could be made
        Connect, // the host is unknown or refused the connection
        Stalled, // nothing moved for the timeout
        Closed,  // the device closed the connection or the socket failed
    };

    explicit cStereoLink(int timeoutMs);
    ~cStereoLink();
    cStereoLink(const cStereoLink&) = delete;
    cStereoLink& operator=(const cStereoLink&) = delete;

    bool open(const QByteArray& host, quint16 port);
    void close();

    bool sendInt(qint32 value);
    bool sendInts(const qint32* values, std::size_t count);
    bool receiveInts(qint32* values, std::size_t count);
    bool receiveBytes(void* data, std::size_t size);

    Error error() const { return m_error; }

private:
    bool sendBytes(const void* data, std::size_t size);
    bool waitFor(short events);
    bool fail(Error error);

    int m_fd = -1;
    int m_timeoutMs;
    Error m_error = Error::None;
};
