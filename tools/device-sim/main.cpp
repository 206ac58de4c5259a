// velk-device-sim: plays one device on a loopback address.

#include "devicesim.h"
#include "livestreamservice.h"
#include "ptzservice.h"
#include "stereofolderpairs.h"
#include "stereorig.h"
#include "stereoservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

enum Exit
{
    Failed = 1,
    UsageError = 2
};

const char* const kDefaultListen = "127.0.0.2:5049";

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int usageError(const QString& message)
{
    std::fprintf(stderr, "velk-device-sim: %s\n", qPrintable(message));
    return UsageError;
}

QString withDefault(const char* text, const char* value)
{
    return QStringLiteral("%1 (default: %2).").arg(QLatin1String(text), QLatin1String(value));
}

// HOST:PORT with a loopback host; port 0 picks a free one.
bool parseListen(const QString& text, QHostAddress& host, quint16& port)
{
    host = QHostAddress(text.section(QLatin1Char(':'), 0, 0));
    bool portOk = false;
    port = text.section(QLatin1Char(':'), 1).toUShort(&portOk);
    return host.isLoopback() && portOk;
}

void logTraffic(DeviceLog& log)
{
    QObject::connect(&log, &DeviceLog::appended,
                     [](const DeviceRequest& r) { out() << r.describe() << Qt::endl; });
    QObject::connect(&log, &DeviceLog::loggedIn, [](const DeviceLogin& l) {
        out() << QStringLiteral("login \"%1\" %2")
                     .arg(DeviceLog::printable(l.login),
                          l.accepted ? QStringLiteral("accepted") : QStringLiteral("refused"))
              << Qt::endl;
    });
}

// The sample device beside an installed emulator, else the one in the build
// tree it was built in.
QString sampleDevice()
{
#ifdef VELK_INSTALLED_SAMPLE_DEVICE
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral(VELK_INSTALLED_SAMPLE_DEVICE));
    if (QFileInfo(installed).isDir())
        return installed;
