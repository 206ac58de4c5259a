#pragma once

#include "devicefaults.h"
#include "devicefolder.h"
#include "devicelog.h"

#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QTcpServer>

#include <functional>

class DeviceService;
class QTcpSocket;

// An emulated device on a loopback address. Each connection is handed to
// the service registered for its first byte (0x04 is the command link,
// 0x06 the snapshot service, 0x01 the live stream, 0x10 and 0x13 the PTZ
// service).
class DeviceSim : public QObject
{
    Q_OBJECT
public:
    using ServiceFactory = std::function<DeviceService*(DeviceSim&, QTcpSocket*)>;

    static constexpr quint8 kCommandService = 0x04;
    static constexpr quint8 kSnapshotService = 0x06;
    static constexpr quint8 kLiveStreamService = 0x01;
    // The credentials a new device accepts until it is told others.
    static constexpr const char* kDefaultLogin = "admin";
    static constexpr const char* kDefaultPassword = "admin";

    explicit DeviceSim(const QString& folder, QObject* parent = nullptr);

    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }
    QHostAddress hostAddress() const { return m_server.serverAddress(); }
    QString errorString() const { return m_server.errorString(); }
    // login:digest@host:port, as a client addresses this device.
    QString linkAddress() const;

    void registerService(quint8 firstByte, ServiceFactory factory);

    void setCredentials(const QString& login, const QString& password);
    QString login() const { return m_login; }
    QString password() const { return m_password; }
    // The password as the link sends it: its text digest.
    QString passwordDigest() const;
    // Checks a login, refusing the first one when the faults say so.
    bool acceptLogin(const QByteArray& login, const QByteArray& passwordDigest);

    DeviceFolder& folder() { return m_folder; }
    DeviceLog& log() { return m_log; }
    DeviceFaults& faults() { return m_faults; }
    // Logins and requests are answered this many milliseconds late, as by a
    // recorder across a site's network; 0 answers at once.
    int answerDelay() const { return m_answerDelayMs; }
    void setAnswerDelay(int ms) { m_answerDelayMs = ms; }

private:
    void onNewConnection();
    void dispatch(QTcpSocket* socket);

    QTcpServer m_server;
    QMap<quint8, ServiceFactory> m_services;
    DeviceFolder m_folder;
    DeviceLog m_log;
    DeviceFaults m_faults;
    QString m_login = QLatin1String(kDefaultLogin);
    QString m_password = QLatin1String(kDefaultPassword);
    int m_loginCount = 0;
    int m_answerDelayMs = 0;
};
