#pragma once

#include "ptz/cnode.h"

#include <QVector>

// An edge of the mesh: two indices into one zone's node vector.
class cRib
{
public:
    cRib(int first, int second, const QVector<cNode>& nodes)
        : m_first(first), m_second(second), m_nodes(&nodes)
    {
    }

    int First() const { return m_first; }
    int Second() const { return m_second; }
    const cNode& Node_first() const { return m_nodes->at(m_first); }
    const cNode& Node_second() const { return m_nodes->at(m_second); }

    // Where `p` lies relative to this edge, directed first -> second.
    int classify(const cNode& p) const { return p.classify(Node_first(), Node_second()); }
    // True unless the two edges cross at a point strictly inside both.
    bool cheak_cross(const cRib& other) const;
    // The same two end nodes, in either order.
    bool Same_ends(const cRib& other) const;

private:
    bool Shares_end(const cRib& other) const;
    // True when the ends of `other` rule out a crossing of its line with this edge.
    bool Ends_clear_of(const cRib& other) const;

    int m_first;
    int m_second;
    const QVector<cNode>* m_nodes;
};
