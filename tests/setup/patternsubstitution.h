#pragma once

// Substitution as a pattern search that starts over after every replacement:
// the plain way to read the rules, kept as the reference that the
// substituter's results and speed are measured against. Quadratic, and
// unbounded on hostile texts, so callers give it short texts or small limits.

#include "setup/ctextsubstituter.h"

#include <QHash>
#include <QRegExp>

struct PatternSubstitution
{
    using Table = QHash<QString, QString>;

    cTextSubstituter::Limits limits;
    int replacements = 0;

    bool within(const QString& s) const
    {
        return replacements < limits.replacements && s.size() <= limits.length;
    }

    QString translate(QString s, const Table& table)
    {
        QRegExp word(QStringLiteral("(@[^ .@\r\n\t]+)"), Qt::CaseSensitive);
        int pos = 0;
        while (within(s) && (pos = word.indexIn(s, pos)) != -1) {
            const QString translation = table.value(word.cap(1).mid(1));
            if (translation.isEmpty()) {
                pos += 1;
                continue;
            }
            s.replace(pos, word.matchedLength(), translation);
            ++replacements;
            pos = 1;
        }
        return s;
    }

    QString expandValues(QString s, const Table& values)
    {
        QRegExp value(QStringLiteral("\\{\\s*([^\\{\\}]+)\\s*\\}"));
        int pos = 0;
        while (within(s) && (pos = value.indexIn(s, 0)) != -1) {
            s.replace(pos, value.matchedLength(), values.value(value.cap(1)));
            ++replacements;
        }
        return s;
    }
};
