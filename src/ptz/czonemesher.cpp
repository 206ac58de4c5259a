#include "ptz/czonemesher.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

// Each node index mapped to the first index of a node equal to it, since
// edges and triangles match their corners by value.
QVector<int> identities(const QVector<cNode>& nodes)
{
    std::map<std::tuple<int, int, int, int, int>, int> first;
    QVector<int> out(nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        const cNode& n = nodes.at(i);
        const auto key = std::make_tuple(n.Node_get_x(), n.Node_get_y(), n.Node_get_pan(),
                                         n.Node_get_tilt(), n.Node_get_zone());
        out[i] = first.emplace(key, i).first->second;
    }
    return out;
}

quint64 edgeKey(int from, int to)
{
    return (quint64(quint32(from)) << 32) | quint32(to);
}

} // namespace

cZoneMesher::cZoneMesher(const QVector<cNode>& nodes)
    : m_nodes(nodes), m_identity(identities(nodes)), m_grid(nodes), m_front(m_identity)
{
}

void cZoneMesher::Run(QVector<cTriangle>& triangles)
{
    const int n = m_nodes.size();
    if (n < 3)
        return;
    int second = 1;
    for (int i = 2; i < n; ++i) {
        const int side = m_nodes.at(i).classify(m_nodes.at(0), m_nodes.at(second));
        if (side == cNode::Left || side == cNode::Between)
            second = i;
    }
    const int zoneStart = triangles.size();
    m_front.Append(cRib(second, 0, m_nodes));
    while (!m_front.isEmpty()) {
        const cRib edge = m_front.First();
        Close_edge(edge.First(), edge.Second(), triangles);
        const int at = m_front.Find(edge);
        if (at >= 0)
            m_front.Remove(at);
        // The bound counts this zone's triangles only: counting those of
        // earlier zones would cut a smaller later zone short.
        if (triangles.size() - zoneStart > 2 * n)
            break;
    }
}

// The candidates in the order the ranges are searched: [i1, i2), then
// [i2, n), then [0, i1).
QVector<int> cZoneMesher::Ordered_candidates(int i1, int i2) const
{
    QVector<int> out = m_grid.Closing_candidates(i1, i2);
    const auto range = [&](int k) {
        return (i1 < i2 && k >= i1 && k < i2) ? 0 : (k >= i2 ? 1 : 2);
    };
    std::sort(out.begin(), out.end(), [&](int a, int b) {
        return std::make_pair(range(a), a) < std::make_pair(range(b), b);
    });
    return out;
}

bool cZoneMesher::Close_edge(int i1, int i2, QVector<cTriangle>& triangles)
{
    for (const int k : Ordered_candidates(i1, i2)) {
        const cRib toSecond(k, i2, m_nodes);
        const cRib fromFirst(i1, k, m_nodes);
        if (!m_front.Crosses_none(toSecond) || !m_front.Crosses_none(fromFirst))
            continue;
        const cNode& candidate = m_nodes.at(k);
        const cTriangle triangle(m_nodes.at(i2), m_nodes.at(i1), candidate,
                                 candidate.Node_get_zone());
        if (!Circle_empty(triangle))
            continue;
        triangles.append(triangle);
        // A triangle lies left of its edges taken backwards.
        Mark_filled(i1, i2);
        Mark_filled(k, i1);
        Mark_filled(i2, k);
        Toggle_front_edge(toSecond);
        Toggle_front_edge(fromFirst);
        return true;
    }
    return false;
}

bool cZoneMesher::Circle_empty(const cTriangle& triangle) const
{
    double left = 0, top = 0, right = 0, bottom = 0;
    if (!triangle.Circle_bounds(&left, &top, &right, &bottom))
        return triangle.Triangle_Check_Delone(m_nodes);
    return triangle.Triangle_Check_Delone(m_nodes, m_grid.Nodes_in_box(left, top, right, bottom));
}

void cZoneMesher::Mark_filled(int from, int to)
{
    m_filled.insert(edgeKey(m_identity.at(from), m_identity.at(to)));
}

void cZoneMesher::Toggle_front_edge(const cRib& rib)
{
    const int at = m_front.Find(rib);
    if (at >= 0)
        m_front.Remove(at);
    else if (!m_filled.contains(edgeKey(m_identity.at(rib.First()), m_identity.at(rib.Second()))))
        m_front.Append(rib);
}
