#pragma once

#include <QPoint>
#include <QVector>

// One mouse drag over a grid of cells: it paints a single rectangle, from
// the cell of the press to the cell the pointer has reached, over the cells
// as they were at the press, so cells the drag leaves behind get their old
// values back.
class cCellDrag
{
public:
    void start(const QVector<int>& cells, QPoint cell, int paintValue);
    // Repaints the rectangle up to `cell` in a grid `columns` wide; false
    // when the drag is not running or `cell` is the one reached last.
    bool reach(QVector<int>& cells, QPoint cell, int columns);
    // True when a running drag ended.
    bool finish();
    bool isRunning() const { return running; }

private:
    QVector<int> saved;
    QPoint anchor;
    QPoint last{-1, -1};
    int value = 0;
    bool running = false;
};
