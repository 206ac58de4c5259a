#include "stereoservice.h"

#include "stereopairsource.h"

#include <QTcpSocket>
#include <QtEndian>

StereoService::StereoService(StereoPairSource* source, QObject* parent)
    : QObject(parent), m_source(source)
{
    connect(&m_server, &QTcpServer::newConnection, this, &StereoService::onNewConnection);
    m_trickleTimer.setInterval(kTrickleMs);
    connect(&m_trickleTimer, &QTimer::timeout, this, &StereoService::trickle);
}

void StereoService::setAccepting(bool accepting)
{
    if (accepting)
        m_server.resumeAccepting();
    else
        m_server.pauseAccepting();
}

void StereoService::trickle()
{
    if (!m_socket || m_trickle.isEmpty()) {
        m_trickleTimer.stop();
        return;
    }
    m_socket->write(m_trickle.left(1));
    m_trickle.remove(0, 1);
}

bool StereoService::listen(const QHostAddress& address, quint16 port)
{
    return m_server.listen(address, port);
}

QSize StereoService::size() const
{
    return m_sizeReported ? m_reportedSize : m_source->size();
}

// One client at a time, as the device has one stereo head; a new one
// replaces the old.
void StereoService::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (m_socket)
            m_socket->abort();
        m_socket = socket;
        m_buffer.clear();
        m_trickle.clear();
        m_step = Step::Command;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, &StereoService::onReadyRead);
    }
}

void StereoService::onReadyRead()
{
    m_buffer.append(m_socket->readAll());
    while (m_step == Step::Command && m_buffer.size() >= 4) {
        const qint32 value = qFromLittleEndian<qint32>(m_buffer.constData());
        m_buffer.remove(0, 4);
        command(value);
    }
    if (m_step == Step::Tables)
        takeTables();
    if (m_step == Step::Done)
        m_buffer.clear();
}

void StereoService::command(qint32 value)
{
    m_commands.append(value);
    if (value == kAskSize) {
        if (m_stall != Stall::AtSize)
            sendInts({size().width(), size().height()});
    } else if (value == kAskPair) {
        if (m_stall != Stall::AtPair)
            sendPair();
    } else {
        verdictReceived(value);
    }
}

void StereoService::verdictReceived(qint32 value)
{
    m_verdict = value;
    if (value == kAccepted) {
        m_step = Step::Tables;
        return;
    }
    m_step = Step::Done;
    m_complete = true;
    emit completed();
}

// Both tables, n integers each, where n is the size the service gave.
void StereoService::takeTables()
{
    const qsizetype n = qsizetype(size().width()) * size().height();
    if (m_buffer.size() < 2 * n * 4)
        return;
    for (int camera = 0; camera < 2; ++camera) {
        m_tables[camera].resize(n);
        qFromLittleEndian<qint32>(m_buffer.constData() + camera * n * 4, n,
                                  m_tables[camera].data());
    }
    m_buffer.remove(0, 2 * n * 4);
    m_step = Step::Done;
    m_complete = true;
    emit completed();
}

void StereoService::sendPair()
{
    QByteArray left, right;
    ++m_pairsServed;
    if (m_blankEvery > 0 && m_pairsServed % m_blankEvery == 0) {
        left = right =
            QByteArray(qsizetype(m_source->size().width()) * m_source->size().height(), char(128));
    } else {
        m_source->pair(m_next, left, right);
        m_next = (m_next + 1) % m_source->count();
    }
    if (m_stall == Stall::Trickle) {
        m_trickle = left + right;
        m_trickleTimer.start();
        return;
    }
    m_socket->write(left);
    m_socket->write(right);
    if (m_pairsServed == m_closeAfterPairs)
        m_socket->disconnectFromHost();
}

void StereoService::sendInts(std::initializer_list<qint32> values)
{
    for (qint32 v : values) {
        char bytes[4];
        qToLittleEndian<qint32>(v, bytes);
        m_socket->write(bytes, 4);
    }
}
