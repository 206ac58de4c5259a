#include "cstereolink.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// Integers travel in blocks so a table of millions costs few system calls.
constexpr std::size_t kIntBlock = 16 * 1024;

struct AddrInfoDeleter
{
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

} // namespace

cStereoLink::cStereoLink(int timeoutMs) : m_timeoutMs(timeoutMs) {}

cStereoLink::~cStereoLink()
{
    close();
}

bool cStereoLink::open(const QByteArray& host, quint16 port)
{
    close();
    m_error = Error::None;
    // Non-blocking, so that connecting to a device that never accepts waits
    // in slices like every other wait.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(Error::Socket);
    m_fd = fd;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.constData(), nullptr, &hints, &found) != 0 || !found)
        return fail(Error::Connect);
    std::unique_ptr<addrinfo, AddrInfoDeleter> info(found);
    sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(info->ai_addr);
    address.sin_port = htons(port);
    return connectTo(&address, sizeof address);
}

bool cStereoLink::connectTo(const void* address, unsigned length)
{
    if (::connect(m_fd, static_cast<const sockaddr*>(address), length) == 0)
        return true;
    if (errno != EINPROGRESS)
        return fail(Error::Connect);
    // A device that never accepts is Stalled, like one that stops answering.
    // A connection still on its way carries no verdict: it goes at once.
    if (!waitFor(POLLOUT)) {
        close();
        return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return fail(Error::Connect);
    return true;
}

void cStereoLink::setDeadline(qint64 ms)
{
    if (ms < 0)
        m_deadline.reset();
    else
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

void cStereoLink::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool cStereoLink::sendInt(qint32 value)
{
    return sendInts(&value, 1);
}

bool cStereoLink::sendInts(const qint32* values, std::size_t count)
{
    std::vector<qint32> block;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kIntBlock, count - done);
        block.resize(n);
        qToLittleEndian<qint32>(values + done, qsizetype(n), block.data());
        if (!sendBytes(block.data(), n * sizeof(qint32)))
            return false;
        done += n;
    }
    return true;
}

bool cStereoLink::receiveInts(qint32* values, std::size_t count)
{
    if (!receiveBytes(values, count * sizeof(qint32)))
        return false;
    qFromLittleEndian<qint32>(values, qsizetype(count), values);
    return true;
}

bool cStereoLink::receiveBytes(void* data, std::size_t size)
{
    auto* out = static_cast<char*>(data);
    for (std::size_t done = 0; done < size;) {
        if (!waitFor(POLLIN))
            return false;
        const ssize_t got = ::recv(m_fd, out + done, size - done, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (got <= 0)
            return fail(Error::Closed);
        done += std::size_t(got);
    }
    return true;
}

bool cStereoLink::sendBytes(const void* data, std::size_t size)
{
    const auto* in = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        if (!waitFor(POLLOUT))
            return false;
        // A device that went away must not end the process with SIGPIPE.
        const ssize_t sent = ::send(m_fd, in + done, size - done, MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (sent <= 0)
            return fail(Error::Closed);
        done += std::size_t(sent);
    }
    return true;
}

// The timeout counts from the last byte that moved, so a slow but living
// device is never cut off by it; only the deadline bounds a whole exchange.
bool cStereoLink::waitFor(short events)
{
    using Clock = std::chrono::steady_clock;
    if (m_fd < 0)
        return fail(Error::Closed);
    const Clock::time_point stalled = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    pollfd p{m_fd, events, 0};
    for (;;) {
        if (m_stop && m_stop->load()) {
            // Still open: the device is told that the job stopped.
            m_error = Error::Stopped;
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (m_deadline && now >= *m_deadline)
            return fail(Error::Overdue);
        if (now >= stalled)
            return fail(Error::Stalled);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stalled - now);
        const int ready = ::poll(&p, 1, int(qMin<qint64>(kSliceMs, left.count() + 1)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return fail(Error::Closed);
    }
}

bool cStereoLink::fail(Error error)
{
    m_error = error;
    close();
    return false;
}
