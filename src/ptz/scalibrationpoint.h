#pragma once

#include <QMetaType>
#include <QtGlobal>

// A point of the 720 x 576 picture of a fixed camera tied to a PTZ position;
// pan and tilt in hundredths of a degree.
struct sCalibrationPoint
{
    qint32 number = -1;
    qint32 x = -1;
    qint32 y = -1;
    qint32 pan = -1;
    qint32 tilt = -1;
    qint32 zone = -1;
    qint32 state = -1;
};

Q_DECLARE_METATYPE(sCalibrationPoint)
