#include "cptzcrossview.h"

#include <QKeyEvent>
#include <QPaintEvent>
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

cPTZCrossView::cPTZCrossView(QWidget* parent) : QLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

// A live picture changes every pixel of the view, so the picture is drawn
// straight into the exposed region: the label's own path would convert it
// to an image, scale a copy and convert that back for every picture.
void cPTZCrossView::paintEvent(QPaintEvent* event)
{
    const QPixmap picture = pixmap();
    if (picture.isNull() || !hasScaledContents() || !isEnabled() || margin() != 0) {
        QLabel::paintEvent(event);
    } else {
        QPainter frame(this);
        drawFrame(&frame);
        frame.end();
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipRegion(event->region() & contentsRect());
        painter.drawPixmap(contentsRect(), picture);
    }
    // A view that says in words why it has no picture has no centre to mark.
    if (picture.isNull() && !text().isEmpty())
        return;
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

void cPTZCrossView::keyPressEvent(QKeyEvent* event)
{
    if (!steer(keys.press(*event)))
        QLabel::keyPressEvent(event);
}

void cPTZCrossView::keyReleaseEvent(QKeyEvent* event)
{
    if (!steer(keys.release(*event)))
        QLabel::keyReleaseEvent(event);
}

// Keys released elsewhere never arrive here: nothing may go on moving.
void cPTZCrossView::focusOutEvent(QFocusEvent* event)
{
    for (const QString& direction : keys.releaseAll())
        emit moveStopped(direction);
    QLabel::focusOutEvent(event);
}

bool cPTZCrossView::steer(const cPTZKeys::Step& step)
{
    if (!step.stopped.isEmpty())
        emit moveStopped(step.stopped);
    if (!step.started.isEmpty())
        emit moveStarted(step.started);
    return step.handled;
}
