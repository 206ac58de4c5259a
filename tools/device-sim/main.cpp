// velk-device-sim: plays one device on a loopback address.

#include "devicesim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Emulates a device on a loopback address."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("Address to serve."),
                                    QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.2:5049"));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("Device folder (default: a scratch copy of the "
                                                "sample device)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption login(QStringLiteral("login"), QStringLiteral("Accepted login."),
                                   QStringLiteral("L"), QStringLiteral("admin"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Accepted password, plain text."),
                                      QStringLiteral("P"), QString());
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("refuse-login, error[:MESSAGE], silent, "
                                                  "close-mid-frame, garbage or huge-length."),
                                   QStringLiteral("MODE"));
    parser.addOptions({listen, dir, login, password, fault});
    parser.process(app);

    QTemporaryDir scratch;
    QString folder = parser.value(dir);
    if (folder.isEmpty()) {
        // The sample stays as it is; uploads land in the copy.
        if (!scratch.isValid() || !DeviceFolder::copyFolder(VELK_SAMPLE_DEVICE, scratch.path())) {
            std::fprintf(stderr, "cannot copy the sample device from %s\n", VELK_SAMPLE_DEVICE);
            return 1;
        }
        folder = scratch.path();
    }

    const QString hostPort = parser.value(listen);
    const QHostAddress host(hostPort.section(QLatin1Char(':'), 0, 0));
    bool portOk = false;
    const quint16 port = hostPort.section(QLatin1Char(':'), 1).toUShort(&portOk);
    if (!host.isLoopback() || !portOk) {
        std::fprintf(stderr, "--listen takes a loopback HOST:PORT, not %s\n", qPrintable(hostPort));
        return 2;
    }

    DeviceSim sim(folder);
    sim.setCredentials(parser.value(login), parser.value(password));
    if (parser.isSet(fault) && !DeviceFaults::parse(parser.value(fault), sim.faults())) {
        std::fprintf(stderr, "unknown fault mode %s\n", qPrintable(parser.value(fault)));
        return 2;
    }
    if (!sim.listen(host, port)) {
        std::fprintf(stderr, "cannot listen on %s: %s\n", qPrintable(hostPort),
                     qPrintable(sim.errorString()));
        return 1;
    }
    QObject::connect(&sim.log(), &DeviceLog::appended,
                     [](const DeviceRequest& r) { out() << r.describe() << Qt::endl; });
    QObject::connect(&sim.log(), &DeviceLog::loggedIn, [](const DeviceLogin& l) {
        out() << QStringLiteral("login \"%1\" %2")
                     .arg(DeviceLog::printable(l.login),
                          l.accepted ? QStringLiteral("accepted") : QStringLiteral("refused"))
              << Qt::endl;
    });
    out() << QStringLiteral("device %1 on %2").arg(folder, hostPort) << Qt::endl;
    return app.exec();
}
