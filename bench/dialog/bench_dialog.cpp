// Building a dialog of 1,000 and of 10,000 controls on 10 tabs from a
// description, beside QUiLoader loading a .ui file of the same widgets in
// the same grids; and one value write on a key bound to one control, in a
// description of 100 and of 10,000 controls.
//
// `bench_dialog --build-only` runs only the build figures, `--controls N`
// only the build of N controls. For a profile of one side, sample it with
// perf and read the tree under buildDialog or loadForm (valgrind stops in a
// library that the video decoder pulls in; Qt is built without frame
// pointers, so the call graph must come from DWARF):
//   perf record --call-graph dwarf,32768 -F 1000 bench_dialog --controls 10000
//   perf report --children --stdio -g graph,1,caller --symbol-filter=buildDialog
#include "config/nbxsetup.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QTemporaryDir>
#include <QUiLoader>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const int kTabs = 10;
const int kRounds = 7;

// The widget in the second column of row r: a mix of the common controls.
enum Kind
{
    Edit,
    Check,
    Combo,
    Scroll
};
Kind kindOf(int r)
{
    return Kind(r % 4);
}

QByteArray description(int controls, bool bindTarget)
{
    const int rowsPerTab = controls / kTabs / 2;
    QByteArray x = "<pxsetup version=\"1.0\"><tabwidget>";
    for (int t = 0; t < kTabs; ++t) {
        x += "<tab><name>Tab " + QByteArray::number(t) + "</name><item type=\"gridlayout\">";
        for (int r = 0; r < rowsPerTab; ++r) {
            const QByteArray n = QByteArray::number(t * rowsPerTab + r);
            const QByteArray row = " row=\"" + QByteArray::number(r) + "\"";
            const bool target = bindTarget && t == 0 && r == 0;
            x += "<item type=\"label\"" + row + " column=\"0\"><text>" +
                 (target ? QByteArray("Target {general/bench/target/0}") : "Value " + n) +
                 "</text></item>";
            const QByteArray key = "<key>general/s" + n + "/v</key>";
            switch (kindOf(r)) {
            case Edit:
                x += "<item type=\"edit\"" + row + " column=\"1\">" + key + "</item>";
                break;
            case Check:
                x += "<item type=\"checkbox\"" + row +
                     " column=\"1\"><text>On</text>"
                     "<key on=\"1\" off=\"0\">general/s" +
                     n + "/v</key></item>";
                break;
            case Combo:
                x += "<item type=\"dropdown\"" + row +
                     " column=\"1\"><text>A</text><text>B</text>"
                     "<key>general/s" +
                     n + "/v/A</key><key>general/s" + n + "/v/B</key></item>";
                break;
            case Scroll:
                x += "<item type=\"scroll\"" + row +
                     " column=\"1\" orientation=\"horizontal\""
                     " maxvalue=\"100\">" +
                     key + "</item>";
                break;
            }
        }
        x += "</item></tab>";
    }
    return x + "</tabwidget></pxsetup>";
}

QByteArray uiFile(int controls)
{
    const int rowsPerTab = controls / kTabs / 2;
    int id = 0;
    auto name = [&] { return "w" + QByteArray::number(id++); };
    QByteArray x = "<?xml version=\"1.0\"?><ui version=\"4.0\"><class>Bench</class>"
                   "<widget class=\"QWidget\" name=\"Bench\"><layout class=\"QGridLayout\" "
                   "name=\"top\"><item row=\"0\" column=\"0\"><widget class=\"QTabWidget\" "
                   "name=\"tabs\">";
    for (int t = 0; t < kTabs; ++t) {
        x += "<widget class=\"QWidget\" name=\"" + name() +
             "\"><attribute name=\"title\"><string>Tab " + QByteArray::number(t) +
             "</string></attribute><layout class=\"QGridLayout\" name=\"" + name() + "\">";
        for (int r = 0; r < rowsPerTab; ++r) {
            const QByteArray rc = "<item row=\"" + QByteArray::number(r) + "\" column=\"";
            x += rc + "0\"><widget class=\"QLabel\" name=\"" + name() +
                 "\"><property name=\"text\"><string>Value " +
                 QByteArray::number(t * rowsPerTab + r) + "</string></property></widget></item>";
            x += rc + "1\">";
            switch (kindOf(r)) {
            case Edit:
                x += "<widget class=\"QLineEdit\" name=\"" + name() + "\"/>";
                break;
            case Check:
                x += "<widget class=\"QCheckBox\" name=\"" + name() +
                     "\"><property name=\"text\"><string>On</string></property></widget>";
                break;
            case Combo:
                x += "<widget class=\"QComboBox\" name=\"" + name() +
                     "\"><item><property name=\"text\"><string>A</string></property></item>"
                     "<item><property name=\"text\"><string>B</string></property></item></widget>";
                break;
            case Scroll:
                x += "<widget class=\"QScrollBar\" name=\"" + name() +
                     "\"><property name=\"maximum\"><number>100</number></property>"
                     "<property name=\"orientation\"><enum>Qt::Horizontal</enum></property>"
                     "</widget>";
                break;
            }
            x += "</item>";
        }
        x += "</layout></widget>";
    }
    return x + "</widget></item></layout></widget></ui>";
}

