#include "snapshotpicture.h"

#include <QLinearGradient>
#include <QPainter>

#include <iterator>

namespace {

// Segments of a block digit: a (top), b, c (right), d (bottom), e, f (left),
// g (middle), as bits 0 to 6.
const quint8 kDigitSegments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};

const QRgb kBars[] = {0xffffff, 0xffff00, 0x00ffff, 0x00ff00,
                      0xff00ff, 0xff0000, 0x0000ff, 0x000000};

constexpr int kMarkerSteps = 16;

void drawDigit(QPainter& painter, const QRectF& cell, int digit)
{
    const qreal w = cell.width();
    const qreal h = cell.height();
    const qreal t = w / 5;
    const qreal half = h / 2;
    const QRectF segments[7] = {
        {0, 0, w, t},       {w - t, 0, t, half}, {w - t, half, t, half},  {0, h - t, w, t},
        {0, half, t, half}, {0, 0, t, half},     {0, half - t / 2, w, t},
    };
    for (int s = 0; s < 7; ++s) {
        if (kDigitSegments[digit] & (1 << s))
            painter.fillRect(segments[s].translated(cell.topLeft()), Qt::white);
    }
}

void drawClock(QPainter& painter, const QRectF& box, const QTime& time)
{
    painter.fillRect(box, Qt::black);
    const QString text = time.toString(QStringLiteral("hh:mm:ss"));
    const qreal pitch = box.width() / text.size();
    const qreal margin = pitch / 6;
    for (int i = 0; i < text.size(); ++i) {
        const QRectF cell(box.left() + i * pitch + margin, box.top() + margin, pitch - 2 * margin,
                          box.height() - 2 * margin);
        if (text.at(i).isDigit()) {
            drawDigit(painter, cell, text.at(i).digitValue());
            continue;
        }
        const qreal dot = cell.width() / 3;
        painter.fillRect(
            QRectF(cell.center().x() - dot / 2, cell.top() + cell.height() / 4, dot, dot),
            Qt::white);
        painter.fillRect(
            QRectF(cell.center().x() - dot / 2, cell.bottom() - cell.height() / 4 - dot, dot, dot),
            Qt::white);
    }
}

} // namespace

QImage SnapshotPicture::draw(QSize size, const QTime& time)
{
    QImage image(size, QImage::Format_RGB32);
    const qreal w = size.width();
    const qreal h = size.height();
    QPainter painter(&image);

    const int bars = int(std::size(kBars));
    for (int i = 0; i < bars; ++i)
        painter.fillRect(QRectF(i * w / bars, 0, w / bars + 1, h * 2 / 3), QColor(kBars[i]));
    QLinearGradient ramp(0, 0, w, 0);
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    painter.fillRect(QRectF(0, h * 2 / 3, w, h / 3), ramp);

    const qreal side = h / 6;
    const int step = time.second() % kMarkerSteps;
    const QRectF marker(step * (w - side) / (kMarkerSteps - 1), h * 5 / 6 - side / 2, side, side);
    painter.fillRect(marker, Qt::black);
    painter.fillRect(marker.adjusted(side / 4, side / 4, -side / 4, -side / 4), Qt::white);

    drawClock(painter, QRectF(w / 8, h / 3 - h / 10, w * 3 / 4, h / 5), time);
    return image;
}
