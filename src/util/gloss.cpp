#include "gloss.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

void paintTopGloss(QPainter& painter, double width)
{
    const qreal w = width;
    QPainterPath band(QPointF(0, 0));
    band.lineTo(w, 0);
    band.lineTo(w, 10);
    band.cubicTo(w, 15, w - 5, 20, w - 10, 20);
    band.lineTo(10, 20);
    band.cubicTo(5, 20, 0, 25, 0, 30);
    band.lineTo(0, 0);
    band.closeSubpath();
    QLinearGradient fade(0, 0, 0, 30);
    fade.setColorAt(0, QColor(255, 255, 255, 96));
    fade.setColorAt(1, QColor(255, 255, 255, 32));
    painter.fillPath(band, fade);
}
