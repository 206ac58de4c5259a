#include "nbxsettings.h"

#include "util/atomicwrite.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRegExp>
#include <QSet>

#include <algorithm>
#include <unordered_map>

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

// Every line with its line break, as a text-mode read gives them.
QStringList splitLines(const QByteArray& bytes)
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

std::vector<NBXSettings::LineInfo> classifyAll(const QStringList& lines)
{
    std::vector<NBXSettings::LineInfo> info;
    info.reserve(lines.size());
    for (const QString& line : lines)
        info.push_back(NBXSettings::classify(line));
    return info;
}

// Whether reading `lines` back from a file would give exactly these lines.
bool splitsBackTheSame(const QStringList& lines)
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

// Section and name of a key, as views into it.
QPair<QStringView, QStringView> splitKey(const QString& key)
{
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {key, QStringView()};
    return {QStringView(key).left(slash), QStringView(key).mid(slash + 1)};
}

// The line the writer puts for one entry: name = value, quoted as needed.
struct EntryLine
{
    QStringView name;
    const QString& value;

    QString text() const
    {
        return name.toString() + QStringLiteral(" = ") + NBXSettings::quoted(value) +
               QLatin1Char('\n');
    }

    // Whether `line` is already exactly text(), checked without building it.
    bool matches(const QString& line) const
    {
        const QString q = NBXSettings::quoted(value);
        return line.size() == name.size() + 3 + q.size() + 1 && line.startsWith(name) &&
               QStringView(line).mid(name.size(), 3) == QLatin1String(" = ") &&
               QStringView(line).mid(name.size() + 3, q.size()) == q &&
               line.endsWith(QLatin1Char('\n'));
    }
};

QString headerText(QStringView section)
{
    return QStringLiteral("[ ") + section.toString() + QStringLiteral(" ]\n");
}

using LineInfo = NBXSettings::LineInfo;

// A value about to be set, with what the writer would do with it: it is
// taken only if the lines written for it read back as the same key.
struct Candidate
{
    QStringView section;
    QStringView name;
    const QString& value;
    bool bare; // written without its section, into a file without headers
};

bool holdsLineBreak(const Candidate& c)
{
    const QLatin1Char nl('\n');
    return c.section.contains(nl) || c.name.contains(nl) || c.value.contains(nl);
}

bool holdsBothQuotes(const Candidate& c)
{
    return c.value.contains(QLatin1Char('\'')) && c.value.contains(QLatin1Char('"'));
}

bool keyLineReadsOtherwise(const Candidate& c)
{
    const LineInfo li = NBXSettings::classify(EntryLine{c.name, c.value}.text());
    return li.kind != LineInfo::Key || li.name != c.name || li.value != c.value;
}

bool headerReadsOtherwise(const Candidate& c)
{
    if (c.bare)
        return false;
    const LineInfo li = NBXSettings::classify(headerText(c.section));
    return li.kind != LineInfo::Header || li.name != c.section;
}

bool sectionLostWithoutHeaders(const Candidate& c)
{
    return c.bare && c.section != kUntitled;
}

struct Refusal
{
    bool (*applies)(const Candidate&);
    const char* reason;
};

