#include "ccelldrag.h"

#include <algorithm>

void cCellDrag::start(const QVector<int>& cells, QPoint cell, int paintValue)
{
    saved = cells;
    anchor = cell;
    last = QPoint(-1, -1);
    value = paintValue;
    running = true;
}

bool cCellDrag::reach(QVector<int>& cells, QPoint cell, int columns)
{
    if (!running || cell == last)
        return false;
    last = cell;
    cells = saved;
    for (int r = std::min(anchor.y(), cell.y()); r <= std::max(anchor.y(), cell.y()); ++r)
        for (int c = std::min(anchor.x(), cell.x()); c <= std::max(anchor.x(), cell.x()); ++c)
            if (r * columns + c < cells.size()) // the grid may have grown meanwhile
                cells[r * columns + c] = value;
    return true;
}

bool cCellDrag::finish()
{
    const bool was = running;
    running = false;
    return was;
}
