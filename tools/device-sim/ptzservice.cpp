#include "ptzservice.h"

#include "devicesim.h"

#include <QBuffer>

#include <QTcpSocket>
#include <QtEndian>

namespace {

const QByteArray kVideoOk("VIDEO_OK\r\n");
const QByteArray kMoveRequest("PUT PTZ COMMAND\r\n");
const QByteArray kGotoDefaultRequest("PUT PTZ GOTO DEFAULT\r\n");
const QByteArray kStoreDefaultRequest("PUT PTZ DEFAULT\r\n");
constexpr qint32 kJpegType = 4;
constexpr qint32 kHugeWidth = 100000;
constexpr int kFixedCamera = 1;
constexpr int kFixedCameraQuality = 85;
// Looks like the start of a line without being one.
const QByteArray kGarbage("\x00\xffGARBAGE CamPT MovPT Camer\r\n", 30);

QByteArray textLine(const QString& text)
{
    QByteArray line = text.toLatin1().left(PtzService::kTextLine - 1);
    line.append(PtzService::kTextLine - line.size(), '\0');
    return line;
}

} // namespace

PtzService::PtzService(DeviceSim& sim, QTcpSocket* socket, PtzCamera& camera)
    : DeviceService(sim, socket), m_camera(camera)
{
    connect(socket, &QTcpSocket::readyRead, this, &PtzService::onReadyRead);
    m_frameTimer.setSingleShot(true);
    connect(&m_frameTimer, &QTimer::timeout, this, &PtzService::sendFrame);
    connect(&camera, &PtzCamera::moved, this, [this](const PtzCamera::Position& p) {
        if (!m_sinceReport.isValid() || m_sinceReport.elapsed() >= kReportMs)
            report(p);
    });
    connect(&camera, &PtzCamera::settled, this, &PtzService::report);
    m_flood.setInterval(1);
    connect(&m_flood, &QTimer::timeout, this, &PtzService::flood);
}

void PtzService::registerWith(DeviceSim& sim)
{
    auto* camera = new PtzCamera(&sim);
    const auto factory = [camera](DeviceSim& s, QTcpSocket* socket) -> DeviceService* {
        return new PtzService(s, socket, *camera);
    };
    sim.registerService(kGimbalService, factory);
    sim.registerService(kPtzService, factory);
}

PtzCamera* PtzService::cameraOf(DeviceSim& sim)
{
    return sim.findChild<PtzCamera*>(QString(), Qt::FindDirectChildrenOnly);
}

QByteArray PtzService::pictureLine(qint64 bytes)
{
    return textLine(QString::asprintf("CamPTZ %04u Frame %010d bytes", 0u, int(bytes)));
}

QByteArray PtzService::positionLine(const PtzCamera::Position& p)
{
    return textLine(QString::asprintf("MovPTZ pan %05u tlt %04u zm %05u", unsigned(p.pan),
                                      unsigned(p.tilt), unsigned(p.zoom)));
}

QByteArray PtzService::frameHeader(qint32 type, qint32 width, qint32 height, qint32 size,
                                   qint32 bufferFlag)
{
    QByteArray header(32, '\0');
    char* out = header.data();
    const qint32 fields[] = {type, width, height, size, bufferFlag, 0};
    for (qint32 field : fields) {
        qToLittleEndian(field, out);
        out += 4;
    }
    return header;
}

void PtzService::start(const QByteArray& pending)
{
    m_buffer = pending;
    process();
}

void PtzService::onReadyRead()
{
    m_buffer += m_socket->readAll();
    process();
}

void PtzService::process()
{
    if (!m_loggedIn) {
        const Login login = takeLogin(m_buffer);
        if (login == Login::Incomplete)
            return;
        if (login == Login::Refused) {
            m_buffer.clear();
            m_socket->disconnectFromHost();
            return;
        }
        m_loggedIn = true;
        report(m_camera.position());
        sendFrame();
        if (m_sim.faults().mode == DeviceFaults::PtzFlood)
            m_flood.start();
    }
    while (m_socket->isOpen() && takeRequest()) {
    }
}

