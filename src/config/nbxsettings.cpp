#include "nbxsettings.h"

#include "util/atomicwrite.h"

#include <QFile>
#include <QHash>
#include <QRegExp>

#include <algorithm>

namespace {

const QString kUntitled = QStringLiteral("untitled");

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

QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QByteArray line = bytes.mid(start, end - start);
        // Text mode: a carriage return before the line feed is dropped.
        if (line.endsWith("\r\n"))
            line.remove(line.size() - 2, 1);
        lines.append(QString::fromUtf8(line));
        start = end;
    }
    return lines;
}

QPair<QString, QString> splitKey(const QString& key)
{
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {key, QString()};
    return {key.left(slash), key.mid(slash + 1)};
}

using LineInfo = NBXSettings::LineInfo;

// The kept lines while the writer edits them, with an index of key lines and
// headers so that each edit costs a look-up rather than a scan of the file.
// The index is rebuilt lazily after an edit that shifts or reclassifies lines.
class LineEditor
{
public:
    LineEditor(QStringList lines, std::vector<LineInfo> info)
        : m_lines(std::move(lines)), m_info(std::move(info))
    {
    }

    const QStringList& lines() const { return m_lines; }
    const std::vector<LineInfo>& info() const { return m_info; }

    void replace(int i, const QString& text)
    {
        if (m_lines[i] == text)
            return;
        m_lines[i] = text;
        LineInfo n = NBXSettings::classify(text);
        if (n.kind != m_info[i].kind || n.name != m_info[i].name)
            m_valid = false;
        m_info[i] = std::move(n);
    }

    void insert(int i, const QString& text)
    {
        m_lines.insert(i, text);
        m_info.insert(m_info.begin() + i, NBXSettings::classify(text));
        m_valid = false;
    }

    void append(const QString& text)
    {
        // A last line without its line break must not join the new one.
        if (!m_lines.isEmpty() && !m_lines.last().endsWith(QLatin1Char('\n')))
            replace(int(m_lines.size()) - 1, m_lines.last() + QLatin1Char('\n'));
        m_lines.append(text);
        m_info.push_back(NBXSettings::classify(text));
        if (m_valid)
            indexLine(int(m_lines.size()) - 1);
    }

    // First key line named `name` with from < index < to.
    int firstKeyNamed(const QString& name, int from, int to)
    {
        ensureIndex();
        const auto it = m_keysByName.constFind(name);
        if (it == m_keysByName.constEnd())
            return -1;
        const auto pos = std::upper_bound(it->begin(), it->end(), from);
        return pos != it->end() && *pos < to ? *pos : -1;
    }

    // Last key line of any name with from < index < to.
    int lastKey(int from, int to)
    {
        ensureIndex();
        auto pos = std::lower_bound(m_allKeys.begin(), m_allKeys.end(), to);
        if (pos == m_allKeys.begin())
            return -1;
        --pos;
        return *pos > from ? *pos : -1;
    }

    const std::vector<int>& headersOf(const QString& section)
    {
        ensureIndex();
        static const std::vector<int> none;
        const auto it = m_headersBySection.constFind(section);
        return it == m_headersBySection.constEnd() ? none : *it;
    }

    // The next header after line `h`, or the number of lines.
    int nextHeader(int h)
    {
        ensureIndex();
        const auto pos = std::upper_bound(m_headers.begin(), m_headers.end(), h);
        return pos == m_headers.end() ? int(m_lines.size()) : *pos;
    }

private:
    void ensureIndex()
    {
        if (m_valid)
            return;
        m_keysByName.clear();
        m_headersBySection.clear();
        m_allKeys.clear();
        m_headers.clear();
        for (int i = 0; i < int(m_info.size()); ++i)
            indexLine(i);
        m_valid = true;
    }

    void indexLine(int i)
    {
        const LineInfo& li = m_info[i];
        if (li.kind == LineInfo::Key) {
            m_keysByName[li.name].push_back(i);
            m_allKeys.push_back(i);
        } else if (li.kind == LineInfo::Header) {
            m_headersBySection[li.name].push_back(i);
            m_headers.push_back(i);
        }
    }

    QStringList m_lines;
    std::vector<LineInfo> m_info;
    bool m_valid = false;
    QHash<QString, std::vector<int>> m_keysByName;
    QHash<QString, std::vector<int>> m_headersBySection;
    std::vector<int> m_allKeys;
    std::vector<int> m_headers;
};

void writeSectionless(LineEditor& ed, const QString& name, bool fromFile, const QString& line)
{
    if (!fromFile) {
        ed.append(line);
        return;
    }
    const int i = ed.firstKeyNamed(name, -1, int(ed.lines().size()));
    if (i >= 0)
        ed.replace(i, line);
}

