#pragma once

#include <QDomElement>
#include <QSize>

class QPushButton;

// The attributes "checkable" and "color" of a button element.
void applyPushButtonOptions(QPushButton* button, const QDomElement& item);
// The attributes "width" and "height" of a fixed-size view; 32 when absent or 0.
QSize fixedViewSize(const QDomElement& item);
