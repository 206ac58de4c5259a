#pragma once

// A configuration source that names a PTZ peer, a scripted peer that
// records what a client sends, and the in-process device emulator.

#include "config/nbxsetup.h"
#include "devicesim.h"
#include "ptz/cptzvideoin.h"
#include "ptzservice.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The settings a PTZ control reads at construction, in files of a scratch
// folder.
struct PtzSource
{
    QTemporaryDir dir;
    NBXSetup setup{QString()};

    explicit PtzSource(const QString& url, const QString& password = QStringLiteral("secret"),
                       const QString& version = QString(), const QString& platform = QString())
    {
        for (const char* file : {"general", "streams", "Velk-Rimbal"})
            setup.setFilePath(QLatin1String(file), dir.filePath(QLatin1String(file) + ".ini"));
        set("general/network/url", url);
        set("general/network/login", QStringLiteral("admin"));
        set("general/network/password", password);
        if (!version.isEmpty())
            set("Velk-Rimbal/Common/Version", version);
        if (!platform.isEmpty())
            set("streams/common/platform", platform);
    }
    void set(const char* key, const QString& value)
    {
        setup.setValue(QLatin1String(key) + QLatin1Char('/') + value);
    }
    QString value(const char* key) { return setup.value(QLatin1String(key)); }
};

// Accepts connections, records when they came and what they sent, and
// can answer or close them.
class ScriptedPeer : public QObject
{
public:
    QTcpServer server;
    QList<QTcpSocket*> clients;
    QList<qint64> acceptedAtMs;
    QByteArray received;
    bool closeAtOnce = false;
    QElapsedTimer clock;

    ScriptedPeer()
    {
        clock.start();
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                acceptedAtMs << clock.elapsed();
                clients << s;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
                if (closeAtOnce)
                    s->disconnectFromHost();
            }
        });
        if (!server.listen(QHostAddress::LocalHost))
            qFatal("cannot listen");
    }
    QString url() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }
    void send(const QByteArray& bytes) { clients.last()->write(bytes); }
};

// The device emulator on an ephemeral loopback port; its folder is empty
// because the PTZ service reads no file.
struct PtzDevice
{
    QTemporaryDir dir;
    DeviceSim sim{dir.path()};
    PtzDevice()
    {
        if (!sim.listen())
            qFatal("cannot listen: %s", qPrintable(sim.errorString()));
    }
    QString url() const
    {
        return QStringLiteral("%1:%2").arg(sim.hostAddress().toString()).arg(sim.port());
    }
    PtzCamera& camera() { return *PtzService::cameraOf(sim); }
    // Payloads of the movement requests, each with its announced length.
    QStringList moves()
    {
        QStringList out;
        for (const DeviceRequest& r : sim.log().requests()) {
            if (r.line == "PUT PTZ COMMAND\r\n")
                out << QStringLiteral("%1 (%2)")
                           .arg(QString::fromLatin1(r.payload.trimmed()))
                           .arg(r.length);
        }
        return out;
    }
    bool received(const QByteArray& line)
    {
        for (const DeviceRequest& r : sim.log().requests()) {
            if (r.line == line)
                return true;
        }
        return false;
    }
};
