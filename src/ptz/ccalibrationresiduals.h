#pragma once

#include "ptz/scalibrationpoint.h"

#include <QVector>

// How far each pinned point lies, in degrees, from what the other pinned
// points of its region predict for it. The mesh passes through its own
// points, so only a mesh built without a point can show that the point was
// pinned badly.
class cCalibrationResiduals
{
public:
    // Each residual costs a mesh of its own; beyond this many pinned points
    // the edits would stutter, so none are given.
    static constexpr int kMaxPinned = 64;
    // Fewer other pinned points in a region than a triangle needs predict
    // nothing worth showing.
    static constexpr int kMinOthers = 3;

    // One value per point: the residual, or a negative value where none is
    // known (not pinned, too few neighbours, or outside their mesh).
    static QVector<double> Leave_one_out(const QVector<sCalibrationPoint>& points);

private:
    static double Residual(const QVector<sCalibrationPoint>& points, int index);
};
