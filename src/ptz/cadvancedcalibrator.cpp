#include "ptz/cadvancedcalibrator.h"

#include "ptz/calibrationmesh.h"
#include "ptz/czonemesher.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEighths = 8;

int midpoint(int a, int b)
{
    return int(std::lround((double(a) + double(b)) / 2));
}

double distance(qint64 dx, qint64 dy)
{
    return std::sqrt(double(dx) * double(dx) + double(dy) * double(dy));
}

// Signed distance from p to the rectangle: the distance to its nearest edge
// or corner outside, minus the depth to its nearest edge inside. Corners
// count by plain distance like edges, so a point just past a corner is not
// worse off than one far beside an edge of another rectangle.
double squareMeasure(const sSquare& square, const cNode& p)
{
    const qint64 left = square.top_left.Node_get_x();
    const qint64 top = square.top_left.Node_get_y();
    const qint64 right = square.bottom_right.Node_get_x();
    const qint64 bottom = square.bottom_right.Node_get_y();
    const qint64 px = p.Node_get_x();
    const qint64 py = p.Node_get_y();
    const qint64 outX = px < left ? left - px : (px > right ? px - right : 0);
    const qint64 outY = py < top ? top - py : (py > bottom ? py - bottom : 0);
    if (outX > 0 || outY > 0)
        return distance(outX, outY);
    return -double(std::min({px - left, right - px, py - top, bottom - py}));
}

} // namespace

cNode cAdvancedCalibrator::Picture_node(qint64 x, qint64 y)
{
    const qint64 limit = cNode::kCoordinateLimit / kEighths;
    return cNode(int(std::clamp(x, -limit, limit) * kEighths),
                 int(std::clamp(y, -limit, limit) * kEighths));
}

void cAdvancedCalibrator::Add_node(const sCalibrationPoint& point)
{
    cNode node = Picture_node(point.x, point.y);
    node.Node_set_pan(point.pan);
    node.Node_set_tilt(point.tilt);
    node.Node_set_zone(point.zone);
    node.Node_set_up_to_date(point.state);
    qvNode_List* list = m_zones.isEmpty() ? &m_zones : m_zones.Find_qvNode_List_Zone(point.zone);
    if (!list)
        list = m_zones.Insert_after();
    list->Append(node);
}

// A point joins as the successor of the point before it; the first
// calibrated point also joins as the one before its successor, so a
// calibrated point that is alone and last never joins.
void cAdvancedCalibrator::Init(const QVector<sCalibrationPoint>& points)
{
    m_triangles.clear();
    m_squares.clear();
    m_zones.Clear();
    for (int i = 0; i + 1 < points.size(); ++i) {
        if (m_zones.isEmpty() && points.at(i).state != 0)
            Add_node(points.at(i));
        if (!m_zones.isEmpty() && points.at(i + 1).state != 0)
            Add_node(points.at(i + 1));
    }
    for (qvNode_List* list = &m_zones; list; list = list->Next())
        list->Sort_by_xy();
    Make_triangles();
}

void cAdvancedCalibrator::Make_triangles()
{
    for (const qvNode_List* list = &m_zones; list && !list->isEmpty(); list = list->Next()) {
        if (list->Nodes().size() >= 3)
            Triangulate_zone(list->Nodes());
    }
    Make_Squares();
}

void cAdvancedCalibrator::Triangulate_zone(const QVector<cNode>& nodes)
{
    cZoneMesher(nodes).Run(m_triangles);
}

void cAdvancedCalibrator::Make_Squares()
{
    for (const qvNode_List* list = &m_zones; list; list = list->Next()) {
        const QVector<cNode>& nodes = list->Nodes();
        if (nodes.size() <= 2)
            continue;
        const cNode& minX = nodes.at(Find_Min_X(nodes));
        const cNode& minY = nodes.at(Find_Min_Y(nodes));
        const cNode& maxX = nodes.at(Find_Max_X(nodes));
        const cNode& maxY = nodes.at(Find_Max_Y(nodes));
        const int zone = nodes.first().Node_get_zone();
        const int upToDate = nodes.first().Node_get_up_to_date();
        sSquare square;
        square.top_left = cNode(minX.Node_get_x(), minY.Node_get_y(), minX.Node_get_pan(),
                                minY.Node_get_tilt(), zone, upToDate);
        square.bottom_right = cNode(maxX.Node_get_x(), maxY.Node_get_y(), maxX.Node_get_pan(),
                                    maxY.Node_get_tilt(), zone, upToDate);
        const cNode& a = square.top_left;
        const cNode& b = square.bottom_right;
        square.centre = cNode(midpoint(a.Node_get_x(), b.Node_get_x()),
                              midpoint(a.Node_get_y(), b.Node_get_y()),
                              midpoint(a.Node_get_pan(), b.Node_get_pan()),
                              midpoint(a.Node_get_tilt(), b.Node_get_tilt()), zone, upToDate);
        m_squares.append(square);
    }
}

int cAdvancedCalibrator::Nearest_square_zone(const cNode& p) const
{
    int zone = m_squares.first().top_left.Node_get_zone();
    double best = squareMeasure(m_squares.first(), p);
    for (const sSquare& square : m_squares) {
        const double measure = squareMeasure(square, p);
        if (measure < best) {
            best = measure;
            zone = square.top_left.Node_get_zone();
        }
    }
    return zone;
}

bool cAdvancedCalibrator::Calc_pan_tilt(int x, int y, int* pan, int* tilt) const
{
    if (m_squares.isEmpty())
        return false;
    cNode p = Picture_node(x, y);
    const int zone = Nearest_square_zone(p);
    for (const cTriangle& triangle : m_triangles) {
        if (triangle.Zone() == zone && triangle.Check_in_triangle(p) && triangle.Calc_Pan_Tilt(p))
            break;
    }
    if (p.Node_get_pan() == 0) {
        // Outside every triangle; an interpolated pan of exactly 0 is taken
        // as no answer too.
        const QVector<cNode>& nodes = m_zones.Find_qvNode_List_Zone(zone)->Nodes();
        p = nodes.at(p.Find_near_node(nodes));
    }
    *pan = p.Node_get_pan();
    *tilt = p.Node_get_tilt();
    return true;
}