// In order: the first that applies gives the reason.
const Refusal kRefusals[] = {
    {holdsLineBreak, QT_TRANSLATE_NOOP("NBXSettings", "a line break cannot be written")},
    {holdsBothQuotes,
     QT_TRANSLATE_NOOP("NBXSettings", "a value with both kinds of quote cannot be written")},
    {keyLineReadsOtherwise,
     QT_TRANSLATE_NOOP("NBXSettings",
                       "the key name cannot be written (it is empty or holds a blank or \";\")")},
    {headerReadsOtherwise,
     QT_TRANSLATE_NOOP("NBXSettings",
                       "the section name cannot be written (it is empty, holds a blank or "
                       "reads as a key)")},
    {sectionLostWithoutHeaders,
     QT_TRANSLATE_NOOP("NBXSettings", "a file without headers holds keys of \"untitled\" only")},
};

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
    std::vector<LineInfo> takeInfo() { return std::move(m_info); }

    void replace(int i, const EntryLine& entry)
    {
        if (!entry.matches(m_lines[i]))
            replace(i, entry.text());
    }

    void replace(int i, const QString& text)
    {
        if (m_lines[i] == text)
            return;
        m_lines[i] = text;
        LineInfo n = NBXSettings::classify(text);
        // The index holds views of the names: an unchanged name keeps its
        // string, a changed one invalidates the index.
        if (n.kind != m_info[i].kind || n.name != m_info[i].name) {
            m_valid = false;
            m_info[i] = std::move(n);
        } else {
            m_info[i].value = std::move(n.value);
        }
    }

    void insert(int i, const QString& text)
    {
        m_lines.insert(i, text);
        m_info.insert(m_info.begin() + i, NBXSettings::classify(text));
        m_valid = false;
    }

    void append(const QString& text)
    {
        // A last line without its line break must not join the new one. A
        // key line there ends in the one blank that closes its value: that
        // blank becomes the line break, or the line would stop being a key.
        if (!m_lines.isEmpty() && !m_lines.last().endsWith(QLatin1Char('\n'))) {
            const int last = int(m_lines.size()) - 1;
            QString ended = m_lines.last();
            if (m_info[last].kind == LineInfo::Key)
                ended.chop(1);
            replace(last, ended + QLatin1Char('\n'));
        }
        m_lines.append(text);
        m_info.push_back(NBXSettings::classify(text));
        if (m_valid)
            indexLine(int(m_lines.size()) - 1);
    }

    // Every key line named as the entry with from < index < to: the reader
    // takes the last of them, so changing only the first would lose the edit.
    void replaceKeys(int from, int to, const EntryLine& entry)
    {
        ensureIndex();
        const auto it = m_keysByName.find(entry.name);
        if (it == m_keysByName.end())
            return;
        // replace() only marks the index stale, so this list stays as it is.
        const std::vector<int>& lines = it->second;
        for (auto pos = std::upper_bound(lines.begin(), lines.end(), from);
             pos != lines.end() && *pos < to; ++pos)
            replace(*pos, entry);
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

    const std::vector<int>& headersOf(QStringView section)
    {
        ensureIndex();
        static const std::vector<int> none;
        const auto it = m_headersBySection.find(section);
        return it == m_headersBySection.end() ? none : it->second;
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
    // Names are short and looked up once per entry: a plain FNV-1a hash
    // beats the general-purpose string hash here.
    struct NameHash
    {
        size_t operator()(QStringView s) const noexcept
        {
            size_t h = 1469598103934665603ull;
            for (const QChar c : s)
                h = (h ^ c.unicode()) * 1099511628211ull;
            return h;
        }
    };
    using LineIndex = std::unordered_map<QStringView, std::vector<int>, NameHash>;
    LineIndex m_keysByName;
    LineIndex m_headersBySection;
    std::vector<int> m_allKeys;
    std::vector<int> m_headers;
};

void writeSectionless(LineEditor& ed, const EntryLine& entry, bool fromFile)
{
    if (!fromFile) {
        ed.append(entry.text());
        return;
    }
    ed.replaceKeys(-1, int(ed.lines().size()), entry);
}

void writeReadEntry(LineEditor& ed, QStringView section, const EntryLine& entry)
{
    // Each occurrence of the section gets its lines replaced, looked for only
    // up to the next header so another section's key is never touched.
    // A copy: a replacement that changes a line's kind rebuilds the index.
    const std::vector<int> headers = ed.headersOf(section);
    for (const int h : headers)
        ed.replaceKeys(h, ed.nextHeader(h), entry);
    // Keys above the first header were read as "untitled".
    if (section == kUntitled)
        ed.replaceKeys(-1, ed.nextHeader(-1), entry);
}

void writeNewEntry(LineEditor& ed, QStringView section, const EntryLine& entry)
{
    const std::vector<int>& headers = ed.headersOf(section);
    if (headers.empty()) {
        ed.append(headerText(section));
        ed.append(entry.text());
        return;
    }
    const int h = headers.front();
    const int next = ed.nextHeader(h);
    if (next >= int(ed.lines().size())) {
        ed.append(entry.text());
        return;
    }
    const int last = ed.lastKey(h, next);
    ed.insert(last >= 0 ? last + 1 : h + 1, entry.text());
}

} // namespace

