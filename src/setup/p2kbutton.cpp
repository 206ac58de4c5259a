// Steps of the control type "p2k_button": a button the description can
// check, uncheck and toggle, whose clicks run the element's actions.
#include "controloptions.h"
#include "cwinmain.h"

#include "ptz/cqp2kbutton.h"

#include <QWidgetItem>

QLayoutItem* CWinMain::newP2Kbutton(QDomElement& item)
{
    auto* button = new cQP2kButton();
    applyPushButtonOptions(button, item);
    button->setText(substitute(item.firstChildElement(QStringLiteral("text")).text(), item));
    connect(button, &QPushButton::clicked, this, qOverload<>(&CWinMain::onCtrlChanged));
    return new QWidgetItem(button);
}

void CWinMain::actP2Kbutton(QDomElement& element, QWidget* widget)
{
    if (sender() == widget)
        commonActionsProcessing(element);
}
