#include "cmaskedimage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

int hexDigit(QChar c)
{
    const char l = c.toLatin1();
    if (l >= '0' && l <= '9')
        return l - '0';
    if (l >= 'a' && l <= 'f')
        return l - 'a' + 10;
    if (l >= 'A' && l <= 'F')
        return l - 'A' + 10;
    return -1;
}

// Two hexadecimal digits as a byte (a lone last digit as itself); anything
// else is 0, so a sign or a blank never turns into a byte of set bits.
int hexByte(QStringView pair)
{
    int byte = 0;
    for (QChar c : pair) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return 0;
        byte = byte * 16 + digit;
    }
    return byte;
}

} // namespace

cMaskedImage::cMaskedImage(QWidget* parent) : QWidget(parent) {}

void cMaskedImage::setArray(int columns, int rows)
{
    this->columns = std::clamp(columns, 0, kMaxSide);
    this->rows = std::clamp(rows, 0, kMaxSide);
    values.resize(this->columns * this->rows);
    drag.finish(); // its saved cells no longer fit
    update();
}

void cMaskedImage::setImage(const QImage& image)
{
    picture = image;
    markedPicture = tinted(image, QColor(0, 16, 0, 192));
    update();
}

void cMaskedImage::setPixmap(const QPixmap& pixmap)
{
    setImage(pixmap.toImage());
}

QImage cMaskedImage::tinted(const QImage& image, const QColor& tint)
{
    if (image.isNull())
        return QImage();
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&out);
    painter.fillRect(out.rect(), tint);
    return out;
}

void cMaskedImage::setText(const QString& command)
{
    if (command == QLatin1String("clear"))
        values.fill(0);
    else if (command == QLatin1String("fill"))
        values.fill(1);
    update();
    emit valueChanged();
}

QString cMaskedImage::value() const
{
    return packedText(1);
}

void cMaskedImage::setValue(const QString& text)
{
    unpackText(text, 1);
    update();
}

QString cMaskedImage::packedText(int bitsPerCell) const
{
    const int perByte = 8 / bitsPerCell;
    const int mask = (1 << bitsPerCell) - 1;
    QByteArray bytes((values.size() + perByte - 1) / perByte, '\0');
    for (int i = 0; i < values.size(); ++i)
        bytes[i / perByte] =
            char(uchar(bytes[i / perByte]) | (values[i] & mask) << (i % perByte * bitsPerCell));
    return QString::fromLatin1(bytes.toHex());
}

void cMaskedImage::unpackText(const QString& text, int bitsPerCell)
{
    const int perByte = 8 / bitsPerCell;
    const int mask = (1 << bitsPerCell) - 1;
    // Bytes past the cells mean nothing; reading stops there however long
    // the stored text is.
    QByteArray bytes((values.size() + perByte - 1) / perByte, '\0');
    for (int b = 0; b < bytes.size() && 2 * b < text.size(); ++b)
        bytes[b] = char(hexByte(QStringView(text).mid(2 * b, 2)));
    for (int i = 0; i < values.size(); ++i)
        values[i] = uchar(bytes[i / perByte]) >> (i % perByte * bitsPerCell) & mask;
}

QSize cMaskedImage::cellSize() const
{
    if (!hasCells())
        return QSize();
    return QSize(width() / columns, height() / rows);
}

const QImage& cMaskedImage::cellPicture(int value) const
{
    return value == 1 ? markedPicture : picture;
}

void cMaskedImage::paintEvent(QPaintEvent*)
{
    const QSize cell = cellSize();
    QPainter painter(this);
    if (!cell.isEmpty()) {
        const int pictureCellWidth = picture.width() / columns;
        const int pictureCellHeight = picture.height() / rows;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const QImage& source = cellPicture(values[r * columns + c]);
                if (source.isNull())
                    continue;
                painter.drawImage(
                    QRect(c * cell.width(), r * cell.height(), cell.width(), cell.height()), source,
                    QRect(c * pictureCellWidth, r * pictureCellHeight, pictureCellWidth,
                          pictureCellHeight));
            }
        }
        painter.setPen(QColor(0, 0, 0, 128));
        for (int i = 1; i < rows; ++i)
            painter.drawLine(0, i * cell.height(), width(), i * cell.height());
        for (int j = 1; j < columns; ++j)
            painter.drawLine(j * cell.width(), 0, j * cell.width(), height());
    }
    if (!isEnabled())
        painter.fillRect(rect(), QColor(128, 128, 128, 192));
}

bool cMaskedImage::hitTest(const QPoint& point, QPoint& cell) const
{
    const QSize size = cellSize();
    if (size.isEmpty())
        return false;
    cell = QPoint(std::clamp(point.x() / size.width(), 0, columns - 1),
                  std::clamp(point.y() / size.height(), 0, rows - 1));
    return true;
}

int cMaskedImage::dragValue(Qt::MouseButtons buttons) const
{
    return buttons & Qt::LeftButton ? 1 : 0;
}

void cMaskedImage::mousePressEvent(QMouseEvent* event)
{
    QPoint cell;
    if (!hitTest(event->position().toPoint(), cell))
        return;
    drag.start(values, cell, dragValue(event->buttons()));
    mouseMoveEvent(event);
}

void cMaskedImage::mouseMoveEvent(QMouseEvent* event)
{
    QPoint cell;
    if (hitTest(event->position().toPoint(), cell) && drag.reach(values, cell, columns))
        update();
}

void cMaskedImage::mouseReleaseEvent(QMouseEvent*)
{
    if (drag.finish())
        emit valueChanged();
}
