// Loads of the sample device from the emulator over loopback by the device
// link, beside a plain client that sends the same login and the same
// requests to the same emulator and reads each answer frame. The emulator's
// own work (reading files, compressing the description) is on both sides,
// so the ratio shows what the link adds. Rounds alternate between the two,
// so that a neighbour's load on the machine falls on both alike.

#include "config/nbxnetsetup.h"
#include "devicesim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRounds = 50;

bool loadOnce(const QString& address)
{
    NBXNetSetup setup(address);
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&setup, &NBXSetup::loadDone, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&setup, &NBXSetup::pseudothrow, &loop, [&](const QString& e) {
        std::fprintf(stderr, "load failed: %s\n", qPrintable(e));
        loop.quit();
    });
    setup.load();
    loop.exec();
    return ok;
}

// Logs in and sends each request once the previous answer frame is whole.
bool plainOnce(const DeviceSim& sim, const QByteArray& login, const QList<QByteArray>& requests)
{
    QTcpSocket socket;
    QEventLoop loop;
    QByteArray buffer;
    int next = -1; // -1: waiting for the login answer
    bool ok = false;
    auto sendNext = [&] {
        if (++next < requests.size()) {
            socket.write(requests.at(next));
            return;
        }
        ok = true;
        socket.disconnectFromHost();
        loop.quit();
    };
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(login); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        buffer += socket.readAll();
        const qsizetype end = buffer.indexOf("\r\n");
        if (!buffer.startsWith("LENGTH=") || end < 0)
            return;
        const qsizetype total = end + 2 + buffer.mid(7, end - 7).toLongLong();
        if (buffer.size() < total)
            return;
        buffer.remove(0, total);
        sendNext();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&] { loop.quit(); });
    socket.connectToHost(sim.hostAddress(), sim.port());
    loop.exec();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    if (!DeviceFolder::copyFolder(VELK_SAMPLE_DEVICE, scratch.path())) {
        std::fprintf(stderr, "no sample device in %s\n", VELK_SAMPLE_DEVICE);
        return 1;
    }
    DeviceSim sim(scratch.path());
    if (!sim.listen())
        return 1;

    // One load to learn the requests the link sends, in their order.
    if (!loadOnce(sim.linkAddress()))
        return 1;
    QList<QByteArray> requests;
    for (const DeviceRequest& r : sim.log().requests())
        requests.append(r.wire());
    const QByteArray login =
        "\x04LOGIN=" + sim.login().toUtf8() + "\r\nPASS=" + sim.passwordDigest().toUtf8() + "\r\n";
    sim.log().clear();

    QElapsedTimer clock;
    qint64 ours = 0;
    qint64 reference = 0;
    for (int i = 0; i < kRounds; ++i) {
        clock.start();
        if (!loadOnce(sim.linkAddress()))
            return 1;
        ours += clock.nsecsElapsed();
        clock.start();
        if (!plainOnce(sim, login, requests))
            return 1;
        reference += clock.nsecsElapsed();
        sim.log().clear();
    }
    std::printf("bench load: ours=%.1fms reference=%.1fms ratio=%.2f\n", ours / 1e6,
                reference / 1e6, double(ours) / double(reference));
    return 0;
}
