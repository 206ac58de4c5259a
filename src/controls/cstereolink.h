#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>

// The blocking connection to a device's stereo service: 32-bit
// little-endian integers and raw image bytes over one TCP socket. Every
// wait is bounded, so a device that stops answering ends the exchange with
// Stalled instead of holding the job for ever; waits run in short slices
// that watch a stop flag, so another thread can end one at once.
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
        Stopped, // the stop flag was raised
        Overdue, // the deadline passed, however slowly bytes kept coming
    };
    // How often a wait looks at the stop flag and the deadline.
    static constexpr int kSliceMs = 50;

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

    // Waits end with Stopped once `*stop` is true; nullptr watches nothing.
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    // Waits end with Overdue once `ms` more have passed; a negative value
    // takes the deadline away.
    void setDeadline(qint64 ms);

private:
    bool sendBytes(const void* data, std::size_t size);
    bool waitFor(short events);
    bool connectTo(const void* address, unsigned length);
    bool fail(Error error);

    int m_fd = -1;
    const std::atomic<bool>* m_stop = nullptr;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    int m_timeoutMs;
    Error m_error = Error::None;
};
