// velk-config: reads and writes recorders' settings from a script, many
// recorders at once, with no window.
#include "configcommandline.h"
#include "jobqueue.h"
#include "jobreport.h"

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

void printResults(const ConfigOptions& options, const QList<JobResult>& results)
{
    for (const JobResult& r : results) {
        const QByteArray text = JobReport::stdoutText(options, r);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    }
    std::fflush(stdout);
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

    // A refused login fails its recorder without a dialog (see
    // loginrefusals.cpp); should the library still pop up a message box, it
    // stays offscreen and is answered at once.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velk-config"));
    BoxWatcher boxes(true, nullptr);

    QTextStream progress(stderr);
    for (const QString& device : commandLine.options().repeated)
        progress << QStringLiteral("velk-config: %1 is listed more than once; it is worked on once")
                        .arg(device)
                 << Qt::endl;
    JobQueue queue(commandLine.options(), progress);
    const QList<JobResult> results = queue.run();
    printResults(commandLine.options(), results);
    progress << '\n' << JobQueue::table(results);
    progress.flush();
    return JobQueue::exitCode(results);
}