bool NBXSettings::KeyLess::operator()(const QString& a, const QString& b) const
{
    // Code unit by code unit, as QString's operator< orders them.
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return pa[i].unicode() < pb[i].unicode();
    }
    return a.size() < b.size();
}

NBXSettings::NBXSettings(const QString& fileName) : m_fileName(fileName) {}

NBXSettings::~NBXSettings()
{
    if (!m_edited.isEmpty())
        myWriteFunc();
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
Fast classifyKeyFast(const QString& line, LineInfo& info)
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

NBXSettings::LineInfo NBXSettings::classify(const QString& line)
{
    if (line.contains(QLatin1Char('='))) {
        LineInfo info;
        switch (classifyKeyFast(line, info)) {
        case Fast::Key:
            info.kind = LineInfo::Key;
            return info;
        case Fast::NotKey:
            return classifyHeader(line);
        case Fast::Unsure:
            break;
        }
    }
    return classifyByPattern(line);
}

NBXSettings::LineInfo NBXSettings::classifyByPattern(const QString& line)
{
    // Neither pattern can match without its punctuation; skip the matcher.
    if (line.contains(QLatin1Char('='))) {
        QRegExp& key = keyRegExp();
        if (key.exactMatch(line)) {
            LineInfo info;
            info.kind = LineInfo::Key;
            info.name = key.cap(1);
            info.value = matchedValue(key);
            return info;
        }
    }
    return classifyHeader(line);
}

NBXSettings::LineInfo NBXSettings::classifyHeader(const QString& line)
{
    LineInfo info;
    if (line.contains(QLatin1Char('['))) {
        QRegExp& header = headerRegExp();
        if (header.exactMatch(line)) {
            info.kind = LineInfo::Header;
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

QString NBXSettings::quoted(const QString& value)
{
    if (value.isEmpty() || isCanonicalInt(value))
        return value;
    // Single quotes cannot hold a single quote; double quotes can.
    if (value.contains(QLatin1Char('\'')) && !value.contains(QLatin1Char('"')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

void NBXSettings::loadIfEmpty()
{
    if (m_keys.empty())
        myReadFunc();
}

QVariant NBXSettings::value(const QString& key, const QVariant& def)
{
    loadIfEmpty();
    const auto it = m_keys.find(key);
    return it == m_keys.end() ? def : QVariant(it->second.value);
}

bool NBXSettings::setValue(const QString& key, const QString& value, QString* reason)
{
    loadIfEmpty();
    const QString why = refusal(key, value);
    if (reason)
        *reason = why;
    if (!why.isEmpty())
        return false;
    m_engaged = true;
    auto it = m_keys.find(key);
    if (it == m_keys.end()) {
        m_keys.emplace(key, myStruct{value, false});
        m_edited.insert(key);
    } else if (it->second.value != value) {
        it->second.value = value;
        m_edited.insert(key);
    }
    return true;
}

QString NBXSettings::refusalOf(const QString& key, const QString& value)
{
    loadIfEmpty(); // whether the file has headers decides some refusals
    return refusal(key, value);
}

QString NBXSettings::refusal(const QString& key, const QString& value) const
{
    const auto [section, name] = splitKey(key);
    const Candidate candidate{section, name, value, m_hasSections == 0 && holdsKeyLines()};
    for (const Refusal& r : kRefusals) {
        if (r.applies(candidate))
            return QCoreApplication::translate("NBXSettings", r.reason);
    }
    return QString();
}

bool NBXSettings::holdsKeyLines() const
{
    return std::any_of(m_lineInfo.begin(), m_lineInfo.end(),
                       [](const LineInfo& li) { return li.kind == LineInfo::Key; });
}

bool NBXSettings::writesBare() const
{
    if (m_hasSections != 0)
        return false;
    if (holdsKeyLines())
        return true;
    // Nothing in the file yet: headers only once a key needs one.
    return std::all_of(m_keys.begin(), m_keys.end(),
                       [](const auto& entry) { return splitKey(entry.first).first == kUntitled; });
}

QStringList NBXSettings::regexp_values(const QString& pattern)
{
    loadIfEmpty();
    QRegExp re(pattern, Qt::CaseSensitive);
    QStringList out;
    for (const auto& [key, entry] : m_keys) {
        if (re.exactMatch(key))
            out.append(key + QLatin1Char('/') + entry.value);
    }
    return out;
}

bool NBXSettings::flush()
{
    // Nothing changed since the last write: the file already says it all, and
    // a flash drive is spared a needless rewrite.
    if (m_edited.isEmpty())
        return true;
    // After a failed write the file holds the old values and the edits stay
    // here; after a good one the keys are taken from what was written. A
    // write can turn a line into a key line (a last line given its line
    // break) that hides a value held here: one more write puts it back.
    return myWriteFunc() || myWriteFunc();
}

bool NBXSettings::myReadFunc()
{
    m_hasSections = 0;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_lines = splitLines(file.readAll());
    m_engaged = true;

    m_lineInfo = classifyAll(m_lines);
    takeKeysFromLines();
    return true;
}

template <typename F> void NBXSettings::forEachKeyLine(F f)
{
    m_hasSections = 0;
    QString section = kUntitled;
    QString key; // reused so that keys already in the table cost no allocation
    for (const LineInfo& li : m_lineInfo) {
        if (li.kind == LineInfo::Key) {
            key.clear();
            key.append(section).append(QLatin1Char('/')).append(li.name);
            f(key, li.value);
        } else if (li.kind == LineInfo::Header) {
            m_hasSections = 1;
            section = li.name;
        }
    }
}

void NBXSettings::takeKeysFromLines()
{
    forEachKeyLine([this](const QString& key, const QString& value) {
        const auto it = m_keys.find(key);
        if (it != m_keys.end())
            it->second = myStruct{value, true};
        else
            m_keys.emplace(key, myStruct{value, true});
    });
}

bool NBXSettings::settleAfterWrite()
{
    for (auto& entry : m_keys)
        entry.second.fromFile = false;
    // Edited keys whose last line, the one a reader takes, differs from the
    // value held here: that value stays, to be written again.
    QSet<QString> differ;
    forEachKeyLine([this, &differ](const QString& key, const QString& value) {
        const auto it = m_keys.find(key);
        if (it == m_keys.end()) {
            m_keys.emplace(key, myStruct{value, true});
            return;
        }
        it->second.fromFile = true;
        if (it->second.value == value) {
            if (!differ.isEmpty())
                differ.remove(key);
        } else if (m_edited.contains(key)) {
            differ.insert(key);
        } else {
            it->second.value = value;
        }
    });
    QSet<QString> unwritten;
    for (const QString& key : qAsConst(m_edited)) {
        if (differ.contains(key) || !m_keys.at(key).fromFile)
            unwritten.insert(key);
    }
    m_edited.swap(unwritten);
    return m_edited.isEmpty();
}

bool NBXSettings::myWriteFunc()
{
    if (!m_engaged)
        return true;

    const bool bare = writesBare();
    // The classification moves into the editor; the lines stay shared until
    // the first edit.
    LineEditor ed(m_lines, std::move(m_lineInfo));

    for (const auto& [key, e] : m_keys) {
        const auto [section, name] = splitKey(key);
        const EntryLine entry{name, e.value};
        if (bare)
            writeSectionless(ed, entry, e.fromFile);
        else if (e.fromFile)
            writeReadEntry(ed, section, entry);
        else
            writeNewEntry(ed, section, entry);
    }

    QByteArray bytes;
    for (const QString& line : ed.lines())
        bytes += line.toUtf8();
    // A failed or interrupted write leaves the previous file whole, and the
    // kept lines as they were.
    if (!writeFileAtomically(m_fileName, bytes)) {
        m_lineInfo = classifyAll(m_lines);
        return false;
    }
    m_lines = ed.lines();
    m_lineInfo = ed.takeInfo();
    // The lines just written are what a read would give, already classified,
    // unless ending a last line changed where a line breaks.
    if (!splitsBackTheSame(m_lines)) {
        m_lines = splitLines(bytes);
        m_lineInfo = classifyAll(m_lines);
    }
    // An edited value that did not read back stays to be written again, and
    // the write does not count as a success.
    return settleAfterWrite();
}
