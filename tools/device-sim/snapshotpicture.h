#pragma once

#include <QImage>
#include <QSize>
#include <QTime>

// The emulated camera's picture: colour bars over a grey ramp, a marker
// that moves one step a second, and the time of day as block digits. Drawn
// without fonts, so a program without a GUI can make it.
class SnapshotPicture
{
public:
    static QImage draw(QSize size, const QTime& time);
};
