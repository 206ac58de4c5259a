#include "cinilineeditor.h"

#include <algorithm>

using Info = cIniLine::Info;

bool cIniLineEditor::Entry::matches(const QString& line) const
{
    const QString q = cIniLine::quoted(value);
    return line.size() == name.size() + 3 + q.size() + 1 && line.startsWith(name) &&
           QStringView(line).mid(name.size(), 3) == QLatin1String(" = ") &&
           QStringView(line).mid(name.size() + 3, q.size()) == q &&
           line.endsWith(QLatin1Char('\n'));
}

size_t cIniLineEditor::NameHash::operator()(QStringView s) const noexcept
{
    size_t h = 1469598103934665603ull;
    for (const QChar c : s)
        h = (h ^ c.unicode()) * 1099511628211ull;
    return h;
}

void cIniLineEditor::replace(int i, const Entry& entry)
{
    if (!entry.matches(m_lines[i]))
        replace(i, entry.text());
}

void cIniLineEditor::replace(int i, const QString& text)
{
    if (m_lines[i] == text)
        return;
    m_lines[i] = text;
    Info n = cIniLine::classify(text);
    // The index holds views of the names: an unchanged name keeps its
    // string, a changed one invalidates the index.
    if (n.kind != m_info[i].kind || n.name != m_info[i].name) {
        m_valid = false;
        m_info[i] = std::move(n);
    } else {
        m_info[i].value = std::move(n.value);
    }
}

void cIniLineEditor::insert(int i, const QString& text)
{
    m_lines.insert(i, text);
    m_info.insert(m_info.begin() + i, cIniLine::classify(text));
    m_valid = false;
}

void cIniLineEditor::append(const QString& text)
{
    // A last line without its line break must not join the new one. A
    // key line there ends in the one blank that closes its value: that
    // blank becomes the line break, or the line would stop being a key.
    if (!m_lines.isEmpty() && !m_lines.last().endsWith(QLatin1Char('\n'))) {
        const int last = int(m_lines.size()) - 1;
        QString ended = m_lines.last();
        if (m_info[last].kind == Info::Key)
            ended.chop(1);
        replace(last, ended + QLatin1Char('\n'));
    }
    m_lines.append(text);
    m_info.push_back(cIniLine::classify(text));
    if (m_valid)
        indexLine(int(m_lines.size()) - 1);
}

void cIniLineEditor::replaceKeys(int from, int to, const Entry& entry)
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

int cIniLineEditor::lastKey(int from, int to)
{
    ensureIndex();
    auto pos = std::lower_bound(m_allKeys.begin(), m_allKeys.end(), to);
    if (pos == m_allKeys.begin())
        return -1;
    --pos;
    return *pos > from ? *pos : -1;
}

const std::vector<int>& cIniLineEditor::headersOf(QStringView section)
{
    ensureIndex();
    static const std::vector<int> none;
    const auto it = m_headersBySection.find(section);
    return it == m_headersBySection.end() ? none : it->second;
}

int cIniLineEditor::nextHeader(int h)
{
    ensureIndex();
    const auto pos = std::upper_bound(m_headers.begin(), m_headers.end(), h);
    return pos == m_headers.end() ? int(m_lines.size()) : *pos;
}

void cIniLineEditor::ensureIndex()
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

void cIniLineEditor::indexLine(int i)
{
    const Info& li = m_info[i];
    if (li.kind == Info::Key) {
        m_keysByName[li.name].push_back(i);
        m_allKeys.push_back(i);
    } else if (li.kind == Info::Header) {
        m_headersBySection[li.name].push_back(i);
        m_headers.push_back(i);
    }
}

void cIniLineEditor::writeSectionless(const Entry& entry, bool fromFile)
{
    if (!fromFile) {
        append(entry.text());
        return;
    }
    replaceKeys(-1, int(m_lines.size()), entry);
}

void cIniLineEditor::writeReadEntry(QStringView section, const Entry& entry)
{
    // Each occurrence of the section gets its lines replaced, looked for only
    // up to the next header so another section's key is never touched.
    // A copy: a replacement that changes a line's kind rebuilds the index.
    const std::vector<int> headers = headersOf(section);
    for (const int h : headers)
        replaceKeys(h, nextHeader(h), entry);
    // Keys above the first header were read as "untitled".
    if (section == cIniLine::kUntitled)
        replaceKeys(-1, nextHeader(-1), entry);
}

void cIniLineEditor::writeNewEntry(QStringView section, const Entry& entry)
{
    const std::vector<int>& headers = headersOf(section);
    if (headers.empty()) {
        append(cIniLine::headerText(section));
        append(entry.text());
        return;
    }
    const int h = headers.front();
    const int next = nextHeader(h);
    if (next >= int(m_lines.size())) {
        append(entry.text());
        return;
    }
    const int last = lastKey(h, next);
    insert(last >= 0 ? last + 1 : h + 1, entry.text());
}
