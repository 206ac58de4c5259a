#include "cptzreceiver.h"

#include "video/cjpegdecoder.h"

#include <cstring>
#include <limits>

namespace {

constexpr int kPrefixLength = 6;

qint64 number(const QList<QByteArray>& words, int index)
{
    if (index >= words.size())
        return 0;
    bool ok = false;
    const qint64 n = words.at(index).toLongLong(&ok);
    return ok ? n : 0;
}

} // namespace

cPTZReceiver::cPTZReceiver(QObject* parent) : QObject(parent) {}

void cPTZReceiver::start()
{
    m_buffer.clear();
    m_pos = 0;
    m_state = WaitingForText;
    m_camera = -1;
}

void cPTZReceiver::stop()
{
    m_buffer.clear();
    m_pos = 0;
    m_state = NotLoggedIn;
}

bool cPTZReceiver::feed(const QByteArray& bytes, int pieces)
{
    if (m_state == NotLoggedIn)
        return false;
    m_buffer += bytes;
    return handleBuffer(pieces);
}

bool cPTZReceiver::feedFrom(QIODevice& device, qint64 maxBytes, int pieces)
{
    const qsizetype held = m_buffer.size();
    m_buffer.resize(held + qsizetype(qMax<qint64>(maxBytes, 0)));
    const qint64 got = device.read(m_buffer.data() + held, m_buffer.size() - held);
    m_buffer.resize(held + qsizetype(qMax<qint64>(got, 0)));
    if (m_state == NotLoggedIn) {
        m_buffer.resize(held);
        return false;
    }
    return handleBuffer(pieces);
}

bool cPTZReceiver::handleBuffer(int pieces)
{
    const bool more = Parse_data(pieces);
    // Moved down rather than removed from the front, which would make the
    // next read allocate a new buffer.
    if (m_pos > 0) {
        const qsizetype left = available();
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(left));
        m_buffer.resize(left);
        m_pos = 0;
    }
    return more;
}

bool cPTZReceiver::Parse_data(int pieces)
{
    const bool budget = pieces != kAllPieces;
    bool progress = true;
    while (progress && m_state != NotLoggedIn) {
        // Out of budget: more to do only if bytes are left to handle.
        if (pieces <= 0)
            return available() > 0;
        switch (m_state) {
        case WaitingForText:
            progress = Parse_text_header();
            pieces -= budget ? 1 : 0;
            break;
        case WaitingForHeader:
            progress = Receive_frame_header();
            break;
        default:
            progress = Receive_frame_bytes();
            // A frame ends a budget: decoding it was the expensive part.
            if (progress && budget)
                pieces = 0;
            break;
        }
    }
    return false;
}

cPTZReceiver::LineHandler cPTZReceiver::handlerFor(const char* line)
{
    static const struct
    {
        const char* prefix;
        LineHandler handler;
    } kLines[] = {
        {"Camera", &cPTZReceiver::takeCameraLine},
        {"CamPTZ", &cPTZReceiver::takePtzCameraLine},
        {"MovPTZ", &cPTZReceiver::takePositionLine},
    };
    for (const auto& row : kLines) {
        if (std::memcmp(line, row.prefix, kPrefixLength) == 0)
            return row.handler;
    }
    return nullptr;
}

bool cPTZReceiver::Parse_text_header()
{
    // Skip to the next line we know; what is left is shorter than a line.
    while (available() >= kTextHeader) {
        const char* line = m_buffer.constData() + m_pos;
        if (const LineHandler handler = handlerFor(line)) {
            // The terminating byte is not part of the text.
            const QByteArray text(line, kTextHeader - 1);
            m_pos += kTextHeader;
            (this->*handler)(text.simplified().split(' '));
            // Parsing goes on after a position report too: a frame behind it
            // in the same chunk must not wait for more data, or a device
            // that waits for that frame's acknowledgement stalls.
            return true;
        }
        ++m_pos;
    }
    return false;
}

void cPTZReceiver::takeCameraLine(const QList<QByteArray>& words)
{
    const qint64 camera = number(words, 1);
    m_camera = camera < 1 || camera > std::numeric_limits<int>::max() ? -1 : int(camera);
    m_remaining = number(words, 3);
    m_state = WaitingForHeader;
}

