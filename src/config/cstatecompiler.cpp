#include "cstatecompiler.h"

#include <QVector>

namespace {

// Costs in units of about one character passed over or written, from
// timings of QRegExp: each search beyond the characters it passes over;
// each character a search passes over, more for a longer pattern (the
// states it follows); each character of a directive line whose groups are
// read; a pattern compiled, growing with the square of its length.
constexpr qsizetype kSearchCost = 64;
constexpr qsizetype kPatternStatesPerCost = 16;
constexpr qsizetype kLineCharCost = 8;
constexpr qsizetype kMaxPattern = 1024;

// replaceIn without group references collects this many matches in the text
// as given before it rebuilds the text and searches on in the rebuilt one.
constexpr qsizetype kReplaceInBatch = 2047;

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// The position just after "[\r\n]#!\s*s/" when a directive line can start
// at `p`, otherwise -1.
qsizetype directiveBody(const QString& text, qsizetype p)
{
    const qsizetype n = text.size();
    if (!isLineBreak(text.at(p)) || QStringView(text).mid(p + 1, 2) != u"#!")
        return -1;
    qsizetype i = p + 3;
    while (i < n && text.at(i).isSpace())
        ++i;
    return QStringView(text).mid(i, 2) == u"s/" ? i + 2 : -1;
}

// Where the shortest directive whose body starts at `body` ends (just after
// its closing line break), or -1: the first "/", "{" and "}" in turn leave
// the most room for the rest, which ends at the first "/" after them that
// only blanks separate from a line break.
qsizetype directiveEnd(const QString& text, qsizetype body)
{
    qsizetype at = body;
    for (QChar c : {QLatin1Char('/'), QLatin1Char('{'), QLatin1Char('}')}) {
        at = text.indexOf(c, at);
        if (at < 0)
            return -1;
        ++at;
    }
    const qsizetype n = text.size();
    for (qsizetype slash = text.indexOf(QLatin1Char('/'), at); slash >= 0;
         slash = text.indexOf(QLatin1Char('/'), slash + 1)) {
        qsizetype i = slash + 1;
        while (i < n && text.at(i).isSpace() && !isLineBreak(text.at(i)))
            ++i;
        if (i < n && isLineBreak(text.at(i)))
            return i + 1;
        // A later slash is at i or beyond, so nothing is passed over twice.
        slash = i - 1;
    }
    return -1;
}

// A group reference "\N" of a replacement text, found the way replaceIn
// finds them: N from 1 to the number of groups, two digits when that group
// exists.
struct GroupRef
{
    qsizetype pos;
    qsizetype length;
    int group;
};

QVector<GroupRef> groupRefs(const QString& after, int groups)
{
    QVector<GroupRef> refs;
    for (qsizetype i = 0; groups > 0 && i + 1 < after.size(); ++i) {
        const int first = after.at(i + 1).digitValue();
        if (after.at(i) != QLatin1Char('\\') || first <= 0 || first > groups)
            continue;
        const int second = i + 2 < after.size() ? after.at(i + 2).digitValue() : -1;
        if (second >= 0 && first * 10 + second <= groups)
            refs.append({i, 3, first * 10 + second});
        else
            refs.append({i, 2, first});
    }
    return refs;
}

// The replacement text for the current match of `re`.
struct Replacement
{
    const QString& after;
    QVector<GroupRef> refs;
    const QRegExp& re;

    qsizetype size() const
    {
        qsizetype size = after.size();
        for (const GroupRef& r : refs)
            size += re.cap(r.group).size() - r.length;
        return size;
    }

    void appendTo(QString& out) const
    {
        qsizetype from = 0;
        for (const GroupRef& r : refs) {
            out.append(QStringView(after).mid(from, r.pos - from));
            out.append(re.cap(r.group));
            from = r.pos + r.length;
        }
        out.append(QStringView(after).mid(from));
    }
};

// The next match of `re` at or after `pos` in `work`, or -1. With `before`,
// the search sees the text as replaceIn has changed it so far: of what lies
// before `pos`, a pattern can only see the character just before it (\b and
// \B; QRegExp has no look-behind), here the last one of `before`, or the
// start of the text when `before` is empty. The search goes over a view of
// `work`, so that the copy the expression keeps never shares `work`.
qsizetype search(const QRegExp& re, QString& work, qsizetype pos, const QString* before,
                 QRegExp::CaretMode caret)
{
    qsizetype base = 0;
    QChar* patched = nullptr;
    QChar saved;
    if (before && before->isEmpty()) {
        base = pos;
    } else if (before) {
        base = pos - 1;
        patched = work.data() + base;
        saved = *patched;
        *patched = before->back();
    }
    const QString view = QString::fromRawData(work.constData() + base, work.size() - base);
    const int at = re.indexIn(view, int(pos - base), caret);
    if (patched)
        *patched = saved;
    return at < 0 ? -1 : base + at;
}

} // namespace

