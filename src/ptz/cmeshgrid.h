#pragma once

#include "ptz/cnode.h"

#include <QVector>

// Buckets of one zone's nodes on a square lattice, about two nodes a cell,
// so that the searches of the mesh look at the nodes near an edge instead
// of every node of the zone.
class cMeshGrid
{
public:
    explicit cMeshGrid(const QVector<cNode>& nodes);

    // Every node that may lie in the box (some outside it too), in no order.
    QVector<int> Nodes_in_box(double left, double top, double right, double bottom) const;

    // The nodes left of the edge i1 -> i2 that can be the third corner of a
    // triangle on it whose circumcircle holds no other node: every node
    // left of it whose circle through the edge is not far wider than the
    // narrowest such circle. A wider circle holds the node of the narrowest
    // one deeper than the mesh's tolerances, so no other node can qualify.
    QVector<int> Closing_candidates(int i1, int i2) const;

private:
    int Column(double x) const;
    int Row(double y) const;
    template <typename Visit> void Visit_cells(int c0, int r0, int c1, int r1, Visit visit) const;

    const QVector<cNode>& m_nodes;
    double m_left = 0;
    double m_top = 0;
    double m_cell = 1;
    int m_columns = 1;
    int m_rows = 1;
    QVector<int> m_start; // first entry of each cell in m_entries, one past the end last
    QVector<int> m_entries;
};