#endif
    return QStringLiteral(VELK_SAMPLE_DEVICE);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Emulates a device on a loopback address."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    withDefault("Loopback address to serve; port 0 picks a free "
                                                "one and the first line names it",
                                                kDefaultListen),
                                    QStringLiteral("HOST:PORT"), QLatin1String(kDefaultListen));
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("Existing device folder; uploads change it "
                                                "(default: a scratch copy of the sample device)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption login(QStringLiteral("login"),
                                   withDefault("Accepted login", DeviceSim::kDefaultLogin),
                                   QStringLiteral("L"), QLatin1String(DeviceSim::kDefaultLogin));
    const QCommandLineOption password(
        QStringLiteral("password"),
        withDefault("Accepted password, plain text", DeviceSim::kDefaultPassword),
        QStringLiteral("P"), QLatin1String(DeviceSim::kDefaultPassword));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("refuse-login, error[:MESSAGE], silent, "
                       "close-mid-frame, garbage, huge-length, "
                       "snapshot-error:DIGIT, snapshot-close, ptz-garbage, "
                       "ptz-size-mismatch, ptz-huge-width, "
                       "drop-key:FILE/SECTION/NAME (uploads are acknowledged "
                       "but stored without that key), answer-long[:ok] (1 MiB of "
                       "text in every answer), negative-length, stream-junk "
                       "(the live stream sends no RSN3), ptz-flood[:frames] "
                       "(position reports, and pictures, without waiting), "
                       "stereo-trickle (a byte every 200 ms) or "
                       "stereo-noaccept; a command "
                       "fault with the prefix upload- hits only "
                       "uploads (the store after OK)."),
        QStringLiteral("MODE"));
    const QCommandLineOption streamCodec(
        QStringLiteral("stream-codec"),
        withDefault("Codec of the live stream, mpeg4 or h264", "mpeg4"), QStringLiteral("CODEC"),
        QStringLiteral("mpeg4"));
    const QCommandLineOption ptzInterval(
        QStringLiteral("ptz-interval"),
        QStringLiteral("Least time between two PTZ pictures in ms (default: 40)."),
        QStringLiteral("MS"), QStringLiteral("40"));
    const QCommandLineOption stereoPairs(
        QStringLiteral("stereo-pairs"),
        QStringLiteral("Folder of leftNN/rightNN pictures the stereo service (port %1 of the "
                       "same host) serves (default: views of a rendered stereo rig).")
            .arg(StereoService::kDefaultPort),
        QStringLiteral("DIR"));
    parser.addOptions({listen, dir, login, password, fault, streamCodec, ptzInterval, stereoPairs});
    parser.process(app);

    QHostAddress host;
    quint16 port = 0;
    if (!parseListen(parser.value(listen), host, port))
        return usageError(QStringLiteral("--listen takes a loopback HOST:PORT, not %1")
                              .arg(parser.value(listen)));
    // A mistyped folder would otherwise serve nothing and take every upload
    // into a folder nobody looks at.
    QString folder = parser.value(dir);
    if (parser.isSet(dir) && !QFileInfo(folder).isDir())
        return usageError(QStringLiteral("--dir %1 is not an existing folder").arg(folder));

    DeviceFaults faults;
    if (parser.isSet(fault) && !DeviceFaults::parse(parser.value(fault), faults))
        return usageError(QStringLiteral("unknown fault mode %1").arg(parser.value(fault)));

    if (!LiveStreamService::isCodec(parser.value(streamCodec)))
        return usageError(QStringLiteral("unknown stream codec %1").arg(parser.value(streamCodec)));

    // The stereo head: rendered views unless real ones are given.
    std::unique_ptr<StereoPairSource> views;
    if (parser.isSet(stereoPairs)) {
        auto pairs = std::make_unique<StereoFolderPairs>(parser.value(stereoPairs));
        if (!pairs->isValid())
            return usageError(QStringLiteral("--stereo-pairs %1 holds no left/right pictures "
                                             "of one size")
                                  .arg(parser.value(stereoPairs)));
        views = std::move(pairs);
    } else {
        views = std::make_unique<StereoRig>();
    }

    QTemporaryDir scratch;
    if (folder.isEmpty()) {
        // The sample stays as it is; uploads land in the copy.
        const QString sample = sampleDevice();
        if (!scratch.isValid() || !DeviceFolder::copyFolder(sample, scratch.path())) {
            std::fprintf(stderr, "velk-device-sim: cannot copy the sample device from %s\n",
                         qPrintable(sample));
            return Failed;
        }
        folder = scratch.path();
    }

    DeviceSim sim(folder);
    sim.setCredentials(parser.value(login), parser.value(password));
    sim.faults() = faults;
    LiveStreamService::registerOn(sim, parser.value(streamCodec));
    PtzService::cameraOf(sim)->setFrameIntervalMs(qMax(0, parser.value(ptzInterval).toInt()));
    if (!sim.listen(host, port)) {
        std::fprintf(stderr, "velk-device-sim: cannot listen on %s: %s\n",
                     qPrintable(parser.value(listen)), qPrintable(sim.errorString()));
        return Failed;
    }
    logTraffic(sim.log());

    StereoService stereo(views.get());
    if (faults.mode == DeviceFaults::StereoTrickle)
        stereo.setStall(StereoService::Stall::Trickle);
    if (!stereo.listen(host))
        std::fprintf(stderr, "velk-device-sim: no stereo service: %s\n",
                     qPrintable(stereo.errorString()));
    stereo.setAccepting(faults.mode != DeviceFaults::StereoNoAccept);
    QObject::connect(&stereo, &StereoService::completed, [&stereo] {
        out() << QStringLiteral("stereo verdict %1 after %2 pairs")
                     .arg(stereo.verdict())
                     .arg(stereo.pairsServed())
              << Qt::endl;
    });
    out() << QStringLiteral("device %1 on %2:%3")
                 .arg(folder, sim.hostAddress().toString())
                 .arg(sim.port())
          << Qt::endl;
    return app.exec();
}
