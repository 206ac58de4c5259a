#include "ptz/calibrationmesh.h"

namespace {

// The first node whose key is best by `better`.
template <typename Key, typename Better>
int findFirst(const QVector<cNode>& nodes, Key key, Better better)
{
    int found = -1;
    for (int i = 0; i < nodes.size(); ++i) {
        if (found < 0 || better(key(nodes.at(i)), key(nodes.at(found))))
            found = i;
    }
    return found;
}

int x(const cNode& n)
{
    return n.Node_get_x();
}

int y(const cNode& n)
{
    return n.Node_get_y();
}

bool less(int a, int b)
{
    return a < b;
}

bool greater(int a, int b)
{
    return a > b;
}

// The gift-wrapping step from `current`: the candidate that no node of the
// set replaces, a node replacing it when it lies left of or between the
// current edge. `allowed` says which nodes may be candidates at all.
template <typename Allowed>
int nextOutlineNode(const QVector<cNode>& nodes, int current, Allowed allowed)
{
    int candidate = -1;
    for (int i = 0; i < nodes.size(); ++i) {
        if (i == current || !allowed(i))
            continue;
        if (candidate < 0) {
            candidate = i;
            continue;
        }
        const int side = nodes.at(i).classify(nodes.at(current), nodes.at(candidate));
        if (side == cNode::Left || side == cNode::Between)
            candidate = i;
    }
    return candidate;
}

} // namespace

int Find_Min_X(const QVector<cNode>& nodes)
{
    return findFirst(nodes, x, less);
}

int Find_Min_Y(const QVector<cNode>& nodes)
{
    return findFirst(nodes, y, less);
}

int Find_Max_X(const QVector<cNode>& nodes)
{
    return findFirst(nodes, x, greater);
}

int Find_Max_Y(const QVector<cNode>& nodes)
{
    return findFirst(nodes, y, greater);
}

// Plain gift wrapping turns in circles when the step from some node leads
// back to a node already on the outline other than the start (two nodes at
// one position, or nodes within the line tolerance of an outline edge). The
// plain step is kept whenever it goes somewhere new; otherwise the step is
// taken again among the nodes not yet on the outline. A node at the current
// node's position is never the next one: the edge to it has no direction,
// and the outline closes at the start's position.
QVector<cNode> Make_Border(const QVector<cNode>& nodes)
{
    QVector<cNode> border;
    const int start = Find_Min_X(nodes);
    if (start < 0)
        return border;
    QVector<bool> visited(nodes.size(), false);
    int current = start;
    const auto any = [&](int i) { return !nodes.at(i).Same_position(nodes.at(current)); };
    const auto fresh = [&](int i) { return any(i) && (i == start || !visited.at(i)); };
    while (border.size() < nodes.size()) {
        border.append(nodes.at(current));
        visited[current] = true;
        int next = nextOutlineNode(nodes, current, any);
        if (next >= 0 && !fresh(next))
            next = nextOutlineNode(nodes, current, fresh);
        if (next < 0 || nodes.at(next).Same_position(nodes.at(start)))
            break;
        current = next;
    }
    return border;
}
