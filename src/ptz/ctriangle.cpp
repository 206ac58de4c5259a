#include "ptz/ctriangle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Wide = __int128;

Wide squaredLength(const cNode& n)
{
    return Wide(n.Node_get_x()) * n.Node_get_x() + Wide(n.Node_get_y()) * n.Node_get_y();
}

int toInt(long double v)
{
    const long double low = std::numeric_limits<int>::min();
    const long double high = std::numeric_limits<int>::max();
    return int(std::clamp(v, low, high));
}

// Linear interpolation over a triangle's vertices, from Q0 along the edge
// vectors d1 = Q1 - Q0 and d2 = Q2 - Q0. The products of differences stay in
// 64 bits; the rest is done in long double.
struct Interpolation
{
    qint64 d1x, d1y, d2x, d2y;
    qint64 area; // twice the signed area; 0 for collinear vertices
    const cNode& q0;

    Interpolation(const cNode& q0, const cNode& q1, const cNode& q2)
        : d1x(qint64(q1.Node_get_x()) - q0.Node_get_x()),
          d1y(qint64(q1.Node_get_y()) - q0.Node_get_y()),
          d2x(qint64(q2.Node_get_x()) - q0.Node_get_x()),
          d2y(qint64(q2.Node_get_y()) - q0.Node_get_y()), area(d2y * d1x - d1y * d2x), q0(q0)
    {
    }

    // The value at p, rounded to the nearest integer so that negative values
    // round like positive ones.
    int at(const cNode& p, qint64 v0, qint64 v1, qint64 v2) const
    {
        const qint64 d1v = v1 - v0;
        const qint64 d2v = v2 - v0;
        const long double px = qint64(p.Node_get_x()) - q0.Node_get_x();
        const long double py = qint64(p.Node_get_y()) - q0.Node_get_y();
        const long double along = (long double)(d2y * d1v - d1y * d2v) * px / area;
        const long double across = (long double)(d1x * d2v - d2x * d1v) * py / area;
        return toInt(std::floor(along + across + v0 + 0.5L));
    }
};

} // namespace

bool cTriangle::Degenerate() const
{
    if (m_q0 == m_q1 || m_q1 == m_q2 || m_q0 == m_q2)
        return true;
    const int side = m_q2.classify(m_q0, m_q1);
    return side == cNode::Behind || side == cNode::Beyond ||
           Interpolation(m_q0, m_q1, m_q2).area == 0;
}

// The crossing of the perpendicular bisectors of Q0Q1 and Q1Q2, truncated
// to whole eighths. 128 bits: the products reach 2^75 for the coordinate
// limit, and already pass 2^32 for a plain 720 x 576 picture.
cTriangle::Circumcentre cTriangle::Centre() const
{
    const Wide a1 = Wide(m_q1.Node_get_x()) - m_q0.Node_get_x();
    const Wide b1 = Wide(m_q1.Node_get_y()) - m_q0.Node_get_y();
    const Wide c1 = squaredLength(m_q1) - squaredLength(m_q0);
    const Wide a2 = Wide(m_q2.Node_get_x()) - m_q1.Node_get_x();
    const Wide b2 = Wide(m_q2.Node_get_y()) - m_q1.Node_get_y();
    const Wide c2 = squaredLength(m_q2) - squaredLength(m_q1);
    const Wide twiceDet = 2 * (a1 * b2 - a2 * b1);
    return {(c1 * b2 - c2 * b1) / twiceDet, (a1 * c2 - a2 * c1) / twiceDet};
}

// |n - C|^2 - |Q0 - C|^2 expanded, so that the far centre of a thin
// triangle is never squared.
qint64 cTriangle::Delone_value(const Circumcentre& c, const cNode& node) const
{
    const Wide dx = Wide(node.Node_get_x()) - m_q0.Node_get_x();
    const Wide dy = Wide(node.Node_get_y()) - m_q0.Node_get_y();
    const Wide value = squaredLength(node) - squaredLength(m_q0) - 2 * (c.x * dx + c.y * dy);
    const Wide low = std::numeric_limits<qint64>::min();
    const Wide high = std::numeric_limits<qint64>::max();
    return qint64(std::clamp(value, low, high));
}

qint64 cTriangle::Triangle_Check_Delone(const cNode& node) const
{
    if (Degenerate())
        return kDegenerate;
    return Delone_value(Centre(), node);
}

bool cTriangle::Is_vertex(const cNode& node) const
{
    return node == m_q0 || node == m_q1 || node == m_q2;
}

template <typename NodeAt> bool cTriangle::Circle_empty(int count, NodeAt nodeAt) const
{
    const bool degenerate = Degenerate();
    const Circumcentre centre = degenerate ? Circumcentre{0, 0} : Centre();
    for (int i = 0; i < count; ++i) {
        const cNode& node = nodeAt(i);
        if (Is_vertex(node))
            continue;
        const qint64 value = degenerate ? kDegenerate : Delone_value(centre, node);
        if (value < kDeloneTolerance)
            return false;
    }
    return true;
}

bool cTriangle::Triangle_Check_Delone(const QVector<cNode>& nodes) const
{
    return Circle_empty(nodes.size(), [&](int i) -> const cNode& { return nodes.at(i); });
}

bool cTriangle::Triangle_Check_Delone(const QVector<cNode>& nodes, const QVector<int>& near) const
{
    return Circle_empty(near.size(), [&](int i) -> const cNode& { return nodes.at(near.at(i)); });
}

// A node that fails the test is nearer the (whole-eighth) centre than Q0,
// so it lies within that radius of it; two eighths more cover the rounding
// of the box to doubles.
bool cTriangle::Circle_bounds(double* left, double* top, double* right, double* bottom) const
{
    if (Degenerate())
        return false;
    const Circumcentre c = Centre();
    const long double dx = (long double)(Wide(m_q0.Node_get_x()) - c.x);
    const long double dy = (long double)(Wide(m_q0.Node_get_y()) - c.y);
    const long double radius = std::sqrt(dx * dx + dy * dy) + 2;
    *left = double((long double)c.x - radius);
    *top = double((long double)c.y - radius);
    *right = double((long double)c.x + radius);
    *bottom = double((long double)c.y + radius);
    return true;
}

bool cTriangle::Check_in_triangle(const cNode& p) const
{
    return p.classify(m_q0, m_q1) != cNode::Left && p.classify(m_q1, m_q2) != cNode::Left &&
           p.classify(m_q2, m_q0) != cNode::Left;
}

bool cTriangle::Calc_Pan_Tilt(cNode& p) const
{
    const Interpolation plane(m_q0, m_q1, m_q2);
    if (plane.area == 0)
        return false;
    const int pan = plane.at(p, m_q0.Node_get_pan(), m_q1.Node_get_pan(), m_q2.Node_get_pan());
    const int tilt = plane.at(p, m_q0.Node_get_tilt(), m_q1.Node_get_tilt(), m_q2.Node_get_tilt());
    p.Node_set_pan(pan);
    p.Node_set_tilt(tilt);
    return true;
}
