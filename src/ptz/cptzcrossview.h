#pragma once

#include <QLabel>

// A small picture view with a crosshair in its centre, drawn in black and
// white so that it shows on any picture.
class cPTZCrossView : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};
