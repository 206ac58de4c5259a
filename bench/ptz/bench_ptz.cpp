// PTZ pictures received and shown: 704x576 JPEG frames from the device
// emulator (a program of its own, sending as fast as they are acknowledged)
// through the PTZ control into a cross view, beside what any program that
// shows the picture does at least: decoding the same JPEG bytes with
// QImage::loadFromData and drawing the picture once into a surface of the
// view's size and of the format a window is painted in. Decoding alone is
// printed too. Times are processor time of this process per frame.
#include "config/nbxsetup.h"
#include "ptz/cptzcrossview.h"
#include "ptz/cptzvideoin.h"
#include "ptzcamera.h"
#include "util/cmd5hash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kWarmUp = 20;
constexpr int kFrames = 400;
const QSize kShown(704, 576);

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void print(const char* name, double ours, double reference, const char* unit)
{
    std::printf("bench %s: ours=%.3f%s reference=%.3f%s ratio=%.3f\n", name, ours, unit, reference,
                unit, ours / reference);
}

// Starts the emulator on a free loopback port; its address, or empty.
QString startDevice(QProcess& device)
{
    device.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/velk-device-sim"));
    device.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                         QStringLiteral("--ptz-interval"), QStringLiteral("0")});
    device.start();
    if (!device.waitForStarted() || !device.waitForReadyRead(10000))
        return QString();
    const QString line = QString::fromLocal8Bit(device.readLine());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(" on (127\\.0\\.0\\.1:\\d+)")).match(line);
    return m.hasMatch() ? m.captured(1) : QString();
}

struct Run
{
    double cpuPerFrame = 0;
    double framesPerSecond = 0;
};

Run receiveAndShow(const QString& address, const QString& folder)
{
    NBXSetup setup{QString()};
    setup.setFilePath(QStringLiteral("general"), folder + QStringLiteral("/general.ini"));
    setup.setValue(QStringLiteral("general/network/url/") + address);
    setup.setValue(QStringLiteral("general/network/login/admin"));
    setup.setValue(QStringLiteral("general/network/password/") +
                   CMD5Hash::DoHash(QStringLiteral("admin")));

    cPTZCrossView view;
    view.setFixedSize(kShown);
    view.setScaledContents(true);
    view.show();
    cPTZvideoIn control(&setup);
    int frames = 0;
    double cpuStart = 0;
    QElapsedTimer wall;
    QEventLoop loop;
    QObject::connect(&control, &cPTZvideoIn::signal_Pixmap_ready, [&] {
        if (control.camera() != 0)
            return;
        view.setPixmap(control.pixmap());
        view.repaint();
        if (++frames == kWarmUp) {
            cpuStart = cpuSeconds();
            wall.start();
        } else if (frames == kWarmUp + kFrames) {
            loop.quit();
        }
    });
    loop.exec();
    Run run;
    run.cpuPerFrame = (cpuSeconds() - cpuStart) / kFrames;
    run.framesPerSecond = kFrames / (wall.elapsed() / 1000.0);
    return run;
}

// Processor time per picture; `shown`, if valid, is the size of the
// surface each decoded picture is drawn into.
double decode(const QByteArray& jpeg, const QSize& shown)
{
    QImage surface(shown, QImage::Format_RGB32);
    quint64 sum = 0;
    const double start = cpuSeconds();
    for (int i = 0; i < kFrames; ++i) {
        QImage image;
        image.loadFromData(jpeg, "JPG");
        if (!surface.isNull()) {
            QPainter painter(&surface);
            painter.drawImage(surface.rect(), image);
            painter.end();
            sum += surface.pixel(0, 0);
        }
        sum += image.pixel(image.width() / 2, image.height() / 2);
    }
    const double seconds = cpuSeconds() - start;
    if (sum == 42)
        std::printf("\n");
    return seconds / kFrames;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QProcess device;
    const QString address = startDevice(device);
    if (address.isEmpty()) {
        std::fprintf(stderr, "bench ptz: the device emulator did not start\n");
        return 1;
    }
    const Run run = receiveAndShow(address, folder.path());
    device.kill();
    device.waitForFinished();

    // What the emulator sends while its camera stands at the start position.
    PtzCamera camera;
    const double shown = decode(camera.jpeg(), kShown);
    const double alone = decode(camera.jpeg(), QSize());
    print("ptz_frame_cpu", run.cpuPerFrame * 1000, shown * 1000, "ms");
    print("ptz_fps", run.framesPerSecond, 1.0 / shown, "fps");
    print("ptz_frame_cpu_vs_decode", run.cpuPerFrame * 1000, alone * 1000, "ms");
    return 0;
}
