// Loads of the sample device from the emulator over loopback by the device
// link, beside a plain client that sends the same login and the same
// requests to the same emulator, reads each answer frame, and does the local
// work every client must do: each answer written once to a file of a folder
// of its own, the description unpacked and checked. The emulator's own work
// (reading files, compressing the description) is on both sides, so the
// ratio shows what the link adds. Rounds alternate between the two, so that
// a neighbour's load on the machine falls on both alike.
//
// The second line counts the read and write calls of the whole process per
// load (/proc/self/io), the emulator's on both sides alike.
//
// Stores are measured the same way: a link that has loaded the device stores
// one edit in each of four files (with the state file compiled from them),
// beside the plain client sending the same requests, keeping each file it
// sends once in a file of its own folder. Loading and editing are outside
// the timing; each round edits to other values, so every round sends.

#include "config/nbxnetsetup.h"
#include "devicesim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <zlib.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRounds = 50;

// Runs one exchange of `setup`, started by `start`, until `done` or an error.
template <typename Done> bool exchange(NBXNetSetup& setup, Done done, void (NBXNetSetup::*start)())
{
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&setup, done, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&setup, &NBXSetup::pseudothrow, &loop, [&](const QString& e) {
        std::fprintf(stderr, "exchange failed: %s\n", qPrintable(e));
        loop.quit();
    });
    (setup.*start)();
    loop.exec();
    return ok;
}

bool loadOnce(const QString& address)
{
    NBXNetSetup setup(address);
    return exchange(setup, &NBXSetup::loadDone, &NBXNetSetup::load);
}

// One value in each of four files, different in every round.
QStringList storeEdits(int round)
{
    const QString v = QString::number(round % 2);
    return {"streams/common/name/Velk NVR " + v, "net/common/hostname/velk-" + v,
            "time/untitled/TIME_SERVER/ntp" + v + ".example", "users/accounts/NAME2/guard" + v};
}

// Read and write calls of this process so far.
qint64 ioCalls()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    qint64 calls = 0;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("syscr:") || line.startsWith("syscw:"))
            calls += line.mid(6).trimmed().toLongLong();
    }
    return calls;
}

// The description as any client must take it: unpacked and read through.
bool checkDescription(const QByteArray& packed)
{
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    z.avail_in = uInt(packed.size());
    QByteArray plain;
    char buffer[16 * 1024];
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        plain.append(buffer, qsizetype(sizeof buffer - z.avail_out));
    }
    inflateEnd(&z);
    QXmlStreamReader xml(plain);
    while (!xml.atEnd())
        xml.readNext();
    return r == Z_STREAM_END && !xml.hasError();
}

bool writeOnce(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// What the plain client does with the answer to request `index`, given the
// folder it keeps its files in.
using Keep = std::function<bool(const QTemporaryDir& files, int index, const QByteArray& answer)>;

// Keeps each answer in a file and checks the description, the first answer.
bool keepLoaded(const QTemporaryDir& files, int index, const QByteArray& answer)
{
    return writeOnce(files.filePath(QString::number(index)), answer) &&
           (index > 0 || checkDescription(answer));
}

// Logs in and sends each request once the previous answer frame is whole.
bool plainOnce(const DeviceSim& sim, const QByteArray& login, const QList<QByteArray>& requests,
               const Keep& keep)
{
    QTemporaryDir files;
    bool kept = true;
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
        if (next >= 0) {
            const QByteArray answer = buffer.mid(end + 2, total - end - 2);
            kept = kept && keep(files, next, answer);
        }
        buffer.remove(0, total);
        sendNext();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&] { loop.quit(); });
    socket.connectToHost(sim.hostAddress(), sim.port());
    loop.exec();
    return ok && kept;
}

QList<QByteArray> loggedRequests(DeviceSim& sim)
{
    QList<QByteArray> requests;
    for (const DeviceRequest& r : sim.log().requests())
        requests.append(r.wire());
    sim.log().clear();
    return requests;
}

void print(const char* name, qint64 ours, qint64 reference, qint64 ourCalls, qint64 referenceCalls)
{
    std::printf("bench %s: ours=%.1fms reference=%.1fms ratio=%.2f\n", name, ours / 1e6,
                reference / 1e6, double(ours) / double(reference));
    std::printf("bench %s_io_calls: ours=%.1fcalls reference=%.1fcalls ratio=%.2f\n", name,
                double(ourCalls) / kRounds, double(referenceCalls) / kRounds,
                double(ourCalls) / double(qMax<qint64>(1, referenceCalls)));
}

// Times stores beside the plain client; false when one failed.
bool benchStores(DeviceSim& sim, const QByteArray& login)
{
    QElapsedTimer clock;
    qint64 ours = 0, reference = 0, ourCalls = 0, referenceCalls = 0;
    for (int i = 0; i < kRounds; ++i) {
        NBXNetSetup setup(sim.linkAddress());
        if (!exchange(setup, &NBXSetup::loadDone, &NBXNetSetup::load))
            return false;
        for (const QString& edit : storeEdits(i))
            setup.setValue(edit);
        sim.log().clear();
        qint64 calls = ioCalls();
        clock.start();
        if (!exchange(setup, &NBXSetup::storeDone, &NBXNetSetup::store))
            return false;
        ours += clock.nsecsElapsed();
        ourCalls += ioCalls() - calls;
        QList<QByteArray> sent;
        for (const DeviceRequest& r : sim.log().requests())
            sent.append(r.payload);
        const QList<QByteArray> requests = loggedRequests(sim);
        calls = ioCalls();
        clock.start();
        const Keep keepSent = [&](const QTemporaryDir& files, int index, const QByteArray&) {
            return writeOnce(files.filePath(QString::number(index)), sent.at(index));
        };
        if (!plainOnce(sim, login, requests, keepSent))
            return false;
        reference += clock.nsecsElapsed();
        referenceCalls += ioCalls() - calls;
        sim.log().clear();
    }
    print("store", ours, reference, ourCalls, referenceCalls);
    return true;
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
    const QList<QByteArray> requests = loggedRequests(sim);
    const QByteArray login =
        "\x04LOGIN=" + sim.login().toUtf8() + "\r\nPASS=" + sim.passwordDigest().toUtf8() + "\r\n";

    QElapsedTimer clock;
    qint64 ours = 0;
    qint64 reference = 0;
    qint64 ourCalls = 0;
    qint64 referenceCalls = 0;
    for (int i = 0; i < kRounds; ++i) {
        qint64 calls = ioCalls();
        clock.start();
        if (!loadOnce(sim.linkAddress()))
            return 1;
        ours += clock.nsecsElapsed();
        ourCalls += ioCalls() - calls;
        calls = ioCalls();
        clock.start();
        if (!plainOnce(sim, login, requests, keepLoaded)) {
            std::fprintf(stderr, "the plain client failed\n");
            return 1;
        }
        reference += clock.nsecsElapsed();
        referenceCalls += ioCalls() - calls;
        sim.log().clear();
    }
    print("load", ours, reference, ourCalls, referenceCalls);
    if (!benchStores(sim, login)) {
        std::fprintf(stderr, "a store failed\n");
        return 1;
    }
    return 0;
}
