// Steps of the control type "p2k_button": a button the description can
// check, uncheck and toggle, whose clicks run the element's actions.
#include "controloptions.h"
#include "cwinmain.h"

#include "ptz/cqp2kbutton.h"

#include <QWidgetItem>

QLayoutItem* CWinMain::newP2Kbutton(QDomElement& item)
{
    auto* button = new cQP2kButton(controlParent);
    applyPushButtonOptions(button, item);
    button->setText(substitute(item.firstChildElement(QStringLiteral("text")).text(), item));
    // The direction the button latches on a PTZ control, so that the
    // button can show the control's latch rather than its own idea of it.
    for (QDomElement action = item.firstChildElement(QStringLiteral("action")); !action.isNull();
         action = action.nextSiblingElement(QStringLiteral("action"))) {
        if (action.attribute(QStringLiteral("slot")) == QLatin1String("slot_Move_PTZ")) {
            button->setProperty(kPTZDirectionProperty, action.attribute(QStringLiteral("param")));
            button->setProperty(kPTZTargetProperty, action.text());
        }
    }
    connectChange(button, &QPushButton::clicked);
    return new QWidgetItem(button);
}

void CWinMain::actP2Kbutton(QDomElement& element, QWidget* widget)
{
    if (signalledControl == widget)
        commonActionsProcessing(element);
}
