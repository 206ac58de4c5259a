// Reading a device settings file of 10,000 keys, changing 100 values and
// writing it back, beside QSettings doing the same reads and edits.
#include "config/nbxsettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const int kSections = 100;
const int kKeysPerSection = 100;
const int kEdits = 100;

QByteArray makeFile()
{
    QByteArray text = "# generated settings of a recorder\n\n";
    for (int s = 0; s < kSections; ++s) {
        text += "[ section" + QByteArray::number(s) + " ]\n";
        text += "; channel " + QByteArray::number(s) + "\n";
        for (int k = 0; k < kKeysPerSection; ++k) {
            text += "key" + QByteArray::number(k) + " = ";
            text += (k % 3 == 0) ? "'text value " + QByteArray::number(k) + "'"
                                 : QByteArray::number(s * 1000 + k);
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

QString keyOf(int i)
{
    const int s = (i * 37) % kSections;
    const int k = (i * 53) % kKeysPerSection;
    return QStringLiteral("section%1/key%2").arg(s).arg(k);
}

void ours(const QString& path)
{
    NBXSettings s(path);
    for (int i = 0; i < kEdits; ++i)
        s.value(keyOf(i));
    for (int i = 0; i < kEdits; ++i)
        s.setValue(keyOf(i), QString::number(i));
    s.flush();
}

void reference(const QString& path)
{
    QSettings s(path, QSettings::IniFormat);
    for (int i = 0; i < kEdits; ++i)
        s.value(keyOf(i));
    for (int i = 0; i < kEdits; ++i)
        s.setValue(keyOf(i), QString::number(i));
    s.sync();
}

// Best of several runs, each on a fresh copy of the file: the least disturbed
// by whatever else the machine is doing.
double bestMs(const QByteArray& content, const QString& path,
              const std::function<void(const QString&)>& run)
{
    std::vector<double> times;
    for (int r = 0; r < 15; ++r) {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        f.close();
        QElapsedTimer t;
        t.start();
        run(path);
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    return *std::min_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray content = makeFile();
    const double o = bestMs(content, dir.filePath("ours.ini"), ours);
    const double r = bestMs(content, dir.filePath("ref.ini"), reference);
    std::printf("bench ini_read_edit_flush_10000: ours=%.2fms reference=%.2fms ratio=%.2f\n", o, r,
                o / r);
    return 0;
}
