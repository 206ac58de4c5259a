#pragma once

#include "ptz/cnode.h"
#include "ptz/crib.h"
#include "ptz/ctriangle.h"

#include <QVector>

// Free functions of the calibration mesh. Node searches answer an index into
// `nodes`, -1 for an empty vector; ties go to the first node.
int Find_Min_X(const QVector<cNode>& nodes);
int Find_Min_Y(const QVector<cNode>& nodes);
int Find_Max_X(const QVector<cNode>& nodes);
int Find_Max_Y(const QVector<cNode>& nodes);

// Index of the first edge of `ribs` with the ends of `r`, -1 when none.
int Find_Rib_Vector(const cRib& r, const QVector<cRib>& ribs);
// True when `r` crosses no edge of `ribs`.
bool Cheak_Cross(const QVector<cRib>& ribs, const cRib& r);

// Looks in nodes [from, to) for the third vertex of a triangle on the left of
// the front edge i1 -> i2. On success appends the triangle and updates the
// front with its two new edges.
bool RibSearchExecution(const QVector<cNode>& nodes, int i1, int i2, int from, int to,
                        QVector<cRib>& front, QVector<cTriangle>& triangles);

// The convex outline of `nodes` in order, starting at the first node with the
// smallest x. Never lists a node twice, so it ends on any input.
QVector<cNode> Make_Border(const QVector<cNode>& nodes);
