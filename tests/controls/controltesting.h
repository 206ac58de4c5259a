#pragma once

// Mouse gestures for the grid controls, given in cells or in fractions of a
// widget so that one table of cases runs at several widget sizes.

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QWidget>
#include <QtTest>

// A press at the first point, moves through the others and a release at
// the last one, all with `button` held.
inline void drag(QWidget* w, Qt::MouseButton button, const QList<QPoint>& points)
{
    QTest::mousePress(w, button, Qt::NoModifier, points.first());
    for (const QPoint& p : points.mid(1))
        QTest::mouseMove(w, p);
    QTest::mouseRelease(w, button, Qt::NoModifier, points.last());
}

// A point given in fractions of the widget's size, which may lie outside it.
inline QPoint at(const QWidget* w, QPointF fraction)
{
    return QPoint(int(fraction.x() * w->width()), int(fraction.y() * w->height()));
}

inline QList<int> indexesOf(const QVector<int>& cells, int value)
{
    QList<int> out;
    for (int i = 0; i < cells.size(); ++i)
        if (cells[i] == value)
            out << i;
    return out;
}

// Cells of the rectangle from (c0, r0) to (c1, r1) of a grid `columns` wide.
inline QList<int> rectangle(int columns, int c0, int r0, int c1, int r1)
{
    QList<int> out;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            out << r * columns + c;
    return out;
}

inline QList<int> range(int from, int to)
{
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}
