#include "cptzcrossview.h"

#include <QKeyEvent>
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

void cPTZCrossView::keyPressEvent(QKeyEvent* event)
{
    if (!steer(event))
        QLabel::keyPressEvent(event);
}

void cPTZCrossView::keyReleaseEvent(QKeyEvent* event)
{
    if (!steer(event))
        QLabel::keyReleaseEvent(event);
}

// The latches toggle, so the press and the release of a key each send it
// once; the repeats of a held key send nothing.
bool cPTZCrossView::steer(QKeyEvent* event)
{
    static const struct
    {
        int key;
        const char* direction;
    } kKeys[] = {
        {Qt::Key_Up, "UP"},       {Qt::Key_Down, "DOWN"},    {Qt::Key_Left, "LEFT"},
        {Qt::Key_Right, "RIGHT"}, {Qt::Key_Plus, "ZOOM_IN"}, {Qt::Key_Minus, "ZOOM_OUT"},
    };
    for (const auto& row : kKeys) {
        if (event->key() != row.key)
            continue;
        if (!event->isAutoRepeat())
            emit moveRequested(QLatin1String(row.direction));
        event->accept();
        return true;
    }
    return false;
}
