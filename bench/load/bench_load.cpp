// Loads of the sample device from the emulator over loopback, beside plain
// TCP exchanges of the same answer bytes in the same number of requests.

#include "config/nbxnetsetup.h"
#include "devicesim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRounds = 50;
const QByteArray kAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");

QByteArray frame(const QByteArray& payload)
{
    const QByteArray body = payload + "VELK_ANSWER=OK\r\n";
    return "LENGTH=" + QByteArray::number(body.size()) + "\r\n" + body;
}

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

// A server that knows every answer in advance.
class PlainServer : public QTcpServer
{
public:
    QHash<QByteArray, QByteArray> answers;

    PlainServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            auto buffer = std::make_shared<QByteArray>();
            auto loggedIn = std::make_shared<bool>(false);
            connect(s, &QTcpSocket::readyRead, s, [this, s, buffer, loggedIn] {
                *buffer += s->readAll();
                for (qsizetype end; (end = buffer->indexOf("\r\n")) >= 0;) {
                    const QByteArray line = buffer->left(end + 2);
                    buffer->remove(0, end + 2);
                    if (!*loggedIn) {
                        if (line.startsWith("PASS=")) {
                            *loggedIn = true;
                            s->write(kAccepted);
                        }
                        continue;
                    }
                    s->write(answers.value(line));
                }
            });
        });
    }
};

bool plainOnce(quint16 port, const QList<QByteArray>& requests)
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
    QObject::connect(&socket, &QTcpSocket::connected, &loop,
                     [&] { socket.write("\x04LOGIN=admin\r\nPASS=x\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        buffer += socket.readAll();
        const qsizetype end = buffer.indexOf("\r\n");
        if (end < 0)
            return;
        const qsizetype total = end + 2 + buffer.mid(7, end - 7).toLongLong();
        if (buffer.size() < total)
            return;
        buffer.remove(0, total);
        sendNext();
    });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&] { loop.quit(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
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

    // One load to learn the requests and the bytes answered to each.
    if (!loadOnce(sim.linkAddress()))
        return 1;
    PlainServer plain;
    QList<QByteArray> requests;
    for (const DeviceRequest& r : sim.log().requests()) {
        const DeviceFolder::Route route = sim.folder().route(r.line.chopped(2));
        QByteArray payload;
        if (route.kind == DeviceFolder::Setup)
            payload = sim.folder().setupAnswer();
        else
            sim.folder().readFile(route.fetchFile, payload);
        requests.append(r.line);
        plain.answers.insert(r.line, frame(payload));
    }
    if (!plain.listen(QHostAddress::LocalHost))
        return 1;

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kRounds; ++i) {
        if (!loadOnce(sim.linkAddress()))
            return 1;
    }
    const double ours = clock.nsecsElapsed() / 1e6;
    clock.restart();
    for (int i = 0; i < kRounds; ++i) {
        if (!plainOnce(plain.serverPort(), requests))
            return 1;
    }
    const double reference = clock.nsecsElapsed() / 1e6;
    std::printf("bench load: ours=%.1fms reference=%.1fms ratio=%.2f\n", ours, reference,
                ours / reference);
    return 0;
}
