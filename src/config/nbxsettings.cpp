#include "nbxsettings.h"

#include "cinilineeditor.h"
#include "util/atomicwrite.h"
#include "util/plainwrite.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegExp>
#include <QSet>

#include <algorithm>

namespace {

using LineInfo = cIniLine::Info;
const QString& kUntitled = cIniLine::kUntitled;

// Section and name of a key, as views into it.
QPair<QStringView, QStringView> splitKey(const QString& key)
{
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {key, QStringView()};
    return {QStringView(key).left(slash), QStringView(key).mid(slash + 1)};
}

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
    const LineInfo li = cIniLine::classify(cIniLine::entryText(c.name, c.value));
    return li.kind != LineInfo::Key || li.name != c.name || li.value != c.value;
}

bool headerReadsOtherwise(const Candidate& c)
{
    if (c.bare)
        return false;
    const LineInfo li = cIniLine::classify(cIniLine::headerText(c.section));
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

NBXSettings::NBXSettings(const QString& fileName, Storage storage)
    : m_fileName(fileName), m_storage(storage)
{
}

NBXSettings::NBXSettings(const QByteArray& bytes, Storage storage)
    : m_storage(storage), m_memory(bytes)
{
}

NBXSettings NBXSettings::inMemory(const QByteArray& bytes)
{
    return NBXSettings(bytes, Storage::Memory);
}

NBXSettings::~NBXSettings()
{
    if (!m_edited.isEmpty())
        myWriteFunc();
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

bool NBXSettings::flush(QByteArray* written)
{
    // Nothing changed since the last write: the file already says it all, and
    // a flash drive is spared a needless rewrite.
    if (m_edited.isEmpty())
        return true;
    // After a failed write the file holds the old values and the edits stay
    // here; after a good one the keys are taken from what was written. A
    // write can turn a line into a key line (a last line given its line
    // break) that hides a value held here: one more write puts it back.
    return write(written) || write(written);
}

bool NBXSettings::myReadFunc()
{
    m_hasSections = 0;
    QByteArray bytes;
    if (!readStored(bytes))
        return false;
    m_lines = cIniLine::splitLines(bytes);
    m_engaged = true;

    m_lineInfo = cIniLine::classifyAll(m_lines);
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

bool NBXSettings::readStored(QByteArray& bytes) const
{
    if (m_storage == Storage::Memory) {
        bytes = m_memory;
        return true;
    }
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

bool NBXSettings::replaceStored(const QByteArray& bytes)
{
    switch (m_storage) {
    case Storage::AtomicFile:
        return writeFileAtomically(m_fileName, bytes);
    case Storage::PlainFile:
        return writeFilePlainly(m_fileName, bytes);
    case Storage::Memory:
        m_memory = bytes;
        return true;
    }
    return false;
}

bool NBXSettings::myWriteFunc()
{
    return write(nullptr);
}

bool NBXSettings::write(QByteArray* written)
{
    if (!m_engaged)
        return true;

    const bool bare = writesBare();
    // The classification moves into the editor; the lines stay shared until
    // the first edit.
    cIniLineEditor ed(m_lines, std::move(m_lineInfo));

    for (const auto& [key, e] : m_keys) {
        const auto [section, name] = splitKey(key);
        const cIniLineEditor::Entry entry{name, e.value};
        if (bare)
            ed.writeSectionless(entry, e.fromFile);
        else if (e.fromFile)
            ed.writeReadEntry(section, entry);
        else
            ed.writeNewEntry(section, entry);
    }

    const QByteArray bytes = cIniLine::joinLines(ed.lines());
    // A failed write leaves the kept lines as they were (and, but for a
    // private copy, the previous file whole), so the edits stay to be
    // written again.
    if (!replaceStored(bytes)) {
        m_lineInfo = cIniLine::classifyAll(m_lines);
        return false;
    }
    if (written)
        *written = bytes;
    m_lines = ed.lines();
    m_lineInfo = ed.takeInfo();
    // The lines just written are what a read would give, already classified,
    // unless ending a last line changed where a line breaks.
    if (!cIniLine::splitsBackTheSame(m_lines)) {
        m_lines = cIniLine::splitLines(bytes);
        m_lineInfo = cIniLine::classifyAll(m_lines);
    }
    // An edited value that did not read back stays to be written again, and
    // the write does not count as a success.
    return settleAfterWrite();
}
