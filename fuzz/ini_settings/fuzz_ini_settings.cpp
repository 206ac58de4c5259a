// Any bytes as a settings file: reading never fails hard, and a key added
// and written lands in the file beside every key that was there, each
// reading back as it was.
#include "config/nbxsettings.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString kNewKey = QStringLiteral("fuzz_new_key_zz");
const QString kNewValue = QStringLiteral("Bob's new value");

QString scratchFile()
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("fuzz_ini_%1.ini").arg(::getpid()));
    return path;
}

// key/value pairs as regexp_values gives them: "section/name/value".
QMap<QString, QString> table(NBXSettings& s)
{
    QMap<QString, QString> out;
    for (const QString& entry : s.regexp_values(QStringLiteral(".*"))) {
        const int first = entry.indexOf(QLatin1Char('/'));
        const int second = entry.indexOf(QLatin1Char('/'), first + 1);
        out.insert(entry.left(second), entry.mid(second + 1));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }

    // A last line without its line break that would read as a key once it
    // has one does become a key when something is appended after it; that
    // may replace an earlier value of the same name, so such files only
    // have to come through without a crash.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lastBreak = bytes.lastIndexOf('\n');
    const QString lastLine = QString::fromUtf8(bytes.mid(lastBreak + 1));
    const bool lastLineMayTurnKey =
        !lastLine.isEmpty() &&
        NBXSettings::classify(lastLine + QLatin1Char('\n')).kind == NBXSettings::LineInfo::Key &&
        NBXSettings::classify(lastLine).kind != NBXSettings::LineInfo::Key;

    QMap<QString, QString> before;
    {
        NBXSettings s(path);
        before = table(s);
        for (const QString& key : before.keys()) {
            if (key.endsWith(QLatin1Char('/') + kNewKey))
                return 0; // the file already uses the name this check adds
        }
        s.setValue(QStringLiteral("fuzzsec/") + kNewKey, kNewValue);
        if (!s.flush())
            std::abort();
    }

    NBXSettings again(path);
    const QMap<QString, QString> after = table(again);
    for (auto it = before.constBegin(); it != before.constEnd() && !lastLineMayTurnKey; ++it) {
        if (after.value(it.key(), QStringLiteral("<lost>")) != it.value())
            std::abort();
    }
    // A file without headers keeps every key under "untitled".
    if (after.value(QStringLiteral("fuzzsec/") + kNewKey) != kNewValue &&
        after.value(QStringLiteral("untitled/") + kNewKey) != kNewValue)
        std::abort();
    return 0;
}
