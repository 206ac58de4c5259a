#include "ptz/cmeshfront.h"

#include <algorithm>
#include <cmath>
#include <limits>

// A node counts as on an edge's line within kLineTolerance / length of it,
// so two edges can only be taken as crossing where their boxes, widened by
// that much, meet.
cMeshFront::Box cMeshFront::Reach(const cRib& rib)
{
    const cNode& a = rib.Node_first();
    const cNode& b = rib.Node_second();
    const double length = std::sqrt(double(cNode::Node_distance(a, b)));
    const double widen =
        length > 0 ? cNode::kLineTolerance / length + 1 : std::numeric_limits<double>::infinity();
    return {std::min(a.Node_get_x(), b.Node_get_x()) - widen,
            std::min(a.Node_get_y(), b.Node_get_y()) - widen,
            std::max(a.Node_get_x(), b.Node_get_x()) + widen,
            std::max(a.Node_get_y(), b.Node_get_y()) + widen};
}

bool cMeshFront::Box::Meets(const Box& other) const
{
    return left <= other.right && other.left <= right && top <= other.bottom && other.top <= bottom;
}

int cMeshFront::Find(const cRib& rib) const
{
    const int a = m_identity.at(rib.First());
    const int b = m_identity.at(rib.Second());
    for (int i = 0; i < m_ribs.size(); ++i) {
        const int c = m_identity.at(m_ribs.at(i).First());
        const int d = m_identity.at(m_ribs.at(i).Second());
        if ((a == c && b == d) || (a == d && b == c))
            return i;
    }
    return -1;
}

void cMeshFront::Append(const cRib& rib)
{
    m_ribs.append(rib);
    m_boxes.append(Reach(rib));
}

void cMeshFront::Remove(int at)
{
    m_ribs.remove(at);
    m_boxes.remove(at);
}

bool cMeshFront::Crosses_none(const cRib& rib) const
{
    const Box reach = Reach(rib);
    for (int i = 0; i < m_ribs.size(); ++i) {
        if (m_boxes.at(i).Meets(reach) && !m_ribs.at(i).cheak_cross(rib))
            return false;
    }
    return true;
}
