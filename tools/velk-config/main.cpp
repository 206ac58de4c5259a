// velk-config: reads and writes recorders' settings from a script, many
// recorders at once, with no window.
#include "configcommandline.h"
#include "jobqueue.h"

#include "boxwatcher.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

namespace {

enum Exit
{
    Help = 0,
    UsageError = 2
};

ConfigCommandLine::Outcome readCommandLine(int argc, char** argv, ConfigCommandLine& commandLine)
{
    QCoreApplication core(argc, argv);
    return commandLine.parse(QCoreApplication::arguments());
}

void printValues(const ConfigOptions& options, const QList<JobResult>& results)
{
    QTextStream out(stdout);
    for (const JobResult& r : results) {
        for (const QString& value : r.values)
            out << (options.manyDevices ? r.device + QLatin1Char(' ') : QString()) << value << '\n';
    }
}

} // namespace

int main(int argc, char** argv)
{
    ConfigCommandLine commandLine;
    switch (readCommandLine(argc, argv, commandLine)) {
    case ConfigCommandLine::Outcome::Help:
        std::fputs(qPrintable(commandLine.text()), stdout);
        return Help;
    case ConfigCommandLine::Outcome::Usage:
        std::fputs(qPrintable(commandLine.text()), stderr);
        return UsageError;
    case ConfigCommandLine::Outcome::Run:
        break;
    }

    // The library may still pop up a window (a refused login asks for
    // another): nobody is there to see it, so it stays offscreen and is
    // answered at once, failing that recorder.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velk-config"));
    BoxWatcher boxes(true, nullptr);

    QTextStream progress(stderr);
    JobQueue queue(commandLine.options(), progress);
    const QList<JobResult> results = queue.run();
    printValues(commandLine.options(), results);
    progress << '\n' << JobQueue::table(results);
    progress.flush();
    return JobQueue::exitCode(results);
}
