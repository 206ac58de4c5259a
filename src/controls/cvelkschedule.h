#pragma once

#include "ccelldrag.h"
#include "cschedulecells.h"

#include <QRect>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <vector>

// A week as a grid of square cells, one row per weekday and one column per
// hour, in which the user crosses out the hours that are off: a left-button
// drag crosses out a rectangle of cells, any other button clears one. A
// cell holds 0 for an hour on (plain) and 1 for an hour off (crossed).
class cVelkSchedule : public QWidget
{
    Q_OBJECT
public:
    explicit cVelkSchedule(QWidget* parent = nullptr);

    void appendRow(const QString& label);
    void appendColumn(const QString& label);

    // Row after row: the cell of column c in row r is entry r * columns + c.
    QVector<int> value() const { return values; }
    void setValue(const QVector<int>& values);

    // Where the cells are at the current size; empty when there is no room
    // for a cell, or no row or column.
    QRect gridRect() const { return geometryNow().grid; }
    int cellSize() const { return geometryNow().cell; }

    // Room for the labels and cells of 20 pixels.
    QSize sizeHint() const override;

signals:
    void valueChanged();

public slots:
    // "MoFr9_18", "MoSa8_23" or "MoSu0_23" turns those hours on and every
    // other one off; any other text turns every hour off.
    void setSchedule(const QString& preset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Geometry
    {
        int rowLabelWidth = 0;
        int headerHeight = 0;
        int left = 0;
        int top = 0;
        int cell = 0;
        QRect grid;
    };
    // For the current size and font, so that a press right after a resize
    // meets the cells where they will be drawn. Kept until either changes.
    Geometry geometryNow() const;
    Geometry computeGeometry() const;
    // Labels and geometry are measured and drawn again.
    void invalidate();
    // The cell under `point`; outside the grid only while dragging, and
    // then clamped to the nearest edge cell.
    bool hitTest(const QPoint& point, QPoint& cell) const;
    void fitValues();
    // The labels are drawn once per geometry into two transparent strips,
    // left of the grid and above it: text costs more to draw than all the
    // cells together.
    void fitLabelStrips(const Geometry& g);
    // The grid's 1-pixel outline, drawn once per geometry and cut into four
    // strips along its sides: a stroked rectangle costs a fifth of a paint.
    void fitOutlineStrips(const Geometry& g);
    QImage strip(QSize size) const;
    // Keeps only the part of a strip that holds pixels: a paint blends
    // every pixel of a picture, the transparent margins too.
    struct Strip
    {
        QPoint at;
        QImage image;
    };
    static void addStrip(std::vector<Strip>& strips, QPoint at, const QImage& image);

    QStringList rowLabels;
    QStringList columnLabels;
    cScheduleCells cells;
    QVector<int> values;
    cCellDrag drag;

    mutable Geometry cachedGeometry;
    mutable QSize geometrySize;
    std::vector<Strip> labelStrips;   // drawn under the cells
    std::vector<Strip> outlineStrips; // drawn over them
    QSize stripsSize;
};