void writeReadEntry(LineEditor& ed, const QString& section, const QString& name,
                    const QString& line)
{
    // Each occurrence of the section gets its own line replaced, looked for
    // only up to the next header so another section's key is never touched.
    for (const int h : ed.headersOf(section)) {
        const int i = ed.firstKeyNamed(name, h, ed.nextHeader(h));
        if (i >= 0)
            ed.replace(i, line);
    }
    // Keys above the first header were read as "untitled".
    if (section == kUntitled) {
        const int i = ed.firstKeyNamed(name, -1, ed.nextHeader(-1));
        if (i >= 0)
            ed.replace(i, line);
    }
}

void writeNewEntry(LineEditor& ed, const QString& section, const QString& line)
{
    const std::vector<int>& headers = ed.headersOf(section);
    if (headers.empty()) {
        ed.append(QStringLiteral("[ ") + section + QStringLiteral(" ]\n"));
        ed.append(line);
        return;
    }
    const int h = headers.front();
    const int next = ed.nextHeader(h);
    if (next >= int(ed.lines().size())) {
        ed.append(line);
        return;
    }
    const int last = ed.lastKey(h, next);
    ed.insert(last >= 0 ? last + 1 : h + 1, line);
}

} // namespace

NBXSettings::NBXSettings(const QString& fileName) : m_fileName(fileName) {}

NBXSettings::~NBXSettings()
{
    myWriteFunc();
}

NBXSettings::LineInfo NBXSettings::classify(const QString& line)
{
    LineInfo info;
    // Neither pattern can match without its punctuation; skip the matcher.
    if (line.contains(QLatin1Char('='))) {
        QRegExp& key = keyRegExp();
        if (key.exactMatch(line)) {
            info.kind = LineInfo::Key;
            info.name = key.cap(1);
            info.value = matchedValue(key);
            return info;
        }
    }
    if (line.contains(QLatin1Char('['))) {
        QRegExp& header = headerRegExp();
        if (header.exactMatch(line)) {
            info.kind = LineInfo::Header;
            info.name = header.cap(1);
        }
    }
    return info;
}

QString NBXSettings::quoted(const QString& value)
{
    if (value.isEmpty() || value == QString::number(value.toInt()))
        return value;
    // Single quotes cannot hold a single quote; double quotes can.
    if (value.contains(QLatin1Char('\'')) && !value.contains(QLatin1Char('"')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

void NBXSettings::loadIfEmpty()
{
    if (m_keys.isEmpty())
        myReadFunc();
}

QVariant NBXSettings::value(const QString& key, const QVariant& def)
{
    loadIfEmpty();
    const auto it = m_keys.constFind(key);
    return it == m_keys.constEnd() ? def : QVariant(it->value);
}

void NBXSettings::setValue(const QString& key, const QString& value)
{
    loadIfEmpty();
    m_engaged = true;
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        m_keys.insert(key, myStruct{value, false});
    else
        it->value = value;
}

QStringList NBXSettings::regexp_values(const QString& pattern)
{
    loadIfEmpty();
    QRegExp re(pattern, Qt::CaseSensitive);
    QStringList out;
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it) {
        if (re.exactMatch(it.key()))
            out.append(it.key() + QLatin1Char('/') + it->value);
    }
    return out;
}

bool NBXSettings::flush()
{
    myWriteFunc();
    m_lines.clear();
    m_lineInfo.clear();
    if (m_engaged)
        myReadFunc();
    return true;
}

bool NBXSettings::myReadFunc()
{
    m_hasSections = 0;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_lines = splitLines(file.readAll());
    m_engaged = true;

    m_lineInfo.clear();
    m_lineInfo.reserve(m_lines.size());
    QString section = kUntitled;
    for (const QString& line : qAsConst(m_lines)) {
        m_lineInfo.push_back(classify(line));
        const LineInfo& li = m_lineInfo.back();
        if (li.kind == LineInfo::Key) {
            m_keys.insert(section + QLatin1Char('/') + li.name, myStruct{li.value, true});
        } else if (li.kind == LineInfo::Header) {
            m_hasSections = 1;
            section = li.name;
        }
    }
    return true;
}

bool NBXSettings::myWriteFunc()
{
    if (!m_engaged)
        return true;

    LineEditor ed(m_lines, m_lineInfo);

    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it) {
        const auto [section, name] = splitKey(it.key());
        const QString line = name + QStringLiteral(" = ") + quoted(it->value) + QLatin1Char('\n');
        if (m_hasSections == 0)
            writeSectionless(ed, name, it->fromFile, line);
        else if (it->fromFile)
            writeReadEntry(ed, section, name, line);
        else
            writeNewEntry(ed, section, line);
    }

    QByteArray bytes;
    for (const QString& line : ed.lines())
        bytes += line.toUtf8();
    // A failed or interrupted write leaves the previous file whole.
    if (!writeFileAtomically(m_fileName, bytes))
        return false;
    m_lines = ed.lines();
    m_lineInfo = ed.info();
    // Every entry now has its line. Without this, a key of another section
    // in a file without headers (read back as "untitled") would be appended
    // once more at every write.
    for (myStruct& entry : m_keys)
        entry.fromFile = true;
    return true;
}
