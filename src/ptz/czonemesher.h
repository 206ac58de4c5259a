#pragma once

#include "ptz/cmeshfront.h"
#include "ptz/cmeshgrid.h"
#include "ptz/cnode.h"
#include "ptz/ctriangle.h"

#include <QSet>
#include <QVector>

// Triangulates one zone by an advancing front from an edge at the node with
// the smallest x + y. Each front edge takes as third corner the first node,
// in the order of the front's index ranges, that lies left of it, crosses no
// front edge and leaves the triangle's circumcircle empty; the spatial index
// only narrows which nodes are looked at, never which one is taken.
class cZoneMesher
{
public:
    explicit cZoneMesher(const QVector<cNode>& nodes);

    // Appends the zone's triangles.
    void Run(QVector<cTriangle>& triangles);

private:
    bool Close_edge(int i1, int i2, QVector<cTriangle>& triangles);
    QVector<int> Ordered_candidates(int i1, int i2) const;
    bool Circle_empty(const cTriangle& triangle) const;
    void Mark_filled(int from, int to);
    // An edge whose far side already holds a triangle does not join the
    // front: searching that side again would lay a second triangle over the
    // first, and those copies would use up the triangle bound before the
    // zone is covered.
    void Toggle_front_edge(const cRib& rib);

    const QVector<cNode>& m_nodes;
    QVector<int> m_identity;
    cMeshGrid m_grid;
    cMeshFront m_front;
    // Directed edges (identity pairs) that have a triangle on their left.
    QSet<quint64> m_filled;
};
