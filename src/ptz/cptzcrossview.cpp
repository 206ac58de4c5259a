#include "cptzcrossview.h"

#include <QPainter>

namespace {

constexpr int kArm = 10;
constexpr int kAlpha = 160;

void drawCross(QPainter& painter, int cx, int cy)
{
    painter.drawLine(cx - kArm, cy, cx + kArm, cy);
    painter.drawLine(cx, cy - kArm, cx, cy + kArm);
}

} // namespace

void cPTZCrossView::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    const int cx = width() / 2;
    const int cy = height() / 2;
    QPainter painter(this);
    // The black shadow one pixel below and right of the white cross.
    painter.setPen(QColor(0, 0, 0, kAlpha));
    painter.drawLine(cx - kArm, cy + 1, cx + kArm, cy + 1);
    painter.drawLine(cx + 1, cy - kArm, cx + 1, cy + kArm);
    painter.setPen(QColor(255, 255, 255, kAlpha));
    drawCross(painter, cx, cy);
}
