#include "cschedulecells.h"

#include "util/gloss.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

QRect inside(int side)
{
    return QRect(QPoint(1, 1), QPoint(side - 2, side - 2));
}

QPolygonF cross(int side)
{
    const qreal l = 3, t = 3, w = side - 6, q = w / 4;
    const qreal r = l + w, b = t + w, cx = l + w / 2, cy = t + w / 2;
    return QPolygonF({{l, t + q},
                      {l + q, t},
                      {cx, cy - q},
                      {r - q, t},
                      {r, t + q},
                      {cx + q, cy},
                      {r, b - q},
                      {r - q, b},
                      {cx, cy + q},
                      {l + q, b},
                      {l, b - q},
                      {cx - q, cy}});
}

} // namespace

void cScheduleCells::fit(int side)
{
    if (side == this->side() && !plain.isNull())
        return;
    plain = renderPlain(side, true);
    crossed = renderCrossed(renderPlain(side, false));
    // The gloss goes on last, over the cross as well.
    for (QImage* image : {&plain, &crossed}) {
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintGloss(painter, inside(side));
    }
}

// A recorded hour is lit green, so that what the recorder records is what
// stands out; an hour off stays dark under its cross.
QImage cScheduleCells::renderPlain(int side, bool recorded)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawRect(0, 0, side - 1, side - 1);
    const QRect area = inside(side);
    QLinearGradient shade(area.topLeft(), area.bottomRight());
    shade.setColorAt(0, recorded ? QColor(0x2e, 0x9e, 0x3e) : QColor(Qt::black));
    shade.setColorAt(1, recorded ? QColor(0x14, 0x5a, 0x1e) : QColor(Qt::darkGray).darker(200));
    painter.fillRect(area, shade);
    return image;
}

QImage cScheduleCells::renderCrossed(const QImage& plain)
{
    QImage image = plain.copy();
    const QPolygonF corners = cross(image.width());
    QPainterPath path;
    path.addPolygon(corners);
    path.closeSubpath();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(
        path, QPen(QColor(Qt::red).darker(400), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    const QRectF bounds(QPointF(3, 3), QPointF(image.width() - 3, image.height() - 3));
    QLinearGradient fill(bounds.topLeft(), bounds.bottomRight());
    fill.setColorAt(0, Qt::red);
    fill.setColorAt(1, QColor(Qt::red).darker(200));
    painter.fillPath(path, fill);
    return image;
}
