#pragma once

// What the list controls of the description share: their prefix key, their
// columns and the bound on counts they read from a device file.

#include "controls/csoftlist.h"
#include "setup/cwinmain.h"

#include <QDomElement>
#include <QRegularExpression>

// The file/section whose keys a list control reads; empty when it has none.
inline QString listPrefix(const QDomElement& element)
{
    return element.firstChildElement(QStringLiteral("key")).text();
}

// The `column` children: titles substituted with the element as context,
// widths from their attribute (0 when absent).
inline QList<cSoftList::column> listColumns(CWinMain& dialog, const QDomElement& element)
{
    QList<cSoftList::column> columns;
    for (QDomElement c = element.firstChildElement(QStringLiteral("column")); !c.isNull();
         c = c.nextSiblingElement(QStringLiteral("column")))
        columns.append(
            {dialog.substitute(c.text(), element), c.attribute(QStringLiteral("width")).toInt()});
    return columns;
}

// A count read from a device file. It decides how many rows are built, so a
// larger one is taken as the most rows a list shows; a negative or
// non-numeric one means none.
inline int deviceCount(const QString& text)
{
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (ok)
        return int(qBound(qlonglong(0), n, qlonglong(CWinMain::kMaxListRows)));
    // Too many digits for a number is still a large count.
    static const QRegularExpression digits(QStringLiteral("^\\s*\\+?\\d+\\s*$"));
    return digits.match(text).hasMatch() ? CWinMain::kMaxListRows : 0;
}
