#include "cinformer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Serves a table of devices on 127.0.0.1:5049 for the setup plug-in.");
    parser.addHelpOption();
    const QCommandLineOption device(
        {"d", "device"}, "A device to list: address,name[,platform] (repeatable).", "device");
    const QCommandLineOption idle("idle-exit",
                                  "Quit after this many seconds without a request "
                                  "(0: never; default 30).",
                                  "seconds", "30");
    parser.addOption(device);
    parser.addOption(idle);
    parser.process(app);

    const int idleSeconds = parser.value(idle).toInt();
    cInformer informer(idleSeconds);
    for (const QString& given : parser.values(device)) {
        const QStringList parts = given.split(',');
        informer.addDevice(parts.value(0).toLocal8Bit(), parts.value(1).toLocal8Bit(),
                           parts.mid(2).join(',').toLocal8Bit());
    }
    // Another informer already serves: nothing to do.
    if (!informer.listen()) {
        std::fprintf(stderr, "informer: 127.0.0.1:5049 is in use\n");
        return 1;
    }
    // One line, so whoever started it can tell it is up.
    const QString quits =
        idleSeconds > 0 ? QStringLiteral("quits after %1 s without a request").arg(idleSeconds)
                        : QStringLiteral("runs until stopped");
    std::printf("informer: serving %lld device(s) on 127.0.0.1:%d; %s\n",
                static_cast<long long>(informer.deviceCount()), cODAdaptor::kPort,
                qPrintable(quits));
    std::fflush(stdout);
    return app.exec();
}
