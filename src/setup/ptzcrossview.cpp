// Steps of the control type "PTZcrossView": a fixed-size picture view with a
// crosshair, fed by the PTZ control's targets.
#include "controloptions.h"
#include "cwinmain.h"

#include "ptz/cptzcrossview.h"

#include <QWidgetItem>

QLayoutItem* CWinMain::newPTZcrossView(QDomElement& item)
{
    auto* view = new cPTZCrossView(controlParent);
    view->setFixedSize(fixedViewSize(item));
    view->setFrameStyle(QFrame::StyledPanel);
    view->setScaledContents(true);
    return new QWidgetItem(view);
}
