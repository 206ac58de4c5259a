#include "ptz/cmeshgrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A node left of an edge seen from the edge's midpoint: t is the signed
// offset, along the edge's left normal, of the centre of the circle through
// the edge and the node; bound is the offset beyond which a circle holds
// this node deeper than the mesh's circle tolerance (with the rounding of
// the mesh's integer centre).
struct Offset
{
    int index;
    double t;
    double bound;
};

constexpr double kCircleTolerance = 20;

} // namespace

cMeshGrid::cMeshGrid(const QVector<cNode>& nodes) : m_nodes(nodes)
{
    const int n = std::max(1, int(nodes.size()));
    double right = 0;
    double bottom = 0;
    for (int i = 0; i < nodes.size(); ++i) {
        const double x = nodes.at(i).Node_get_x();
        const double y = nodes.at(i).Node_get_y();
        m_left = i == 0 ? x : std::min(m_left, x);
        m_top = i == 0 ? y : std::min(m_top, y);
        right = i == 0 ? x : std::max(right, x);
        bottom = i == 0 ? y : std::max(bottom, y);
    }
    const double width = right - m_left;
    const double height = bottom - m_top;
    // Two nodes a cell on average; a thin zone gets no more cells than
    // nodes along its long side.
    m_cell = std::max({1.0, std::sqrt(std::max(width, 1.0) * std::max(height, 1.0) * 2 / n),
                       std::max(width, height) / (2.0 * n)});
    m_columns = int(width / m_cell) + 1;
    m_rows = int(height / m_cell) + 1;
    QVector<int> cellOf(nodes.size());
    m_start.fill(0, m_columns * m_rows + 1);
    for (int i = 0; i < nodes.size(); ++i) {
        cellOf[i] = Row(nodes.at(i).Node_get_y()) * m_columns + Column(nodes.at(i).Node_get_x());
        ++m_start[cellOf[i] + 1];
    }
    for (int c = 0; c < m_columns * m_rows; ++c)
        m_start[c + 1] += m_start[c];
    m_entries.resize(nodes.size());
    QVector<int> fill = m_start;
    for (int i = 0; i < nodes.size(); ++i)
        m_entries[fill[cellOf[i]]++] = i;
}

// Clamped as doubles: a far circle's box reaches beyond any int.
int cMeshGrid::Column(double x) const
{
    return int(std::clamp(std::floor((x - m_left) / m_cell), 0.0, double(m_columns - 1)));
}

int cMeshGrid::Row(double y) const
{
    return int(std::clamp(std::floor((y - m_top) / m_cell), 0.0, double(m_rows - 1)));
}

template <typename Visit>
void cMeshGrid::Visit_cells(int c0, int r0, int c1, int r1, Visit visit) const
{
    c0 = std::max(c0, 0);
    r0 = std::max(r0, 0);
    c1 = std::min(c1, m_columns - 1);
    r1 = std::min(r1, m_rows - 1);
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const int cell = r * m_columns + c;
            for (int e = m_start.at(cell); e < m_start.at(cell + 1); ++e)
                visit(m_entries.at(e));
        }
    }
}

QVector<int> cMeshGrid::Nodes_in_box(double left, double top, double right, double bottom) const
{
    QVector<int> out;
    Visit_cells(Column(left), Row(top), Column(right), Row(bottom), [&](int i) { out.append(i); });
    return out;
}

// Rings of cells around the edge's midpoint, nearest first, until no node
// outside them can have a circle narrower than the bound found so far. A
// node at distance r > h (half the edge) from the midpoint has a circle
// offset of at least (r^2 - h^2) / 2r.
QVector<int> cMeshGrid::Closing_candidates(int i1, int i2) const
{
    const cNode& a = m_nodes.at(i1);
    const cNode& b = m_nodes.at(i2);
    const double bx = double(b.Node_get_x()) - a.Node_get_x();
    const double by = double(b.Node_get_y()) - a.Node_get_y();
    const double length = std::hypot(bx, by);
    QVector<int> out;
    if (length == 0)
        return out; // nothing is left of an edge without a direction
    const double mx = (double(a.Node_get_x()) + b.Node_get_x()) / 2;
    const double my = (double(a.Node_get_y()) + b.Node_get_y()) / 2;
    const double h = length / 2;
    double best = std::numeric_limits<double>::infinity();
    QVector<Offset> seen;
    const auto look = [&](int k) {
        const cNode& p = m_nodes.at(k);
        if (p.classify(a, b) != cNode::Left)
            return;
        const qint64 s =
            (qint64(b.Node_get_x()) - a.Node_get_x()) * (qint64(p.Node_get_y()) - a.Node_get_y()) -
            (qint64(b.Node_get_y()) - a.Node_get_y()) * (qint64(p.Node_get_x()) - a.Node_get_x());
        const double d = -double(s) / length;
        const double px = p.Node_get_x() - mx;
        const double py = p.Node_get_y() - my;
        const double t = (px * px + py * py - h * h) / (2 * d);
        const double rounding = 2 * (std::abs(double(p.Node_get_x()) - b.Node_get_x()) +
                                     std::abs(double(p.Node_get_y()) - b.Node_get_y()));
        const double bound = t + (kCircleTolerance + rounding) / (2 * d);
        seen.append({k, t, bound});
        best = std::min(best, bound);
    };
    const auto margin = [&] { return best + 1 + 1e-9 * std::abs(best); };
    const int c = Column(mx);
    const int r = Row(my);
    const int rings = std::max({c, m_columns - 1 - c, r, m_rows - 1 - r});
    for (int q = 0; q <= rings; ++q) {
        // Row strips above and below, column strips between them.
        Visit_cells(c - q, r - q, c + q, r - q, look);
        if (q > 0) {
            Visit_cells(c - q, r + q, c + q, r + q, look);
            Visit_cells(c - q, r - q + 1, c - q, r + q - 1, look);
            Visit_cells(c + q, r - q + 1, c + q, r + q - 1, look);
        }
        const double reach = q * m_cell;
        if (reach > h && (reach * reach - h * h) / (2 * reach) > margin())
            break;
    }
    for (const Offset& o : seen) {
        if (o.t <= margin())
            out.append(o.index);
    }
    return out;
}
