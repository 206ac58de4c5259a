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
    coverFrom(picture, event->rect());
    if (!drawsItself(picture)) {
        QLabel::paintEvent(event);
        // A view that says in words why it has no picture has no centre to
        // mark.
        if (picture.isNull() && !text().isEmpty())
            return;
        QPainter painter(this);
        drawMark(painter);
        return;
    }
    QPainter painter(this);
    // Nothing is painted under an opaque view: the frame is drawn on its
    // own background, which is only the thin ring around the picture.
    if (frameWidth() > 0) {
        painter.setClipRegion(QRegion(rect()).subtracted(contentsRect()));
        painter.fillRect(rect(), palette().brush(backgroundRole()));
        drawFrame(&painter);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRegion(event->region() & contentsRect());
    painter.drawPixmap(contentsRect(), picture);
    painter.setClipping(false);
    drawMark(painter);
}

void cPTZCrossView::drawMark(QPainter& painter) const
{
    const int cx = width() / 2;
    const int cy = height() / 2;
    // The black shadow one pixel below and right of the white cross.
    painter.setPen(QColor(0, 0, 0, kAlpha));
    painter.drawLine(cx - kArm, cy + 1, cx + kArm, cy + 1);
    painter.drawLine(cx + 1, cy - kArm, cx + 1, cy + kArm);
    painter.setPen(QColor(255, 255, 255, kAlpha));
    drawCross(painter, cx, cy);
}

bool cPTZCrossView::drawsItself(const QPixmap& picture) const
{
    return !picture.isNull() && hasScaledContents() && isEnabled() && margin() == 0;
}

// A picture hides everything under the view but its frame, which the view
// paints on its own background. Saying so spares Qt the background under
// every picture (or, in a dialog, the parent's painting there). Whether the next paint covers the
// view is known only when it comes: a picture may be replaced by a text at any time. A paint that
// finds it covers less than the last one fills the background itself and asks for a paint with the
// parent under it.
void cPTZCrossView::coverFrom(const QPixmap& picture, const QRect& exposed)
{
    const bool covers = drawsItself(picture) && !picture.hasAlphaChannel();
    if (testAttribute(Qt::WA_OpaquePaintEvent) == covers)
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    if (covers)
        return;
    QPainter(this).fillRect(exposed, palette().brush(backgroundRole()));
    update();
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
