// velk-dialog-grab DESCRIPTION.xml OUT.png [GENERAL.ini]
// Builds the setup dialog from DESCRIPTION over a source whose "general"
// file is GENERAL.ini (empty when not given) and saves one picture per tab:
// OUT-tab0.png, OUT-tab1.png, ... Errors the dialog meets are printed.
#include "config/nbxsetup.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A source that loads nothing: the files are local already.
class LocalSource : public NBXSetup
{
public:
    LocalSource() : NBXSetup(QString()) {}
    void load() override {}
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s DESCRIPTION.xml OUT.png [GENERAL.ini]\n", argv[0]);
        return 2;
    }
    QTemporaryDir scratch;
    LocalSource source;
    source.setFilePath(QStringLiteral("interface"), args.at(1));
    source.setFilePath(QStringLiteral("general"),
                       args.size() > 3 ? args.at(3) : scratch.filePath("general.ini"));

    CWinMain dialog(source);
    int errors = 0;
    // The dialog shows its first error in a modal box; report them here instead.
    QObject::disconnect(&dialog, &CWinMain::pseudothrow, nullptr, nullptr);
    QObject::connect(&dialog, &CWinMain::pseudothrow, [&](const QString& s) {
        ++errors;
        std::fprintf(stderr, "error: %s\n", qPrintable(s));
    });
    emit source.loadDone();

    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    const QFileInfo out(args.at(2));
    const QString stem = out.path() + QLatin1Char('/') + out.completeBaseName();
    for (int i = 0; i < qMax(1, tabs->count()); ++i) {
        tabs->setCurrentIndex(i);
        const QString file = stem + QStringLiteral("-tab%1.png").arg(i);
        if (!dialog.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return errors == 0 ? 0 : 1;
}
