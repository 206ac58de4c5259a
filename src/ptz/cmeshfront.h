#pragma once

#include "ptz/crib.h"

#include <QVector>

// The open edges of a zone's advancing front. Each edge keeps its bounding
// box widened by the line tolerance's reach, so a crossing test skips the
// edges that cannot touch the new one, and the identities of its end nodes
// (equal nodes share one), so finding an edge compares integers.
class cMeshFront
{
public:
    // `identity` gives each node index the first index of an equal node.
    explicit cMeshFront(const QVector<int>& identity) : m_identity(identity) {}

    bool isEmpty() const { return m_ribs.isEmpty(); }
    const cRib& First() const { return m_ribs.first(); }
    // Index of the first edge with the same two end nodes in either order, -1 when none.
    int Find(const cRib& rib) const;
    void Append(const cRib& rib);
    void Remove(int at);
    // True when `rib` crosses no edge of the front.
    bool Crosses_none(const cRib& rib) const;

private:
    struct Box
    {
        double left, top, right, bottom;
        bool Meets(const Box& other) const;
    };
    static Box Reach(const cRib& rib);

    const QVector<int>& m_identity;
    QVector<cRib> m_ribs;
    QVector<Box> m_boxes;
};
