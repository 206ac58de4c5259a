#pragma once

#include <QMetaType>
#include <QtGlobal>

// A point of a fixed camera's 720 x 576 picture linked to a PTZ position
// (pan and tilt in hundredths of a degree).
struct sCalibrationPoint
{
    qint32 number = 0;
    qint32 x = 0;
    qint32 y = 0;
    qint32 pan = 0;
    qint32 tilt = 0;
    qint32 zone = 0;
    qint32 state = 0; // 1 = calibrated: pan and tilt are valid
};

Q_DECLARE_METATYPE(sCalibrationPoint)
