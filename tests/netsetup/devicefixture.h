#pragma once

#include "config/nbxnetsetup.h"
#include "devicesim.h"
#include "livestreamservice.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

// A scratch copy of a device (the test device unless named), played by an
// in-process emulator on an ephemeral loopback port.
struct DeviceFixture
{
    QTemporaryDir dir;
    DeviceSim sim;

#ifdef VELK_TEST_DEVICE
    DeviceFixture() : DeviceFixture(QStringLiteral(VELK_TEST_DEVICE)) {}
#endif
    explicit DeviceFixture(const QString& device) : sim(dir.path())
    {
        if (!DeviceFolder::copyFolder(device, dir.path()))
            qFatal("cannot copy the device %s", qPrintable(device));
        if (!sim.listen())
            qFatal("cannot listen: %s", qPrintable(sim.errorString()));
    }

    // The live stream in `codec` ("mpeg4" or "h264") from now on.
    void streamIn(const QString& codec)
    {
        LiveStreamService::registerOn(sim, codec);
    }

    QString path(const QString& name) const
    {
        return dir.filePath(name);
    }

    // `message` with "<device>" standing for host:port, as the link names
    // the device it talks to.
    QString named(QString message) const
    {
        return message.replace(
            QStringLiteral("<device>"),
            QStringLiteral("%1:%2").arg(sim.hostAddress().toString()).arg(sim.port()));
    }

    QByteArray bytes(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    void write(const QString& name, const QByteArray& data)
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
            qFatal("cannot write %s", qPrintable(name));
        sim.folder().reload();
    }

    // The payload of every request the device received with `line`.
    QList<QByteArray> payloadsOf(const QByteArray& line)
    {
        QList<QByteArray> payloads;
        for (const DeviceRequest& r : sim.log().requests()) {
            if (r.line == line)
                payloads.append(r.payload);
        }
        return payloads;
    }

    // Every file of the folder, to show that a failed exchange changed none.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> all;
        for (const QString& f : QDir(dir.path()).entryList(QDir::Files))
            all.insert(f, bytes(f));
        return all;
    }
};

inline QByteArray readLocal(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs one exchange of `setup` to its end: true when it finished, false when
// it reported an error (the messages are in `errors`).
template <typename Start>
bool runExchange(NBXNetSetup& setup, Start start, QStringList* errors = nullptr, int ms = 5000)
{
    QSignalSpy loaded(&setup, &NBXSetup::loadDone);
    QSignalSpy stored(&setup, &NBXSetup::storeDone);
    QSignalSpy failed(&setup, &NBXSetup::pseudothrow);
    start();
    (void)QTest::qWaitFor(
        [&] { return !loaded.isEmpty() || !stored.isEmpty() || !failed.isEmpty(); }, ms);
    for (const QList<QVariant>& e : qAsConst(failed)) {
        if (errors)
            errors->append(e.at(0).toString());
        else
            qWarning("exchange failed: %s", qPrintable(e.at(0).toString()));
    }
    return failed.isEmpty() && (!loaded.isEmpty() || !stored.isEmpty());
}
