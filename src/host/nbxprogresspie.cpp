#include "nbxprogresspie.h"

#include <QPainter>

#include <algorithm>

NBXProgressPie::NBXProgressPie(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize NBXProgressPie::sizeHint() const
{
    return QSize(64, 64);
}

QSize NBXProgressPie::minimumSizeHint() const
{
    return QSize(24, 24);
}

void NBXProgressPie::setProgress(int value)
{
    const int clamped = std::clamp(value, 0, 100);
    if (clamped == m_progress)
        return;
    m_progress = clamped;
    update();
}

void NBXProgressPie::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 4;
    if (side <= 0)
        return;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);

    const QColor filled = palette().color(QPalette::Highlight);
    p.setPen(QPen(filled.darker(150), 1.5));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(r);

    // Qt angles are in 1/16 degree, counter-clockwise from three o'clock; the
    // pie grows clockwise from twelve o'clock.
    p.setBrush(filled);
    p.drawPie(r, 90 * 16, -m_progress * 360 * 16 / 100);

    p.setPen(palette().color(QPalette::Text));
    QFont f = font();
    f.setPixelSize(std::max(8, side / 4));
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, QString::number(m_progress) + QLatin1Char('%'));
}
