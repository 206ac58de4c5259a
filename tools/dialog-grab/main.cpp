// velk-dialog-grab DESCRIPTION.xml OUT.png [GENERAL.ini] [--file NAME=PATH]...
//                  [--open PAGE=TAG]...
// Builds the setup dialog from DESCRIPTION over a source whose "general"
// file is GENERAL.ini (empty when not given) and whose other files are those
// named with --file, and saves one picture per tab: OUT-tab0.png,
// OUT-tab1.png, ... Each --open shows the page titled PAGE, opens the
// sub-dialog tagged TAG over it and saves both as OUT-TAG.png. Errors the
// dialog meets are printed.
#include "config/nbxsetup.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// A source that loads nothing: the files are local already.
class LocalSource : public NBXSetup
{
public:
    LocalSource() : NBXSetup(QString()) {}
    void load() override {}
};

struct Options
{
    QStringList positional;
    QList<QPair<QString, QString>> files; // logical name, path
    QList<QPair<QString, QString>> opens; // page title, dialog tag
};

bool parse(const QStringList& args, Options& o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool file = a == QLatin1String("--file");
        if (!file && a != QLatin1String("--open")) {
            o.positional << a;
            continue;
        }
        const QString value = i + 1 < args.size() ? args.at(++i) : QString();
        const qsizetype eq = value.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return false;
        (file ? o.files : o.opens).append({value.left(eq), value.mid(eq + 1)});
    }
    return o.positional.size() >= 2 && o.positional.size() <= 3;
}

void showPage(QTabWidget* tabs, const QString& title)
{
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == title)
            tabs->setCurrentIndex(i);
    }
}

// Opens the sub-dialog tagged `tag` and saves the dialog with the sub-dialog
// drawn over its middle, as the user sees them.
bool grabWithSubDialog(CWinMain& dialog, const QString& tag, const QString& file)
{
    bool saved = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* sub = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!sub || !sub->isVisible())
            return;
        poll.stop();
        QPixmap picture = dialog.grab();
        const QPixmap over = sub->grab();
        const QRect at(
            QPoint((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2),
            over.size());
        QPainter painter(&picture);
        painter.drawPixmap(at.topLeft(), over);
        painter.setPen(Qt::darkGray);
        painter.drawRect(at.adjusted(-1, -1, 0, 0));
        painter.end();
        saved = picture.save(file);
        sub->reject();
    });
    poll.start();
    QMetaObject::invokeMethod(&dialog, "showDialog", Qt::DirectConnection, Q_ARG(QString, tag));
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr,
                     "usage: %s DESCRIPTION.xml OUT.png [GENERAL.ini] [--file NAME=PATH]... "
                     "[--open PAGE=TAG]...\n",
                     argv[0]);
        return 2;
    }
    const QStringList& args = options.positional;
    QTemporaryDir scratch;
    LocalSource source;
    source.setFilePath(QStringLiteral("interface"), args.at(0));
    source.setFilePath(QStringLiteral("general"),
                       args.size() > 2 ? args.at(2) : scratch.filePath("general.ini"));
    for (const auto& [name, path] : options.files)
        source.setFilePath(name, path);

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
    const QFileInfo out(args.at(1));
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
    for (const auto& [page, tag] : options.opens) {
        showPage(tabs, page);
        const QString file = stem + QStringLiteral("-%1.png").arg(tag);
        if (!grabWithSubDialog(dialog, tag, file)) {
            std::fprintf(stderr, "cannot show \"%s\" or write %s\n", qPrintable(tag),
                         qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return errors == 0 ? 0 : 1;
}
