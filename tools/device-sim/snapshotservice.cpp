#include "snapshotservice.h"

#include "devicesim.h"
#include "snapshotpicture.h"

#include <QBuffer>
#include <QTcpSocket>
#include <QtEndian>

namespace {

constexpr int kJpegQuality = 90;

} // namespace

SnapshotService::SnapshotService(DeviceSim& sim, QTcpSocket* socket, QSize size)
    : DeviceService(sim, socket), m_size(size)
{
    connect(socket, &QTcpSocket::readyRead, this, &SnapshotService::onReadyRead);
}

void SnapshotService::start(const QByteArray& pending)
{
    m_buffer = pending;
    process();
}

void SnapshotService::onReadyRead()
{
    m_buffer += m_socket->readAll();
    process();
}

void SnapshotService::process()
{
    if (m_step == Step::Login) {
        const Login login = takeLogin(m_buffer);
        if (login == Login::Incomplete)
            return;
        if (login == Login::Refused) {
            // The client waits for the close to know it is over.
            m_step = Step::Done;
            m_socket->disconnectFromHost();
            return;
        }
        m_step = Step::Command;
    }
    if (m_step == Step::Command)
        takeCommand();
    if (m_step == Step::Done)
        m_buffer.clear();
}

void SnapshotService::takeCommand()
{
    const qsizetype end = m_buffer.indexOf("\r\n");
    if (end < 0) {
        if (m_buffer.size() > kMaxLine) {
            m_step = Step::Done;
            m_socket->abort();
        }
        return;
    }
    DeviceRequest request;
    request.line = m_buffer.left(end + 2);
    m_sim.log().append(request);
    m_step = Step::Done;
    serve();
    m_socket->disconnectFromHost();
}

void SnapshotService::serve()
{
    const DeviceFaults& faults = m_sim.faults();
    switch (faults.mode) {
    case DeviceFaults::SnapshotError:
        answer("-" + faults.message + ":emulated snapshot fault");
        return;
    case DeviceFaults::SnapshotClose:
        return;
    default:
        answer(jpeg());
        return;
    }
}

void SnapshotService::answer(const QByteArray& payload)
{
    char length[4];
    qToLittleEndian<quint32>(quint32(payload.size()), length);
    m_socket->write(length, sizeof length);
    m_socket->write(payload);
}

QByteArray SnapshotService::jpeg() const
{
    QByteArray data;
    QBuffer out(&data);
    out.open(QIODevice::WriteOnly);
    SnapshotPicture::draw(m_size, QTime::currentTime()).save(&out, "JPEG", kJpegQuality);
    return data;
}
