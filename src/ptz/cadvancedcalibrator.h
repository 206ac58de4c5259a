#pragma once

#include "ptz/cnode.h"
#include "ptz/ctriangle.h"
#include "ptz/qvnode_list.h"
#include "ptz/scalibrationpoint.h"
#include "ptz/ssquare.h"

#include <QVector>

// Pan and tilt for any point of a fixed camera's picture from calibrated
// points grouped in zones: each zone is triangulated on its own; a picture
// point belongs to the zone whose bounding rectangle is nearest and is
// interpolated inside that zone's triangle holding it, else it takes the
// zone's nearest node.
class cAdvancedCalibrator
{
public:
    cAdvancedCalibrator() = default;
    cAdvancedCalibrator(const cAdvancedCalibrator&) = delete;
    cAdvancedCalibrator& operator=(const cAdvancedCalibrator&) = delete;

    // Rebuilds the zones, triangles and rectangles from the points.
    void Init(const QVector<sCalibrationPoint>& points);
    // False when no zone has a rectangle.
    bool Calc_pan_tilt(int x, int y, int* pan, int* tilt) const;

    void Make_triangles();
    void Make_Squares();

    const qvNode_List& Zones() const { return m_zones; }
    const QVector<cTriangle>& Triangles() const { return m_triangles; }
    const QVector<sSquare>& Squares() const { return m_squares; }

    // Picture pixels to mesh coordinates (eighths of a pixel).
    static cNode Picture_node(qint64 x, qint64 y);

private:
    void Add_node(const sCalibrationPoint& point);
    void Triangulate_zone(const QVector<cNode>& nodes);
    int Nearest_square_zone(const cNode& p) const;

    qvNode_List m_zones;
    QVector<cTriangle> m_triangles;
    QVector<sSquare> m_squares;
};
