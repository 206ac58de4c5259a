#pragma once

#include "cptzkeys.h"

#include <QLabel>

// A small picture view with a crosshair in its centre, drawn in black and
// white so that it shows on any picture. While it has the focus, the arrow
// keys and + and - move the camera it shows for as long as they are held:
// a press starts a movement, the release of that key or the loss of the
// focus stops it.
class cPTZCrossView : public QLabel
{
    Q_OBJECT
public:
    explicit cPTZCrossView(QWidget* parent = nullptr);

signals:
    // "UP", "DOWN", "LEFT", "RIGHT", "ZOOM_IN" or "ZOOM_OUT", as the PTZ
    // control takes them.
    void moveStarted(const QString& direction);
    void moveStopped(const QString& direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool drawsItself(const QPixmap& picture) const;
    void drawMark(QPainter& painter) const;
    void coverFrom(const QPixmap& picture, const QRect& exposed);
    bool steer(const cPTZKeys::Step& step);

    cPTZKeys keys;
};
