#pragma once

#include "ptz/cnode.h"

// The bounding rectangle of one zone's nodes.
struct sSquare
{
    cNode top_left;
    cNode bottom_right;
    cNode centre;
};
