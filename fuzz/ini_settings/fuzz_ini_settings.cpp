// Any bytes as a settings file, then a key set to two values in turn, each
// flushed: reading never fails hard; a value that is taken reads back from
// the file in a fresh reader, beside every key that was there; a value that
// is refused changes neither the file nor the value held. A twin over the
// same bytes in memory takes the same edits and must hold exactly the bytes
// of the file after every flush.
//
// The input is the file, optionally followed by a NUL and the edit as
// section, name, first value and second value separated by \x01.
#include "config/nbxsettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QString scratchFile()
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("fuzz_ini_%1.ini").arg(::getpid()));
    return path;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry as "key/value". A name may hold "/" itself, so entries are
// compared whole rather than split into key and value.
QStringList entries(NBXSettings& s)
{
    return s.regexp_values(QStringLiteral(".*"));
}

struct Edit
{
    QString key = QStringLiteral("fuzzsec/fuzz_new_key_zz");
    QStringList values{QStringLiteral("Bob's new value"), QStringLiteral("x")};
};

Edit editFrom(const QByteArray& text)
{
    Edit edit;
    const QStringList parts = QString::fromUtf8(text).split(QLatin1Char('\x01'));
    if (parts.size() < 3)
        return edit;
    edit.key = parts.at(0) + QLatin1Char('/') + parts.at(1);
    edit.values = parts.mid(2, 2);
    return edit;
}

// A key and value of word characters alone under "untitled" fit every file.
bool mustBeTaken(const QString& key, const QString& value)
{
    static const QRegularExpression plainKey(QStringLiteral("^untitled/\\w+$"));
    static const QRegularExpression plainValue(QStringLiteral("^\\w*$"));
    return plainKey.match(key).hasMatch() && plainValue.match(value).hasMatch();
}

// A last line without its line break that would read as a key once it has
// one becomes a key when something is appended after it. A key nobody edited
// then takes that line's value, as a read of the file gives it.
bool lastLineMayTurnKey(const QByteArray& bytes)
{
    const QString lastLine = QString::fromUtf8(bytes.mid(bytes.lastIndexOf('\n') + 1));
    return !lastLine.isEmpty() &&
           cIniLine::classify(lastLine + QLatin1Char('\n')).kind == cIniLine::Info::Key &&
           cIniLine::classify(lastLine).kind != cIniLine::Info::Key;
}

// Names the property that failed by the line that checks it.
void check(bool ok, int line = __builtin_LINE())
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_ini_settings: check on line %d failed\n", line);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArray bytes = nul < 0 ? input : input.left(nul);
    const Edit edit = nul < 0 ? Edit() : editFrom(input.mid(nul + 1));

    const QString path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
    }

    const QString none = QStringLiteral("<none>");
    QStringList before;
    QString expected;
    {
        NBXSettings s(path);
        NBXSettings twin = NBXSettings::inMemory(bytes);
        before = entries(s);
        expected = s.value(edit.key, none).toString();
        for (const QString& value : edit.values) {
            const QByteArray file = contents(path);
            QString reason;
            const bool taken = s.setValue(edit.key, value, &reason);
            check(taken == reason.isEmpty());
            check(taken || !mustBeTaken(edit.key, value));
            // A last line that reads as a key once it gets its line break can
            // swallow the header a write relies on; the write then does not
            // read back, and flush() must say so rather than succeed.
            const bool flushed = s.flush();
            check(twin.setValue(edit.key, value) == taken);
            check(twin.flush() == flushed);
            check(twin.memoryBytes() == contents(path));
            if (!flushed) {
                check(lastLineMayTurnKey(bytes));
                return 0;
            }
            if (taken) {
                expected = value;
            } else {
                check(s.value(edit.key, none).toString() == expected);
                check(contents(path) == file);
            }
        }
    }

    NBXSettings again(path);
    check(again.value(edit.key, none).toString() == expected);
    const QStringList afterList = entries(again);
    const QSet<QString> after(afterList.begin(), afterList.end());
    const QString edited = edit.key + QLatin1Char('/');
    for (const QString& entry : before)
        check(entry.startsWith(edited) || after.contains(entry) || lastLineMayTurnKey(bytes));
    return 0;
}
