#include "devicesim.h"

#include "commandservice.h"
#include "livestreamservice.h"
#include "ptzservice.h"
#include "snapshotservice.h"
#include "util/cmd5hash.h"

#include <QTcpSocket>

DeviceSim::DeviceSim(const QString& folder, QObject* parent) : QObject(parent), m_folder(folder)
{
    connect(&m_server, &QTcpServer::newConnection, this, &DeviceSim::onNewConnection);
    registerService(kCommandService, [](DeviceSim& sim, QTcpSocket* socket) -> DeviceService* {
        return new CommandService(sim, socket);
    });
    registerService(kSnapshotService, [](DeviceSim& sim, QTcpSocket* socket) -> DeviceService* {
        return new SnapshotService(sim, socket);
    });
    LiveStreamService::registerOn(*this, QStringLiteral("mpeg4"));
    PtzService::registerWith(*this);
}

bool DeviceSim::listen(const QHostAddress& address, quint16 port)
{
    return m_server.listen(address, port);
}

QString DeviceSim::linkAddress() const
{
    return QStringLiteral("%1:%2@%3:%4")
        .arg(m_login, passwordDigest(), hostAddress().toString())
        .arg(port());
}

void DeviceSim::registerService(quint8 firstByte, ServiceFactory factory)
{
    m_services.insert(firstByte, std::move(factory));
}

void DeviceSim::setCredentials(const QString& login, const QString& password)
{
    m_login = login;
    m_password = password;
}

QString DeviceSim::passwordDigest() const
{
    return CMD5Hash::DoHash(m_password);
}

bool DeviceSim::acceptLogin(const QByteArray& login, const QByteArray& passwordDigest)
{
    const bool first = m_loginCount++ == 0;
    if (first && m_faults.mode == DeviceFaults::RefuseFirstLogin)
        return false;
    return login == m_login.toUtf8() && passwordDigest == this->passwordDigest().toUtf8();
}

void DeviceSim::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The first byte picks the service; wait for it.
        auto pick = std::make_shared<QMetaObject::Connection>();
        *pick = connect(socket, &QTcpSocket::readyRead, this, [this, socket, pick] {
            disconnect(*pick);
            dispatch(socket);
        });
    }
}

void DeviceSim::dispatch(QTcpSocket* socket)
{
    char first = 0;
    socket->getChar(&first);
    const auto it = m_services.constFind(quint8(first));
    if (it == m_services.constEnd()) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    DeviceService* service = (*it)(*this, socket);
    service->start(socket->readAll());
}
