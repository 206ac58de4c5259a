#pragma once

#include "ciniline.h"

#include <QStringList>
#include <QStringView>

#include <unordered_map>
#include <vector>

// The kept lines of a settings file while the writer edits them, with an
// index of key lines and headers so that each edit costs a look-up rather
// than a scan of the file. The index is rebuilt lazily after an edit that
// shifts or reclassifies lines.
class cIniLineEditor
{
public:
    // One entry as the writer puts it: name = value, quoted as needed.
    struct Entry
    {
        QStringView name;
        const QString& value;

        QString text() const { return cIniLine::entryText(name, value); }
        // Whether `line` is already exactly text(), checked without building it.
        bool matches(const QString& line) const;
    };

    cIniLineEditor(QStringList lines, std::vector<cIniLine::Info> info)
        : m_lines(std::move(lines)), m_info(std::move(info))
    {
    }

    const QStringList& lines() const { return m_lines; }
    std::vector<cIniLine::Info> takeInfo() { return std::move(m_info); }

    // An entry of a file written without headers: a read one replaces its
    // lines, a new one is appended.
    void writeSectionless(const Entry& entry, bool fromFile);
    // An entry read from the file: its lines in every occurrence of its
    // section take the value.
    void writeReadEntry(QStringView section, const Entry& entry);
    // A new entry: after the last key of its section's first occurrence, or
    // in a new section at the end.
    void writeNewEntry(QStringView section, const Entry& entry);

private:
    void replace(int i, const Entry& entry);
    void replace(int i, const QString& text);
    void insert(int i, const QString& text);
    void append(const QString& text);
    // Every key line named as the entry with from < index < to: the reader
    // takes the last of them, so changing only the first would lose the edit.
    void replaceKeys(int from, int to, const Entry& entry);
    // Last key line of any name with from < index < to.
    int lastKey(int from, int to);
    const std::vector<int>& headersOf(QStringView section);
    // The next header after line `h`, or the number of lines.
    int nextHeader(int h);
    void ensureIndex();
    void indexLine(int i);

    QStringList m_lines;
    std::vector<cIniLine::Info> m_info;
    bool m_valid = false;
    // Names are short and looked up once per entry: a plain FNV-1a hash
    // beats the general-purpose string hash here.
    struct NameHash
    {
        size_t operator()(QStringView s) const noexcept;
    };
    using LineIndex = std::unordered_map<QStringView, std::vector<int>, NameHash>;
    LineIndex m_keysByName;
    LineIndex m_headersBySection;
    std::vector<int> m_allKeys;
    std::vector<int> m_headers;
};
