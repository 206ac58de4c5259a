#pragma once

#include <QRegExp>
#include <QString>

#include <functional>

// Finds the directives of a state file and applies their replacements with
// a limit on the size of the text and on the work done, so that directives
// which breed further directives or multiply the text stop early instead of
// running away. Searches and replacements give what QRegExp's indexIn and
// replaceIn give, in time linear in the text (replaceIn itself rebuilds the
// text at every match when the replacement refers to groups).
class cStateCompiler
{
public:
    // One line "#! s/regex/prefix{key}suffix/" after a line break.
    struct Directive
    {
        qsizetype pos = -1; // of the line break before it
        QString pattern;
        QString prefix;
        QString key;
        QString suffix;
    };

    // maxDirectives: how many directives are applied at most. maxText: the
    // longest text a replacement may produce. maxWork: the characters that
    // all searches and replacements together may pass over or write, each
    // search counting for some more.
    cStateCompiler(int maxDirectives, qsizetype maxText, qsizetype maxWork);

    // Applies the directives of `text` in turn: each replaces every match of
    // its regex in the whole text by prefix, the value of its key (from
    // `valueOf`) and suffix; the next one is searched from one character
    // after the start of the last, in the text as changed. At a bound it
    // stops, leaving `text` as compiled so far, and returns false.
    bool compile(QString& text, const std::function<QString(const QString&)>& valueOf);

    // The first directive at or after `from`; false when there is none, or
    // the work is spent.
    bool next(const QString& text, qsizetype from, Directive& found);

    // `text` with every match of `re` replaced by `after`, where "\1" to "\9"
    // stand for the groups of the match. False, with `result` untouched,
    // when the result would be longer than the limit or the work is spent.
    bool replace(const QRegExp& re, const QString& text, const QString& after, QString& result);

private:
    bool spend(qsizetype units);

    QRegExp m_directive;
    int m_maxDirectives;
    qsizetype m_maxText;
    qsizetype m_work;
};
