#pragma once

#include <QLabel>

// A small picture view with a crosshair in its centre, drawn in black and
// white so that it shows on any picture. While it has the focus, the arrow
// keys and + and - ask to move the camera it shows: a press starts a
// movement and the release stops it.
class cPTZCrossView : public QLabel
{
    Q_OBJECT
public:
    explicit cPTZCrossView(QWidget* parent = nullptr);

signals:
    // "UP", "DOWN", "LEFT", "RIGHT", "ZOOM_IN" or "ZOOM_OUT", as the PTZ
    // control's latches take them.
    void moveRequested(const QString& direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool steer(QKeyEvent* event);
};
