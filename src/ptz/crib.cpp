#include "ptz/crib.h"

bool cRib::Shares_end(const cRib& other) const
{
    const cNode& a = Node_first();
    const cNode& b = Node_second();
    const cNode& c = other.Node_first();
    const cNode& d = other.Node_second();
    return a == c || a == d || b == c || b == d;
}

bool cRib::Same_ends(const cRib& other) const
{
    const cNode& a = Node_first();
    const cNode& b = Node_second();
    const cNode& c = other.Node_first();
    const cNode& d = other.Node_second();
    return (a == c && b == d) || (a == d && b == c);
}

bool cRib::Ends_clear_of(const cRib& other) const
{
    const int c = classify(other.Node_first());
    const int d = classify(other.Node_second());
    if ((c == cNode::Left && d == cNode::Left) || (c == cNode::Right && d == cNode::Right))
        return true;
    const auto offEdge = [](int side) { return side == cNode::Behind || side == cNode::Beyond; };
    return offEdge(c) || offEdge(d);
}

bool cRib::cheak_cross(const cRib& other) const
{
    return Shares_end(other) || Ends_clear_of(other) || other.Ends_clear_of(*this);
}