bool PtzService::takeRequest()
{
    const qsizetype end = m_buffer.indexOf("\r\n");
    if (end < 0) {
        if (m_buffer.size() > kMaxLine)
            m_socket->abort();
        return false;
    }
    DeviceRequest request;
    request.line = m_buffer.left(end + 2);
    qsizetype taken = end + 2;
    if (request.line == kMoveRequest) {
        const qsizetype second = m_buffer.indexOf("\r\n", taken);
        if (second < 0)
            return false;
        const QByteArray lengthLine = m_buffer.mid(taken, second - taken);
        bool ok = false;
        request.length = lengthLine.startsWith("LENGTH=") ? lengthLine.mid(7).toLongLong(&ok) : -1;
        if (!ok || request.length < 0 || request.length > kMaxLine) {
            m_socket->abort();
            return false;
        }
        taken = second + 2;
        if (m_buffer.size() - taken < request.length)
            return false;
        request.payload = m_buffer.mid(taken, request.length);
        taken += request.length;
    }
    m_buffer.remove(0, taken);
    handle(request);
    return true;
}

void PtzService::handle(const DeviceRequest& request)
{
    if (request.line == kVideoOk) {
        m_waitingForAck = false;
        scheduleFrame();
        return;
    }
    m_sim.log().append(request);
    if (request.line == kMoveRequest)
        m_camera.command(request.payload);
    else if (request.line == kGotoDefaultRequest)
        m_camera.gotoDefault();
    else if (request.line == kStoreDefaultRequest)
        m_camera.storeDefault();
}

void PtzService::scheduleFrame()
{
    const qint64 wait = m_camera.frameIntervalMs() - m_sinceFrame.elapsed();
    m_frameTimer.start(int(qMax<qint64>(0, wait)));
}

void PtzService::sendFrame()
{
    if (m_waitingForAck || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!m_fixedCameraSent) {
        sendFixedCameraFrame();
        return;
    }
    const QByteArray jpeg = m_camera.jpeg();
    sendFaultyFrame(jpeg);
    m_socket->write(jpegFrame(jpeg, PtzCamera::kFrameWidth, qint32(jpeg.size())));
    m_waitingForAck = true;
    m_sinceFrame.restart();
}

// One picture of the fixed camera first, in the "Camera" form, as a device
// with fixed cameras sends it for alarm zones and calibration points drawn
// over their view. It shows the PTZ camera's scene, so a point of it has a
// known pan and tilt.
void PtzService::sendFixedCameraFrame()
{
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    PtzCamera::fixedView().save(&out, "JPEG", kFixedCameraQuality);
    const QByteArray line = textLine(QString::asprintf(
        "Camera %04u Frame %010d bytes", unsigned(kFixedCamera), int(32 + jpeg.size())));
    m_socket->write(line +
                    frameHeader(kJpegType, PtzCamera::kFrameWidth, PtzCamera::kFrameHeight,
                                qint32(jpeg.size())) +
                    jpeg);
    m_fixedCameraSent = true;
    m_waitingForAck = true;
    m_sinceFrame.restart();
}

// What the fault mode puts in front of each good frame: garbage, or a frame
// whose header the client must refuse.
void PtzService::sendFaultyFrame(const QByteArray& jpeg)
{
    const qint32 size = qint32(jpeg.size());
    switch (m_sim.faults().mode) {
    case DeviceFaults::PtzGarbage:
        m_socket->write(kGarbage);
        break;
    case DeviceFaults::PtzSizeMismatch:
        m_socket->write(jpegFrame(jpeg, PtzCamera::kFrameWidth, size + 1));
        break;
    case DeviceFaults::PtzHugeWidth:
        m_socket->write(jpegFrame(jpeg, kHugeWidth, size));
        break;
    default:
        break;
    }
}

QByteArray PtzService::jpegFrame(const QByteArray& jpeg, qint32 width, qint32 headerSize)
{
    return pictureLine(32 + jpeg.size()) +
           frameHeader(kJpegType, width, PtzCamera::kFrameHeight, headerSize) + jpeg;
}

void PtzService::report(const PtzCamera::Position& p)
{
    if (!m_loggedIn || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_socket->write(positionLine(p));
    m_sinceReport.restart();
}

// Position reports (and pictures) as fast as the client takes them, without
// waiting for any VIDEO_OK.
void PtzService::flood()
{
    constexpr qint64 kBacklog = 1024 * 1024;
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->bytesToWrite() > kBacklog)
        return;
    PtzCamera::Position p = m_camera.position();
    QByteArray burst;
    for (int i = 0; i < 1000; ++i) {
        p.pan = (p.pan + 1) % 36000;
        burst += positionLine(p);
    }
    if (m_sim.faults().message == "frames") {
        const QByteArray jpeg = m_camera.jpeg();
        burst += jpegFrame(jpeg, PtzCamera::kFrameWidth, qint32(jpeg.size()));
    }
    m_socket->write(burst);
}
