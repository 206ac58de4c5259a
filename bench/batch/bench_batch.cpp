// velk-config setting two keys (store and verified read-back) on 20
// emulated recorders, one at a time and eight at a time. The emulators run
// in this process; the program is a child, as an installer runs it. The
// reference is the one-at-a-time run divided by eight: what eight jobs
// would take if their work overlapped perfectly.
//
// batch_parallel: the recorders answer 20 ms late, as across a site's
// network, where a job mostly waits and waiting is what overlaps.
// batch_parallel_loopback: they answer at once; a job is then nearly all
// computing on one thread, and the figure shows how little of that overlaps.

#include "devicesim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kDevices = 20;
constexpr int kParallelJobs = 8;
// Rounds alternate between the two, and each side keeps its best round, so
// that a neighbour's load on the machine falls on both alike.
constexpr int kRounds = 3;
constexpr int kSiteDelayMs = 20;

struct Device
{
    QTemporaryDir dir;
    DeviceSim sim{dir.path()};
};

// Seconds the run took, or a negative number when it failed.
double configure(const QString& list, int jobs)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(VELK_CONFIG),
                  {QStringLiteral("set"), QStringLiteral("--devices"), list,
                   QStringLiteral("--password"), QStringLiteral("admin"), QStringLiteral("--jobs"),
                   QString::number(jobs), QStringLiteral("net/common/hostname=bench-%1").arg(jobs),
                   QStringLiteral("net/static/ip=10.0.0.%1").arg(jobs)});
    if (!process.waitForStarted())
        return -1;
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (process.exitCode() != 0) {
        std::fprintf(stderr, "%s\nexit %d (%s)\n", process.readAllStandardError().constData(),
                     process.exitCode(),
                     process.exitStatus() == QProcess::NormalExit ? "normal" : "crashed");
        return -1;
    }
    return seconds;
}

bool measure(const QString& list, std::vector<std::unique_ptr<Device>>& devices, int delayMs,
             const char* name)
{
    for (auto& d : devices)
        d->sim.setAnswerDelay(delayMs);
    double serial = -1;
    double parallel = -1;
    for (int round = 0; round < kRounds; ++round) {
        const double one = configure(list, 1);
        const double eight = configure(list, kParallelJobs);
        if (one < 0 || eight < 0)
            return false;
        serial = serial < 0 ? one : std::min(serial, one);
        parallel = parallel < 0 ? eight : std::min(parallel, eight);
    }
    const double reference = serial / kParallelJobs;
    std::printf("bench %s: ours=%.3f s reference=%.3f s ratio=%.2f\n", name, parallel, reference,
                parallel / reference);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    std::vector<std::unique_ptr<Device>> devices;
    QFile list(scratch.filePath(QStringLiteral("devices.txt")));
    if (!list.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < kDevices; ++i) {
        devices.push_back(std::make_unique<Device>());
        Device& d = *devices.back();
        if (!DeviceFolder::copyFolder(QStringLiteral(VELK_SAMPLE_DEVICE), d.dir.path()) ||
            !d.sim.listen()) {
            std::fprintf(stderr, "cannot start emulator %d\n", i);
            return 1;
        }
        list.write(QStringLiteral("admin@127.0.0.1:%1\n").arg(d.sim.port()).toUtf8());
    }
    list.close();

    if (!measure(list.fileName(), devices, kSiteDelayMs, "batch_parallel") ||
        !measure(list.fileName(), devices, 0, "batch_parallel_loopback"))
        return 1;
    return 0;
}
