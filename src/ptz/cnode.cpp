#include "ptz/cnode.h"

#include <algorithm>

cNode::cNode(int x, int y) : m_x(Clamp_coordinate(x)), m_y(Clamp_coordinate(y)) {}

cNode::cNode(int x, int y, int pan, int tilt, int zone, int up_to_date)
    : m_x(Clamp_coordinate(x)), m_y(Clamp_coordinate(y)), m_pan(pan), m_tilt(tilt), m_zone(zone),
      m_up_to_date(up_to_date)
{
}

int cNode::Clamp_coordinate(qint64 v)
{
    return int(std::clamp<qint64>(v, -kCoordinateLimit, kCoordinateLimit));
}

bool cNode::operator==(const cNode& other) const
{
    return m_x == other.m_x && m_y == other.m_y && m_pan == other.m_pan && m_tilt == other.m_tilt &&
           m_zone == other.m_zone;
}

int cNode::classify(const cNode& a, const cNode& b) const
{
    const qint64 bx = qint64(b.m_x) - a.m_x;
    const qint64 by = qint64(b.m_y) - a.m_y;
    const qint64 px = qint64(m_x) - a.m_x;
    const qint64 py = qint64(m_y) - a.m_y;
    const qint64 s = bx * py - by * px;
    if (s > kLineTolerance)
        return Right;
    if (s < -kLineTolerance)
        return Left;
    if (bx * px < 0 || by * py < 0)
        return Behind;
    if (Node_distance(a, b) < Node_distance(a, *this))
        return Beyond;
    if (*this == a)
        return Origin;
    if (*this == b)
        return Destination;
    return Between;
}

qint64 cNode::Node_distance(const cNode& a, const cNode& b)
{
    const qint64 dx = qint64(b.m_x) - a.m_x;
    const qint64 dy = qint64(b.m_y) - a.m_y;
    return dx * dx + dy * dy;
}

int cNode::Find_near_node(const QVector<cNode>& nodes) const
{
    int nearest = -1;
    qint64 best = 0;
    for (int i = 0; i < nodes.size(); ++i) {
        const qint64 d = Node_distance(*this, nodes.at(i));
        if (nearest < 0 || d < best) {
            nearest = i;
            best = d;
        }
    }
    return nearest;
}
