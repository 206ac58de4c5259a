#include "ptz/ccalibrationresiduals.h"

#include "ptz/cadvancedcalibrator.h"

#include <QHash>

#include <cmath>

namespace {

constexpr qint64 kFullTurn = 36000;

// Pans a whole number of turns apart are the same direction.
qint64 panDifference(qint64 a, qint64 b)
{
    qint64 d = (a - b) % kFullTurn;
    if (d > kFullTurn / 2)
        d -= kFullTurn;
    if (d < -kFullTurn / 2)
        d += kFullTurn;
    return d;
}

} // namespace

QVector<double> cCalibrationResiduals::Leave_one_out(const QVector<sCalibrationPoint>& points)
{
    QVector<double> out(points.size(), -1.0);
    QHash<int, int> pinnedInZone;
    int pinned = 0;
    for (const sCalibrationPoint& p : points) {
        if (p.state == 1) {
            ++pinned;
            ++pinnedInZone[p.zone];
        }
    }
    if (pinned > kMaxPinned)
        return out;
    for (int i = 0; i < points.size(); ++i) {
        if (points.at(i).state == 1 && pinnedInZone.value(points.at(i).zone) - 1 >= kMinOthers)
            out[i] = Residual(points, i);
    }
    return out;
}

double cCalibrationResiduals::Residual(const QVector<sCalibrationPoint>& points, int index)
{
    QVector<sCalibrationPoint> others = points;
    others.remove(index);
    cAdvancedCalibrator mesh;
    mesh.Init(others);
    const sCalibrationPoint& p = points.at(index);
    const cNode at = cAdvancedCalibrator::Picture_node(p.x, p.y);
    bool inside = false;
    for (const cTriangle& t : mesh.Triangles())
        inside = inside || (t.Zone() == p.zone && t.Check_in_triangle(at));
    int pan = 0;
    int tilt = 0;
    // Outside the others' triangles the mesh only repeats its nearest point.
    if (!inside || !mesh.Calc_pan_tilt(p.x, p.y, &pan, &tilt))
        return -1.0;
    const double dPan = double(panDifference(pan, p.pan));
    const double dTilt = double(qint64(tilt) - p.tilt);
    return std::hypot(dPan, dTilt) / 100.0;
}
