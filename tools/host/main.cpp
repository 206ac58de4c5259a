// panorix-setup: the host application's part in a setup session. It creates
// the configuration source, shows the source's loading progress and runs the
// setup dialog through the plug-in's entry point.
#include "config/nbxflashdrivesetup.h"
#include "pagegrabber.h"
#include "setup/entrypoints.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProgressDialog>

#include <cstdio>
#include <memory>

namespace {

enum Exit
{
    Accepted = 0,
    Cancelled = 1,
    UsageError = 2,
    GrabFailed = 3
};

// The host's own progress window while the source loads.
void showLoadingProgress(NBXSetup& setup)
{
    auto* progress =
        new QProgressDialog(QObject::tr("Loading the configuration…"), QString(), 0, 100);
    progress->setWindowTitle(QStringLiteral("Panorix"));
    progress->setMinimumDuration(300);
    QObject::connect(&setup, &NBXSetup::progress, progress, &QProgressDialog::setValue);
    QObject::connect(&setup, &NBXSetup::loadDone, progress, &QObject::deleteLater);
    QObject::connect(&setup, &NBXSetup::pseudothrow, progress, &QObject::deleteLater);
    QObject::connect(&setup, &QObject::destroyed, progress, &QObject::deleteLater);
}

int usage(const QCommandLineParser& parser, const QString& error)
{
    std::fprintf(stderr, "panorix-setup: %s\n\n%s", qPrintable(error),
                 qPrintable(parser.helpText()));
    return UsageError;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("panorix-setup"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens the setup dialog of one recorder.\n"
                       "Exit status: 0 accepted, 1 cancelled, 2 usage error, 3 no page grabbed."));
    parser.addHelpOption();
    const QCommandLineOption flash(QStringLiteral("flash"),
                                   QStringLiteral("Configuration kept as files in <dir>."),
                                   QStringLiteral("dir"));
    const QCommandLineOption grab(
        QStringLiteral("grab"),
        QStringLiteral("Save a picture of every page into <dir>, then close the dialog."),
        QStringLiteral("dir"));
    const QCommandLineOption store(QStringLiteral("store"),
                                   QStringLiteral("With --grab: close with OK, storing the "
                                                  "settings, instead of Cancel."));
    parser.addOptions({flash, grab, store});
    if (!parser.parse(QApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return Accepted;
    }
    if (!parser.isSet(flash))
        return usage(parser, QStringLiteral("no configuration source given (--flash DIR)"));
    if (!parser.positionalArguments().isEmpty())
        return usage(
            parser,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    std::unique_ptr<NBXSetup> setup = std::make_unique<NBXFlashDriveSetup>(parser.value(flash));
    showLoadingProgress(*setup);

    std::unique_ptr<PageGrabber> grabber;
    if (parser.isSet(grab))
        grabber = std::make_unique<PageGrabber>(parser.value(grab), parser.isSet(store));

    const int result = DoPanorixSetup(*setup);
    if (grabber) {
        for (const QString& path : grabber->written())
            std::printf("%s\n", qPrintable(path));
        return grabber->written().isEmpty() ? GrabFailed : Accepted;
    }
    return result == 1 ? Accepted : Cancelled;
}