class BenchSource : public NBXSetup
{
public:
    BenchSource() : NBXSetup(QString()) {}
};

struct Dialog
{
    std::unique_ptr<BenchSource> source = std::make_unique<BenchSource>();
    std::unique_ptr<CWinMain> dialog;
};

Dialog build(const QTemporaryDir& dir, const QString& description)
{
    Dialog d;
    d.source->setFilePath(QStringLiteral("interface"), description);
    d.source->setFilePath(QStringLiteral("general"), dir.filePath(QStringLiteral("general.ini")));
    d.dialog = std::make_unique<CWinMain>(*d.source); // the base source loads at once
    return d;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Wall time of one run, in milliseconds.
double elapsedMs(const std::function<void()>& run)
{
    QElapsedTimer t;
    t.start();
    run();
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median of `rounds` timings of `run`, in milliseconds.
double medianMs(int rounds, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(elapsedMs(run));
    return median(times);
}

// Mean time of one setValue on the bound key, in microseconds.
double setValueUs(const QTemporaryDir& dir, int controls)
{
    Dialog d = build(dir, writeFile(dir, QStringLiteral("set%1.xml").arg(controls),
                                    description(controls, true)));
    const QMetaObject* mo = d.dialog->metaObject();
    const QMetaMethod setValue = mo->method(mo->indexOfSlot("setValue(QString)"));
    const int writes = 20000;
    const QString values[2] = {QStringLiteral("general/bench/target/1"),
                               QStringLiteral("general/bench/target/2")};
    return medianMs(kRounds,
                    [&] {
                        for (int i = 0; i < writes; ++i)
                            setValue.invoke(d.dialog.get(), Qt::DirectConnection,
                                            Q_ARG(QString, values[i & 1]));
                    }) *
           1000.0 / writes;
}

// One timed round of each side. Kept out of line so that a profiler can
// collect exactly one of them.
Q_NEVER_INLINE void loadForm(QUiLoader& loader, const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> w(loader.load(&f));
    if (!w)
        qFatal("QUiLoader failed: %s", qPrintable(loader.errorString()));
    // Shown, and the events its build posted delivered, as the setup dialog
    // is below.
    w->show();
    QCoreApplication::sendPostedEvents();
}

Q_NEVER_INLINE void buildDialog(NBXSetup& source)
{
    // The dialog shows itself once built, which lays out every page; in use
    // its modal loop then delivers the events the build posted. Left in the
    // queue, they would make every widget's destructor search all of it.
    CWinMain dialog(source);
    QCoreApplication::sendPostedEvents();
}

void report(const char* name, double ours, double reference, const char* unit)
{
    std::printf("bench %s: ours=%.3f%s reference=%.3f%s ratio=%.3f\n", name, ours, unit, reference,
                unit, ours / reference);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;

    // `--controls N` builds only dialogs of N controls, for a profile of one size.
    const QStringList args = app.arguments();
    const int only = args.indexOf(QStringLiteral("--controls"));
    std::vector<int> sizes = {1000, 10000};
    if (only > 0 && only + 1 < args.size())
        sizes = {args.at(only + 1).toInt()};

    QUiLoader loader;
    for (const int controls : sizes) {
        const QString n = QString::number(controls);
        const QString ours = writeFile(dir, "setup-" + n + ".xml", description(controls, false));
        const QString theirs = writeFile(dir, "bench-" + n + ".ui", uiFile(controls));
        // Rounds alternate between the two sides, so that other work on a
        // shared machine slows both alike.
        std::vector<double> loaderTimes;
        std::vector<double> dialogTimes;
        const int rounds = controls > 1000 ? 3 : kRounds;
        for (int i = 0; i < rounds; ++i) {
            loaderTimes.push_back(elapsedMs([&] { loadForm(loader, theirs); }));
            // Only the dialog is timed: the source is the host's, and
            // destroying it writes the settings file back to disk.
            Dialog d;
            d.source->setFilePath(QStringLiteral("interface"), ours);
            d.source->setFilePath(QStringLiteral("general"),
                                  dir.filePath(QStringLiteral("general.ini")));
            dialogTimes.push_back(elapsedMs([&] { buildDialog(*d.source); }));
        }
        const QByteArray name = "dialog_build_" + n.toLatin1();
        report(name.constData(), median(dialogTimes), median(loaderTimes), "ms");
    }
    if (args.contains(QStringLiteral("--build-only")) || only > 0)
        return 0;

    const double small = setValueUs(dir, 100);
    const double large = setValueUs(dir, 10000);
    report("dialog_setvalue_10000_vs_100", large, small, "us");
    return 0;
}
