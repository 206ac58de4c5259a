#pragma once

#include <QString>

#include <functional>

// Puts translations (@word) and settings values ({key}) into one text, in
// time linear in the text plus what the replacements insert. One object
// serves one substitution; it stops early, leaving the rest of the text as it
// is, once the call's limits or the budget it shares with other calls are
// used up.
class cTextSubstituter
{
public:
    using Lookup = std::function<QString(const QString&)>;

    struct Limits
    {
        int replacements; // replacements of one call
        int length;       // no replacement once the text has grown past this
    };

    // Every replacement draws its output's length plus one from `budget`.
    cTextSubstituter(const Limits& limits, qint64& budget);

    // Replaces each @word whose translation is not empty. Words inside an
    // inserted translation are translated in turn, except the words whose
    // translations are being inserted: a translation holding its own word
    // keeps it as written.
    QString translate(const QString& text, const Lookup& translation);

    // Replaces each {key}, innermost first, by its value; braces that a value
    // brings are expanded again.
    QString expandValues(const QString& text, const Lookup& value);

private:
    bool canReplace() const;
    bool spend(int outputLength, int matchedLength);

    Limits m_limits;
    qint64& m_budget;
    int m_replacements = 0;
    qint64 m_length = 0;
};
