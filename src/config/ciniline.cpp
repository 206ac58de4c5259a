#include "ciniline.h"

#include <QRegExp>

namespace {

// The key line: a name without blanks or ";", "=", then a bare word, a single-
// or double-quoted text, or an unquoted text with inner blanks, followed by
// exactly one white-space character (the line break) that ends the line.
const char* const kKeyPattern =
    "^\\s*([^;\\s]+)\\s*=\\s*((([^\\s\\n\"']*))|('([^\\n']*)')|(\"([^\\n\"]*)\")|"
    "([^\\s\\n\"'][^\\n\"']*[^\\s\\n\"']))\\s";
const char* const kHeaderPattern = "^\\s*\\[\\s*([^\\s]+)\\s*\\].*$";

QRegExp& keyRegExp()
{
    static thread_local QRegExp re(QString::fromLatin1(kKeyPattern), Qt::CaseSensitive);
    return re;
}

QRegExp& headerRegExp()
{
    static thread_local QRegExp re(QString::fromLatin1(kHeaderPattern), Qt::CaseSensitive);
    return re;
}

// The value of a matched key line: whichever of the four forms matched.
QString matchedValue(const QRegExp& re)
{
    if (!re.cap(5).isEmpty())
        return re.cap(6);
    if (!re.cap(7).isEmpty())
        return re.cap(8);
    if (!re.cap(9).isEmpty())
        return re.cap(9);
    return re.cap(4);
}

} // namespace

QStringList cIniLine::splitLines(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        end = end < 0 ? text.size() : end + 1;
        // A carriage return before the line feed is dropped.
        if (end - start >= 2 && text.at(end - 1) == QLatin1Char('\n') &&
            text.at(end - 2) == QLatin1Char('\r'))
            lines.append(text.mid(start, end - start - 2) + QLatin1Char('\n'));
        else
            lines.append(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray cIniLine::joinLines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        if (line.endsWith(QLatin1String("\r\n")))
            bytes += (line.chopped(1) + QLatin1String("\r\n")).toUtf8();
        else
            bytes += line.toUtf8();
    }
    return bytes;
}

std::vector<cIniLine::Info> cIniLine::classifyAll(const QStringList& lines)
{
    std::vector<Info> info;
    info.reserve(lines.size());
    for (const QString& line : lines)
        info.push_back(classify(line));
    return info;
}

bool cIniLine::splitsBackTheSame(const QStringList& lines)
{
    for (const QString& line : lines) {
        const qsizetype nl = line.indexOf(QLatin1Char('\n'));
        if (nl >= 0 && nl != line.size() - 1)
            return false;
        if (nl > 0 && line.at(nl - 1) == QLatin1Char('\r'))
            return false;
    }
    return true;
}

namespace {

enum class Fast
{
    Key,
    NotKey,
    Unsure
};

// The key pattern decided by hand for the lines that dominate real files: a
// line break at the end and a single "=". Anything else is left to the
// pattern itself, which settles which "=" ends a name.
Fast classifyKeyFast(const QString& line, cIniLine::Info& info)
{
    const qsizetype end = line.size() - 1;
    if (end < 0 || line.at(end) != QLatin1Char('\n') || line.count(QLatin1Char('=')) != 1)
        return Fast::Unsure;
    const QChar* c = line.constData();
    qsizetype i = 0;
    while (i < end && c[i].isSpace())
        ++i;
    const qsizetype nameStart = i;
    while (i < end && !c[i].isSpace() && c[i] != QLatin1Char('='))
        ++i;
    if (i == nameStart)
        return Fast::NotKey;
    info.name = line.mid(nameStart, i - nameStart);
    if (info.name.contains(QLatin1Char(';')))
        return Fast::NotKey;
    while (i < end && c[i].isSpace())
        ++i;
    if (i == end || c[i] != QLatin1Char('='))
        return Fast::NotKey;
    ++i;
    while (i < end && c[i].isSpace())
        ++i;

    const QStringView rest(c + i, end - i);
    if (rest.isEmpty()) {
        info.value.clear();
        return Fast::Key;
    }
    const QChar first = rest.front();
    if (first == QLatin1Char('\'') || first == QLatin1Char('"')) {
        const QStringView inner = rest.mid(1, rest.size() - 2);
        if (rest.size() < 2 || rest.back() != first || inner.contains(first))
            return Fast::NotKey;
        info.value = inner.toString();
        return Fast::Key;
    }
    if (rest.contains(QLatin1Char('\'')) || rest.contains(QLatin1Char('"')) ||
        rest.back().isSpace())
        return Fast::NotKey;
    info.value = rest.toString();
    return Fast::Key;
}

} // namespace

cIniLine::Info cIniLine::classify(const QString& line)
{
    if (line.contains(QLatin1Char('='))) {
        Info info;
        switch (classifyKeyFast(line, info)) {
        case Fast::Key:
            info.kind = Info::Key;
            return info;
        case Fast::NotKey:
            return classifyHeader(line);
        case Fast::Unsure:
            break;
        }
    }
    return classifyByPattern(line);
}

cIniLine::Info cIniLine::classifyByPattern(const QString& line)
{
    // Neither pattern can match without its punctuation; skip the matcher.
    if (line.contains(QLatin1Char('='))) {
        QRegExp& key = keyRegExp();
        if (key.exactMatch(line)) {
            Info info;
            info.kind = Info::Key;
            info.name = key.cap(1);
            info.value = matchedValue(key);
            return info;
        }
    }
    return classifyHeader(line);
}

cIniLine::Info cIniLine::classifyHeader(const QString& line)
{
    Info info;
    if (line.contains(QLatin1Char('['))) {
        QRegExp& header = headerRegExp();
        if (header.exactMatch(line)) {
            info.kind = Info::Header;
            info.name = header.cap(1);
        }
    }
    return info;
}

namespace {

// Whether `v` is exactly how QString::number writes some int: the writer
// leaves such values bare.
bool isCanonicalInt(const QString& v)
{
    qsizetype i = v.startsWith(QLatin1Char('-')) ? 1 : 0;
    const qsizetype digits = v.size() - i;
    if (digits < 1 || digits > 10)
        return false;
    if (v.at(i) == QLatin1Char('0'))
        return v.size() == 1;
    for (qsizetype j = i; j < v.size(); ++j) {
        if (v.at(j) < QLatin1Char('0') || v.at(j) > QLatin1Char('9'))
            return false;
    }
    if (digits < 10)
        return true;
    bool ok = false;
    v.toInt(&ok);
    return ok;
}

} // namespace

QString cIniLine::quoted(const QString& value)
{
    if (value.isEmpty() || isCanonicalInt(value))
        return value;
    // Single quotes cannot hold a single quote; double quotes can.
    if (value.contains(QLatin1Char('\'')) && !value.contains(QLatin1Char('"')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString cIniLine::entryText(QStringView name, const QString& value)
{
    return name.toString() + QStringLiteral(" = ") + quoted(value) + QLatin1Char('\n');
}

QString cIniLine::headerText(QStringView section)
{
    return QStringLiteral("[ ") + section.toString() + QStringLiteral(" ]\n");
}
