// Both passes scan left to right once, keeping what is still to be scanned
// on a stack of segments (an inserted text on top of the text it came from),
// so no character is looked at again after a replacement and the work is
// linear in the text plus everything inserted, which the budget bounds.
#include "ctextsubstituter.h"

#include <QSet>

#include <vector>

namespace {

struct Segment
{
    QString text;
    int pos = 0;
    QString word; // the translated word that produced this text, if any
};

using Segments = std::vector<Segment>;

// A word runs up to a blank, a dot, an "@", a line break or a tab.
bool isWordChar(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '.':
    case '@':
    case '\r':
    case '\n':
    case '\t':
        return false;
    default:
        return true;
    }
}

int wordEnd(const QString& text, int from)
{
    while (from < text.size() && isWordChar(text.at(from)))
        ++from;
    return from;
}

bool isBrace(QChar c)
{
    return c == QLatin1Char('{') || c == QLatin1Char('}');
}

int nextBrace(const QString& text, int from)
{
    while (from < text.size() && !isBrace(text.at(from)))
        ++from;
    return from;
}

// The text as far as done: what is out, then everything not yet scanned.
QString finish(QString out, const Segments& pending)
{
    for (auto s = pending.crbegin(); s != pending.crend(); ++s)
        out += QStringView(s->text).mid(s->pos);
    return out;
}

} // namespace

cTextSubstituter::cTextSubstituter(const Limits& limits, qint64& budget)
    : m_limits(limits), m_budget(budget)
{
}

bool cTextSubstituter::canReplace() const
{
    return m_replacements < m_limits.replacements && m_length <= m_limits.length && m_budget > 0;
}

bool cTextSubstituter::spend(int outputLength, int matchedLength)
{
    const qint64 cost = qint64(outputLength) + 1;
    if (!canReplace() || cost > m_budget)
        return false;
    ++m_replacements;
    m_length += outputLength - matchedLength;
    m_budget -= cost;
    return true;
}

QString cTextSubstituter::translate(const QString& text, const Lookup& translation)
{
    m_length = text.size();
    QString out;
    Segments pending{{text, 0, QString()}};
    QSet<QString> inserting; // words whose translations are being scanned
    const int firstReplacement = m_replacements;
    while (!pending.empty()) {
        Segment& s = pending.back();
        const int at = s.text.indexOf(QLatin1Char('@'), s.pos);
        if (at < 0) {
            out += QStringView(s.text).mid(s.pos);
            inserting.remove(s.word);
            pending.pop_back();
            continue;
        }
        out += QStringView(s.text).mid(s.pos, at - s.pos);
        const int end = wordEnd(s.text, at + 1);
        const QString word = s.text.mid(at + 1, end - at - 1);
        // Once a replacement has been made, a word at the very start of the
        // text is left alone, as descriptions in use were written to expect.
        const bool skipped = word.isEmpty() || inserting.contains(word) ||
                             (out.isEmpty() && m_replacements > firstReplacement);
        const QString translated = skipped || !canReplace() ? QString() : translation(word);
        s.pos = end;
        if (translated.isEmpty()) {
            out += QStringView(s.text).mid(at, end - at);
            continue;
        }
        if (!spend(translated.size(), end - at)) {
            s.pos = at;
            return finish(out, pending);
        }
        inserting.insert(word);
        pending.push_back({translated, 0, word});
    }
    return out;
}

QString cTextSubstituter::expandValues(const QString& text, const Lookup& value)
{
    m_length = text.size();
    QString out;
    std::vector<int> braces; // positions of the braces in `out`
    Segments pending{{text, 0, QString()}};
    while (!pending.empty()) {
        Segment& s = pending.back();
        const int brace = nextBrace(s.text, s.pos);
        out += QStringView(s.text).mid(s.pos, brace - s.pos);
        if (brace == s.text.size()) {
            pending.pop_back();
            continue;
        }
        const QChar c = s.text.at(brace);
        s.pos = brace + 1;
        // A match is a "{" and a "}" with no brace between them and at least
        // one character; no earlier pair in `out` matched, so only the last
        // brace there can open one.
        const int open = braces.empty() ? -1 : braces.back();
        if (c == QLatin1Char('{') || open < 0 || out.at(open) != QLatin1Char('{') ||
            open + 1 == out.size()) {
            braces.push_back(out.size());
            out += c;
            continue;
        }
        const QString key = out.mid(open + 1);
        const QString replacement = canReplace() ? value(key) : QString();
        if (!spend(replacement.size(), key.size() + 2)) {
            out += c;
            return finish(out, pending);
        }
        braces.pop_back();
        out.truncate(open);
        pending.push_back({replacement, 0, QString()});
    }
    return out;
}
