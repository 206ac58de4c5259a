// Actions of the description: calls of slots by name and the enabling and
// disabling of other controls.
#include "cwinmain.h"

void CWinMain::commonActionsProcessing(QDomElement& element)
{
    for (QDomElement action = element.firstChildElement(QStringLiteral("action")); !action.isNull();
         action = action.nextSiblingElement(QStringLiteral("action"))) {
        if (action.attribute(QStringLiteral("type")) == QLatin1String("call"))
            commonCallProcessing(action);
    }
}

void CWinMain::commonCallProcessing(QDomElement& action)
{
    const QString method = action.attribute(QStringLiteral("slot"), QStringLiteral("setText"));
    const QByteArray name = method.toLatin1();
    const bool withParam = action.hasAttribute(QStringLiteral("param"));
    // A call may add or remove elements (a dialog it opens); work on a copy.
    for (const QDomElement& node : elementsNamed(action.text())) {
        QWidget* target = widgetOf(node.parentNode().toElement());
        if (!target)
            continue; // a missing target does nothing
        if (withParam)
            QMetaObject::invokeMethod(
                target, name.constData(), Qt::DirectConnection,
                Q_ARG(QString, substitute(action.attribute(QStringLiteral("param")))));
        else
            QMetaObject::invokeMethod(target, name.constData(), Qt::DirectConnection);
    }
}

void CWinMain::processAction(QWidget*, QDomElement& action)
{
    const QString type = action.attribute(QStringLiteral("type"));
    const bool enable = type == QLatin1String("enable");
    if (!enable && type != QLatin1String("disable"))
        return;
    for (const QDomElement& node : elementsNamed(action.text())) {
        QWidget* target = widgetOf(node.parentNode().toElement());
        if (!target || target->isEnabled() == enable)
            continue;
        target->setEnabled(enable);
        if (enable)
            toggledWidgets.append(target);
    }
}
