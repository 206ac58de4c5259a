#pragma once

#include "ccelldrag.h"

#include <QImage>
#include <QString>
#include <QVector>
#include <QWidget>

class QPixmap;

// A camera picture cut into a grid of cells that the user marks by dragging:
// the left button marks a rectangle of cells, any other button unmarks one.
// Marked cells show the picture under a dark green tint. The value is the
// cells as a bit string, least significant bit first, two lower-case
// hexadecimal digits a byte.
//
// Derived controls keep more than two states per cell: they choose the value
// a drag writes (dragValue), the picture a cell shows (cellPicture) and pack
// their cells with more bits each (packedText, unpackText).
class cMaskedImage : public QWidget
{
    Q_OBJECT
    // Whether a picture has come: tools that grab pages wait for it.
    Q_PROPERTY(bool hasPicture READ hasPicture)
public:
    explicit cMaskedImage(QWidget* parent = nullptr);

    // Grid sizes come from the description; larger ones are clamped.
    static constexpr int kMaxSide = 1024;

    void setArray(int columns, int rows);
    int columnCount() const { return columns; }
    int rowCount() const { return rows; }

    virtual void setImage(const QImage& image);

    // A quarter of a full camera picture.
    QSize sizeHint() const override { return QSize(352, 288); }

    bool hasPicture() const { return !picture.isNull(); }

    QString value() const;
    // Decodes a value text; cells the text does not reach stay unmarked.
    void setValue(const QString& text);
    // The cells, row after row.
    const QVector<int>& cells() const { return values; }

signals:
    void valueChanged();

public slots:
    void setPixmap(const QPixmap& pixmap);
    // "clear" unmarks every cell, "fill" marks every one; any text repaints
    // and reports a change.
    void setText(const QString& command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // What a drag started with `buttons` writes into the cells.
    virtual int dragValue(Qt::MouseButtons buttons) const;
    // The picture a cell of `value` is cut from.
    virtual const QImage& cellPicture(int value) const;
    // `image` with its whole area painted over in `tint`.
    static QImage tinted(const QImage& image, const QColor& tint);

    // The cells packed `bitsPerCell` bits each into bytes, low bits first.
    QString packedText(int bitsPerCell) const;
    void unpackText(const QString& text, int bitsPerCell);

    bool hasCells() const { return columns > 0 && rows > 0; }
    // The cell under `point`, clamped into the grid; fails for a grid
    // without cells or with cells too small to show.
    bool hitTest(const QPoint& point, QPoint& cell) const;

    QImage picture;
    QImage markedPicture;
    QVector<int> values;
    int columns = -1;
    int rows = -1;
    cCellDrag drag;

private:
    QSize cellSize() const;
};
