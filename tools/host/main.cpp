// panorix-setup: the host application's part in a setup session. It creates
// the configuration source, shows the source's loading progress and runs the
// setup dialog through the plug-in's entry point.
#include "config/nbxflashdrivesetup.h"
#include "config/nbxnetsetup.h"
#include "pagegrabber.h"
#include "setup/entrypoints.h"
#include "util/cmd5hash.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
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

// login[:digest]@host[:port] with the password part replaced by the digest of
// `plain`; empty when the address has no login part.
QString withPassword(const QString& address, const QString& plain)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at <= 0)
        return QString();
    const QString login = address.left(at).section(QLatin1Char(':'), 0, 0);
    return login + QLatin1Char(':') + CMD5Hash::DoHash(plain) + address.mid(at);
}

void finishExchange(NBXNetSetup& net)
{
    if (net.state() == 0)
        return;
    QEventLoop loop;
    QObject::connect(&net, &NBXSetup::storeDone, &loop, &QEventLoop::quit);
    QObject::connect(&net, &NBXSetup::loadDone, &loop, &QEventLoop::quit);
    QObject::connect(&net, &NBXSetup::pseudothrow, &loop, [&loop](const QString& message) {
        std::fprintf(stderr, "panorix-setup: %s\n", qPrintable(message));
        loop.quit();
    });
    loop.exec();
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
        QStringLiteral("Opens the setup dialog of one recorder, on the network\n"
                       "(login:password@host[:port], the password as its digest) or kept\n"
                       "on a flash drive (--flash DIR).\n"
                       "Exit status: 0 accepted, 1 cancelled, 2 usage error, 3 no page grabbed."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("address"),
                                 QStringLiteral("login:password@host[:port] of a recorder."));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("The plain password; replaces the address's password by its digest."),
        QStringLiteral("text"));
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
    parser.addOptions({password, flash, grab, store});
    if (!parser.parse(QApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return Accepted;
    }
    const QStringList args = parser.positionalArguments();
    if (parser.isSet(flash) == (args.size() == 1) || args.size() > 1)
        return usage(parser, QStringLiteral("give one recorder address or --flash DIR"));

    std::unique_ptr<NBXSetup> setup;
    if (parser.isSet(flash)) {
        setup = std::make_unique<NBXFlashDriveSetup>(parser.value(flash));
    } else {
        QString address = args.first();
        if (parser.isSet(password)) {
            address = withPassword(address, parser.value(password));
            if (address.isEmpty())
                return usage(parser, QStringLiteral("--password needs an address with a login"));
        }
        setup = std::make_unique<NBXNetSetup>(address);
    }
    showLoadingProgress(*setup);

    std::unique_ptr<PageGrabber> grabber;
    if (parser.isSet(grab))
        grabber = std::make_unique<PageGrabber>(parser.value(grab), parser.isSet(store));

    const int result = DoPanorixSetup(*setup);
    // OK starts the store and closes the dialog at once; on a network the
    // upload is still on its way and must not die with the source.
    if (auto* net = qobject_cast<NBXNetSetup*>(setup.get()))
        finishExchange(*net);
    if (grabber) {
        for (const QString& path : grabber->written())
            std::printf("%s\n", qPrintable(path));
        return grabber->written().isEmpty() ? GrabFailed : Accepted;
    }
    return result == 1 ? Accepted : Cancelled;
}
