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

// Logs in and sends each request once the previous answer frame is whole;
// keeps each answer in a file and checks the description, the first answer.
bool plainOnce(const DeviceSim& sim, const QByteArray& login, const QList<QByteArray>& requests)
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
            kept = kept && writeOnce(files.filePath(QString::number(next)), answer) &&
                   (next > 0 || checkDescription(answer));
        }
        buffer.remove(0, total);
        sendNext();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&] { loop.quit(); });
    socket.connectToHost(sim.hostAddress(), sim.port());
    loop.exec();
    return ok && kept;
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
        if (!plainOnce(sim, login, requests)) {
            std::fprintf(stderr, "the plain client failed\n");
            return 1;
        }
        reference += clock.nsecsElapsed();
        referenceCalls += ioCalls() - calls;
        sim.log().clear();
    }
    std::printf("bench load: ours=%.1fms reference=%.1fms ratio=%.2f\n", ours / 1e6,
                reference / 1e6, double(ours) / double(reference));
    std::printf("bench load_io_calls: ours=%.1fcalls reference=%.1fcalls ratio=%.2f\n",
                double(ourCalls) / kRounds, double(referenceCalls) / kRounds,
                double(ourCalls) / double(qMax<qint64>(1, referenceCalls)));
    return 0;
}
