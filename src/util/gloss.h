#pragma once

class QPainter;
class QRectF;

// The suite's gloss over the top of `rect`: a white band fading from alpha
// 96 to 32, a third of the rectangle high, its lower edge curving down at
// the left to half the rectangle's height.
void paintGloss(QPainter& painter, const QRectF& rect);

// The gloss band along the top edge of a dialog `width` wide: 20 pixels
// high, curving down to 30 at the left.
void paintTopGloss(QPainter& painter, double width);
