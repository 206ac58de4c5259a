#pragma once

#include "ptz/cnode.h"

#include <QVector>

// Free functions of the calibration mesh. Node searches answer an index into
// `nodes`, -1 for an empty vector; ties go to the first node.
int Find_Min_X(const QVector<cNode>& nodes);
int Find_Min_Y(const QVector<cNode>& nodes);
int Find_Max_X(const QVector<cNode>& nodes);
int Find_Max_Y(const QVector<cNode>& nodes);

// The convex outline of `nodes` in order, starting at the first node with the
// smallest x. Never lists a node twice, so it ends on any input.
QVector<cNode> Make_Border(const QVector<cNode>& nodes);
