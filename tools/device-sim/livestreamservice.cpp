#include "livestreamservice.h"

#include "devicesim.h"
#include "snapshotpicture.h"

#include <QDateTime>
#include <QTcpSocket>

namespace {

constexpr int kFrameMs = 1000 / LiveStreamService::kFps;
// After a stall (a busy machine) the stream goes on from now instead of
// sending every picture it missed at once.
constexpr qint64 kMaxCatchUp = 5;

const char* const kCodecs[] = {"mpeg4", "h264"};

} // namespace

LiveStreamService::LiveStreamService(DeviceSim& sim, QTcpSocket* socket, const QString& codec)
    : DeviceService(sim, socket), m_codec(codec)
{
    // The encoder's statistics at every close would bury the request log.
    cTestVideoEncoder::silenceCodecLogs();
    connect(socket, &QTcpSocket::readyRead, this, &LiveStreamService::onReadyRead);
    m_pace.setTimerType(Qt::PreciseTimer);
    m_pace.setInterval(kFrameMs);
    connect(&m_pace, &QTimer::timeout, this, &LiveStreamService::tick);
    m_junk.setInterval(1);
    connect(&m_junk, &QTimer::timeout, this, &LiveStreamService::sendJunk);
}

void LiveStreamService::registerOn(DeviceSim& sim, const QString& codec)
{
    sim.registerService(DeviceSim::kLiveStreamService,
                        [codec](DeviceSim& s, QTcpSocket* socket) -> DeviceService* {
                            return new LiveStreamService(s, socket, codec);
                        });
}

bool LiveStreamService::isCodec(const QString& codec)
{
    for (const char* c : kCodecs) {
        if (codec == QLatin1String(c))
            return true;
    }
    return false;
}

void LiveStreamService::start(const QByteArray& pending)
{
    m_buffer = pending;
    process();
}

void LiveStreamService::onReadyRead()
{
    m_buffer += m_socket->readAll();
    process();
}

void LiveStreamService::process()
{
    if (m_loggedIn) {
        m_buffer.clear(); // the client has nothing more to say
        return;
    }
    const Login login = takeLogin(m_buffer);
    if (login == Login::Incomplete)
        return;
    m_buffer.clear();
    if (login == Login::Accepted && m_sim.faults().mode == DeviceFaults::StreamJunk) {
        m_loggedIn = true;
        m_junk.start();
        return;
    }
    if (login == Login::Refused || !startStream()) {
        m_socket->disconnectFromHost();
        return;
    }
    m_loggedIn = true;
}

bool LiveStreamService::startStream()
{
    cTestVideoEncoder::Options options;
    options.codec = m_codec;
    options.width = kWidth;
    options.height = kHeight;
    options.fps = kFps;
    options.gop = kFps;
    QString error;
    if (!m_encoder.open(options, &error)) {
        qWarning("live stream: %s", qPrintable(error));
        return false;
    }
    cRsn3Writer::Stream video;
    video.format = cTestVideoEncoder::streamFormat(m_codec);
    video.title = "camera 1";
    m_socket->write(m_writer.header("velk-device-sim", {video}, {{1, "-utf8"}, {2, "UTC"}}));
    m_startMs = QDateTime::currentMSecsSinceEpoch();
    m_clock.start();
    sendFrame(m_startMs);
    m_frames = 1;
    m_pace.start();
    return true;
}

void LiveStreamService::tick()
{
    const qint64 due = m_clock.elapsed() / kFrameMs + 1;
    if (due - m_frames > kMaxCatchUp)
        m_frames = due - 1;
    for (; m_frames < due; ++m_frames) {
        if (m_socket->bytesToWrite() > kMaxBacklog)
            continue;
        sendFrame(m_startMs + m_frames * kFrameMs);
    }
}

void LiveStreamService::sendFrame(qint64 frameMs)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(frameMs);
    QVector<QByteArray> packets;
    if (!m_encoder.encode(picture(at.time()), packets)) {
        m_pace.stop();
        m_socket->disconnectFromHost();
        return;
    }
    const qint64 second = frameMs / 1000;
    if (second != m_second) {
        m_socket->write(cRsn3Writer::index(quint32(second)));
        m_second = second;
    }
    for (const QByteArray& packet : packets)
        m_socket->write(m_writer.data(0, packet, quint16(frameMs % 1000)));
}

// Bytes that hold no stream header, as fast as the client takes them.
void LiveStreamService::sendJunk()
{
    static const QByteArray junk = [] {
        QByteArray bytes(64 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919 + i / 251) & 0x7f); // never a magic's 0xb5
        return bytes;
    }();
    if (m_socket->bytesToWrite() < kMaxBacklog)
        m_socket->write(junk);
}

const QImage& LiveStreamService::picture(const QTime& time)
{
    // The picture changes once a second; drawing it is dearer than encoding.
    if (time.second() != m_pictureSecond || m_picture.isNull()) {
        m_picture = SnapshotPicture::draw(QSize(kWidth, kHeight), time);
        m_pictureSecond = time.second();
    }
    return m_picture;
}
