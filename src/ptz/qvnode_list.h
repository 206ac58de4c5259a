#pragma once

#include "ptz/cnode.h"

#include <QVector>

#include <memory>

// The nodes of one zone, sorted by x + y, and the link to the next zone's
// list. The first list of a chain always exists, possibly empty.
class qvNode_List
{
public:
    qvNode_List() = default;
    ~qvNode_List();
    qvNode_List(const qvNode_List&) = delete;
    qvNode_List& operator=(const qvNode_List&) = delete;

    const QVector<cNode>& Nodes() const { return m_nodes; }
    bool isEmpty() const { return m_nodes.isEmpty(); }
    qvNode_List* Next() const { return m_next.get(); }

    // Inserts in ascending order of x + y, after nodes with an equal sum.
    void SortByXY(const cNode& node);
    // Appends unsorted; Sort_by_xy() then gives the order SortByXY would
    // have, in n log n instead of a shift per node.
    void Append(const cNode& node) { m_nodes.append(node); }
    void Sort_by_xy();
    // The list of the chain, from this one on, whose nodes have `zone`.
    qvNode_List* Find_qvNode_List_Zone(int zone);
    const qvNode_List* Find_qvNode_List_Zone(int zone) const;
    // A new empty list linked right after this one.
    qvNode_List* Insert_after();
    // Empties this list and drops the rest of the chain.
    void Clear();

private:
    QVector<cNode> m_nodes;
    std::unique_ptr<qvNode_List> m_next;
};