cStateCompiler::cStateCompiler(int maxDirectives, qsizetype maxText, qsizetype maxWork)
    : m_directive(QStringLiteral("[\r\n]#!\\s*s/(.*)/(.*)\\{(.*)\\}(.*)/\\s*[\r\n]"),
                  Qt::CaseSensitive),
      m_maxDirectives(maxDirectives), m_maxText(maxText), m_work(maxWork)
{
    m_directive.setMinimal(true);
}

bool cStateCompiler::compile(QString& text, const std::function<QString(const QString&)>& valueOf)
{
    Directive directive;
    qsizetype pos = 0;
    for (int count = 0;; ++count) {
        if (!next(text, pos, directive))
            return m_work >= 0 && text.size() <= m_maxText;
        if (count == m_maxDirectives)
            return false;
        const qsizetype length = directive.pattern.size();
        if (length > kMaxPattern || !spend(kSearchCost + length * length))
            return false;
        QRegExp re(directive.pattern, Qt::CaseSensitive);
        re.setMinimal(true);
        QString replaced;
        const QString after = directive.prefix + valueOf(directive.key) + directive.suffix;
        if (!replace(re, text, after, replaced))
            return false;
        text = std::move(replaced);
        pos = directive.pos + 1;
    }
}

bool cStateCompiler::spend(qsizetype units)
{
    m_work -= units;
    return m_work >= 0;
}

bool cStateCompiler::next(const QString& text, qsizetype from, Directive& found)
{
    // QRegExp tries the pattern at every line break and follows each try to
    // the end of the text, which is quadratic. But a try that fails leaves no
    // later one a chance (a later body has fewer places for the same
    // separators), so only the first line that starts like a directive
    // counts, and QRegExp reads its groups from that line alone.
    if (text.size() > m_maxText)
        return false;
    qsizetype start = qMax<qsizetype>(from, 0);
    qsizetype body = -1;
    while (start < text.size() && (body = directiveBody(text, start)) < 0)
        ++start;
    const qsizetype end = body < 0 ? -1 : directiveEnd(text, body);
    if (!spend((end < 0 ? text.size() : end) - from) || end < 0)
        return false;
    const QString line = QString::fromRawData(text.constData() + start, end - start);
    if (!spend(kSearchCost + kLineCharCost * line.size()) || !m_directive.exactMatch(line))
        return false;
    found = {start, m_directive.cap(1), m_directive.cap(2), m_directive.cap(3), m_directive.cap(4)};
    return true;
}

bool cStateCompiler::replace(const QRegExp& re, const QString& text, const QString& after,
                             QString& result)
{
    const qsizetype n = text.size();
    if (n > m_maxText)
        return false;
    const Replacement replacement{after, groupRefs(after, re.captureCount()), re};
    // replaceIn searches the changed text after every match when the
    // replacement refers to groups, otherwise after every batch of matches.
    const qsizetype batch = replacement.refs.isEmpty() ? kReplaceInBatch : 1;
    const qsizetype charCost = 1 + re.pattern().size() / kPatternStatesPerCost;
    QString work(text.constData(), n);
    QString out;
    qsizetype copied = 0; // text before this is in `out`
    qsizetype pos = 0;
    for (qsizetype matches = 0; pos <= n; ++matches) {
        const bool changed = matches > 0 && pos == copied && matches % batch == 0;
        const qsizetype at = search(re, work, pos, changed ? &out : nullptr,
                                    matches > 0 ? QRegExp::CaretWontMatch : QRegExp::CaretAtZero);
        const qsizetype matchEnd = at < 0 ? n : at + re.matchedLength();
        if (!spend(kSearchCost + charCost * (matchEnd - pos)))
            return false;
        if (at < 0)
            break;
        const qsizetype grown = at - copied + replacement.size();
        if (out.size() + grown > m_maxText || !spend(grown))
            return false;
        out.append(QStringView(text).mid(copied, at - copied));
        replacement.appendTo(out);
        copied = matchEnd;
        pos = at == matchEnd ? matchEnd + 1 : matchEnd;
    }
    if (out.size() + (n - copied) > m_maxText || !spend(n - copied))
        return false;
    out.append(QStringView(text).mid(copied));
    result = std::move(out);
    return true;
}
