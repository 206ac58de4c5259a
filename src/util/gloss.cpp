#include "gloss.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

void paintGloss(QPainter& painter, const QRectF& rect)
{
    const qreal x = rect.left();
    const qreal y = rect.top();
    const qreal w = rect.width();
    const qreal t = rect.height() / 3;
    const qreal r = t / 2;
    QPainterPath band(QPointF(x, y));
    band.lineTo(x + w, y);
    band.lineTo(x + w, y + r);
    band.cubicTo(x + w, y + 1.5 * r, x + w - r / 2, y + t, x + w - r, y + t);
    band.lineTo(x + r, y + t);
    band.cubicTo(x + r / 2, y + t, x, y + 1.5 * t - r / 2, x, y + 1.5 * t);
    band.lineTo(x, y);
    band.closeSubpath();
    QLinearGradient fade(x, y, x, y + 1.5 * t);
    fade.setColorAt(0, QColor(255, 255, 255, 96));
    fade.setColorAt(1, QColor(255, 255, 255, 32));
    painter.fillPath(band, fade);
}

void paintTopGloss(QPainter& painter, double width)
{
    paintGloss(painter, QRectF(0, 0, width, 60));
}
