// panorix-setup: the host application's part in a setup session. It creates
// the configuration source, shows the source's loading progress, runs the
// setup dialog through the plug-in's entry point and waits for what OK
// stored to arrive.
#include "hostcommandline.h"
#include "hostexit.h"
#include "hostsession.h"

#include <QApplication>

#include <cstdio>

namespace {

// Help and usage errors need no display, so the command line is read before
// the GUI application, which would abort without one.
HostCommandLine::Outcome readCommandLine(int argc, char** argv, HostCommandLine& commandLine)
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("panorix-setup"));
    return commandLine.parse(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char** argv)
{
    HostCommandLine commandLine;
    switch (readCommandLine(argc, argv, commandLine)) {
    case HostCommandLine::Outcome::Help:
        std::fputs(qPrintable(commandLine.text()), stdout);
        return HostExit::Accepted;
    case HostCommandLine::Outcome::Usage:
        std::fputs(qPrintable(commandLine.text()), stderr);
        return HostExit::UsageError;
    case HostCommandLine::Outcome::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("panorix-setup"));
    HostSession session(commandLine.options());
    const int status = session.run();
    for (const QString& path : session.pictures())
        std::printf("%s\n", qPrintable(path));
    return status;
}
