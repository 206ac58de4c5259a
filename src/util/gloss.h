#pragma once

class QPainter;

// The suite's gloss band along the top edge of a dialog `width` wide: a
// white band fading from alpha 96 to 32 over 30 pixels, its lower edge
// curving down at the left.
void paintTopGloss(QPainter& painter, double width);
