// Stereo rectification on real camera views: the 13 chessboard pairs that
// OpenCV's documentation ships, served by the emulator's stereo service to
// the whole job (exchange, detection, calibration, rectification, tables),
// beside OpenCV's own stereo calibration example run on the same pairs.
//
// Both epipolar errors have one definition: over every corner of every
// pair, the distance of each undistorted corner from the epipolar line of
// its partner, both ways added, divided by the number of corners. Both RMS
// figures are stereoCalibrate's reprojection error. Times are the best of
// a few runs: our job from its start to the tables' arrival, the example's
// process from start to exit (it reads the pictures itself).

#include "config/nbxsetup.h"
#include "controls/stereorectification.h"
#include "stereofolderpairs.h"
#include "stereoservice.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 3;
const char* const kAddress = "127.0.0.17";

struct Figures
{
    double rms = -1;
    double epipolar = -1;
    double ms = 1e300;
};

void line(const char* name, double ours, double reference, const char* unit)
{
    std::printf("bench %s: ours=%.4f%s reference=%.4f%s ratio=%.3f\n", name, ours, unit, reference,
                unit, ours / reference);
}

bool fetchReference()
{
    QProcess fetch;
    fetch.setProcessChannelMode(QProcess::ForwardedChannels);
    fetch.start(QStringLiteral("bash"),
                {QStringLiteral(STEREO_FETCH_SCRIPT), QStringLiteral(STEREO_REFERENCE_DIR)});
    return fetch.waitForFinished(-1) && fetch.exitStatus() == QProcess::NormalExit &&
           fetch.exitCode() == 0;
}

double capture(const QString& text, const char* pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(QLatin1String(pattern)).match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

bool runReference(Figures& f)
{
    QProcess example;
    example.setWorkingDirectory(QStringLiteral(STEREO_REFERENCE_DIR "/data"));
    QElapsedTimer clock;
    clock.start();
    example.start(QStringLiteral(STEREO_REFERENCE_DIR "/stereo_calib"),
                  {QStringLiteral("-w=9"), QStringLiteral("-h=6"), QStringLiteral("-nr"),
                   QStringLiteral("stereo_calib.xml")});
    if (!example.waitForFinished(-1) || example.exitCode() != 0)
        return false;
    f.ms = std::min(f.ms, double(clock.nsecsElapsed()) / 1e6);
    const QString out = QString::fromLocal8Bit(example.readAllStandardOutput());
    f.rms = capture(out, "RMS error=([0-9.eE+-]+)");
    f.epipolar = capture(out, "average epipolar err = ([0-9.eE+-]+)");
    return f.rms >= 0 && f.epipolar >= 0;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return file.fileName();
}

// Accepts the results dialog, keeping a picture of the first one.
void acceptResults(bool& grabbed)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog || !dialog->isVisible() ||
            dialog->objectName() != QLatin1String("StereoResults"))
            continue;
        if (!grabbed) {
            QDir().mkpath(QStringLiteral(STEREO_BENCH_OUTPUT));
            grabbed =
                dialog->grab().save(QStringLiteral(STEREO_BENCH_OUTPUT "/stereo-real-results.png"));
        }
        dialog->accept();
    }
}

bool runOurs(StereoPairSource& views, Figures& f, bool& grabbed)
{
    QTemporaryDir dir;
    NBXSetup source{QString()};
    source.setFilePath(
        QStringLiteral("general"),
        write(dir, QStringLiteral("general.ini"), QByteArray("[network]\nurl=") + kAddress + "\n"));
    source.setFilePath(
        QStringLiteral("streams"),
        write(dir, QStringLiteral("streams.ini"),
              "[stereo]\nnumber_of_images_to_rectify=" + QByteArray::number(views.count() - 1) +
                  "\nnumber_of_corners_row=9\nnumber_of_corners_column=6\n"
                  "pixel_size=6\n"));
    StereoService service(&views);
    if (!service.listen(QHostAddress(QLatin1String(kAddress))))
        return false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&grabbed] { acceptResults(grabbed); });
    answer.start(1);
    QElapsedTimer clock;
    clock.start();
    const StereoRectification job(&source, nullptr);
    while (!service.isComplete() && job.status() == StereoService::kAccepted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    f.ms = std::min(f.ms, double(clock.nsecsElapsed()) / 1e6);
    f.rms = job.rms();
    f.epipolar = job.error();
    if (service.pairsServed() != views.count())
        std::fprintf(stderr, "bench_stereo: our job was served %d pairs for %d views\n",
                     service.pairsServed(), views.count());
    return service.verdict() == StereoService::kAccepted;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!fetchReference()) {
        std::fprintf(stderr, "bench_stereo: cannot bring the real views and the example\n");
        return 1;
    }
    StereoFolderPairs views(QStringLiteral(STEREO_REFERENCE_DIR "/data"));
    if (!views.isValid())
        return 1;
    QTemporaryDir work; // the job leaves its intrinsics in the current folder
    QDir::setCurrent(work.path());

    Figures reference, ours;
    bool grabbed = false;
    for (int run = 0; run < kRuns; ++run) {
        if (!runReference(reference) || !runOurs(views, ours, grabbed)) {
            std::fprintf(stderr, "bench_stereo: a run failed\n");
            return 1;
        }
    }
    std::printf("stereo: %d real pairs; epipolar error as the sum of both distances per "
                "corner, averaged over corners\n",
                views.count());
    line("stereo_rms_real", ours.rms, reference.rms, "px");
    line("stereo_epipolar_real", ours.epipolar, reference.epipolar, "px");
    line("stereo_time_real", ours.ms, reference.ms, "ms");
    return 0;
}
