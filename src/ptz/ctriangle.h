#pragma once

#include "ptz/cnode.h"

#include <QVector>

// A triangle of the mesh. Triangles built by the mesh have their inside on
// the right of each directed edge Q0 -> Q1, Q1 -> Q2, Q2 -> Q0.
class cTriangle
{
public:
    // The Delaunay value of a triangle that has no circumcircle.
    static constexpr qint64 kDegenerate = -21;
    // Nodes this far inside the circumcircle still let the triangle pass.
    static constexpr qint64 kDeloneTolerance = -20;

    cTriangle() = default;
    cTriangle(const cNode& q0, const cNode& q1, const cNode& q2, int zone)
        : m_q0(q0), m_q1(q1), m_q2(q2), m_zone(zone)
    {
    }

    const cNode& Q0() const { return m_q0; }
    const cNode& Q1() const { return m_q1; }
    const cNode& Q2() const { return m_q2; }
    int Zone() const { return m_zone; }

    // Squared distance of `node` from the circumcentre minus that of Q0:
    // negative inside the circumcircle; kDegenerate without a circumcircle.
    qint64 Triangle_Check_Delone(const cNode& node) const;
    // No node of the list but the vertices lies inside the circumcircle
    // (beyond the tolerance).
    bool Triangle_Check_Delone(const QVector<cNode>& nodes) const;
    // The same answer when `near` lists every node of `nodes` within
    // Circle_bounds (others may be listed too).
    bool Triangle_Check_Delone(const QVector<cNode>& nodes, const QVector<int>& near) const;
    // A box holding the circumcircle; false when there is no circumcircle.
    bool Circle_bounds(double* left, double* top, double* right, double* bottom) const;
    // Inside or on an edge, within the line tolerance.
    bool Check_in_triangle(const cNode& p) const;
    // Sets p's pan and tilt by linear interpolation over the vertices; false
    // (p unchanged) when the vertices are collinear.
    bool Calc_Pan_Tilt(cNode& p) const;

private:
    struct Circumcentre
    {
        __int128 x;
        __int128 y;
    };
    bool Degenerate() const;
    Circumcentre Centre() const;
    qint64 Delone_value(const Circumcentre& c, const cNode& node) const;
    bool Is_vertex(const cNode& node) const;
    template <typename NodeAt> bool Circle_empty(int count, NodeAt nodeAt) const;

    cNode m_q0;
    cNode m_q1;
    cNode m_q2;
    int m_zone = 0;
};