void cPTZReceiver::takePtzCameraLine(const QList<QByteArray>& words)
{
    m_camera = 0;
    m_remaining = number(words, 3);
    m_state = WaitingForHeader;
}

void cPTZReceiver::takePositionLine(const QList<QByteArray>& words)
{
    m_camera = -1;
    const auto field = [&words](int index) {
        return int(
            qBound(qint64(0), number(words, index), qint64(std::numeric_limits<int>::max())));
    };
    emit positionReported(field(2), field(4), field(6));
}

bool cPTZReceiver::Receive_frame_header()
{
    if (available() < sVideoFrame::kSize)
        return false;
    m_header = sVideoFrame::fromBytes(m_buffer.constData() + m_pos);
    m_pos += sVideoFrame::kSize;
    m_remaining -= sVideoFrame::kSize;
    if (!acceptable(m_header)) {
        refuseFrame();
        return true;
    }
    m_state = ReceivingFrame;
    if (m_header.bufferFlag != 0 && !Alloc_realloc_images(m_header))
        refuseFrame();
    return true;
}

bool cPTZReceiver::acceptable(const sVideoFrame& h) const
{
    const qint64 payload = h.payloadBytes();
    if (payload < 1 || m_remaining != payload)
        return false;
    if (h.width < 1 || h.width > kMaxSide || h.height < 1 || h.height > kMaxSide)
        return false;
    if (h.type == sVideoFrame::Grey && qint64(h.size) != qint64(h.width) * h.height)
        return false;
    if (h.type == sVideoFrame::Jpeg && h.size > kMaxJpeg)
        return false;
    // Reusing the buffers of the last frame needs buffers that hold this one.
    const bool stored = h.type == sVideoFrame::Grey || h.type == sVideoFrame::Jpeg;
    return !stored || h.bufferFlag != 0 || m_image.size() >= h.size;
}

void cPTZReceiver::refuseFrame()
{
    m_state = WaitingForText;
    m_camera = -1;
}

bool cPTZReceiver::Alloc_realloc_images(const sVideoFrame& h)
{
    if (h.type != sVideoFrame::Grey && h.type != sVideoFrame::Jpeg)
        return true; // nothing of theirs is stored
    if (h.width != m_bufferWidth || h.height != m_bufferHeight)
        m_image.clear();
    m_bufferWidth = h.width;
    m_bufferHeight = h.height;
    // A JPEG may be larger than one byte per pixel; the buffer takes it.
    const qint64 needed = qMax(qint64(h.width) * h.height, qint64(h.size));
    if (m_image.size() < needed)
        m_image.resize(needed);
    return m_image.size() >= needed;
}

bool cPTZReceiver::Receive_frame_bytes()
{
    if (m_header.type != sVideoFrame::Grey && m_header.type != sVideoFrame::Jpeg) {
        refuseFrame();
        return true;
    }
    const qint64 take = qMin<qint64>(available(), m_remaining);
    if (take <= 0)
        return false;
    const qint64 offset = m_header.size - m_remaining;
    std::memcpy(m_image.data() + offset, m_buffer.constData() + m_pos, size_t(take));
    m_pos += take;
    m_remaining -= take;
    if (m_remaining > 0)
        return false;
    m_state = WaitingForText;
    Make_pixmap();
    emit frameReceived();
    return true;
}

void cPTZReceiver::Make_pixmap()
{
    if (!decode(m_spare))
        return;
    m_picture.swap(m_spare);
    emit pictureReady();
}

bool cPTZReceiver::decode(QImage& picture) const
{
    if (m_header.type == sVideoFrame::Jpeg)
        return cJpegDecoder::decode(m_image.constData(), m_header.size, kMaxSide, picture);
    const QSize size(m_header.width, m_header.height);
    if (!cJpegDecoder::fit(picture, size, QImage::Format_Grayscale8))
        return false;
    const auto* bytes = reinterpret_cast<const uchar*>(m_image.constData());
    for (int y = 0; y < m_header.height; ++y)
        std::memcpy(picture.scanLine(y), bytes + qint64(y) * m_header.width,
                    size_t(m_header.width));
    return true;
}
