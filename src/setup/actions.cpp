// Actions of the description: calls of slots by name and the enabling and
// disabling of other controls.
#include "cwinmain.h"

#include "config/nbxsetup.h"

void CWinMain::commonActionsProcessing(QDomElement& element)
{
    // An error stops the list: OK's accept() must not follow a failed store.
    const int errorsBefore = errorCount;
    for (QDomElement action = element.firstChildElement(QStringLiteral("action")); !action.isNull();
         action = action.nextSiblingElement(QStringLiteral("action"))) {
        if (action.attribute(QStringLiteral("type")) == QLatin1String("call"))
            commonCallProcessing(action);
        if (errorCount != errorsBefore)
            return;
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
        // Each target sees the values as the calls before it left them.
        const QString param =
            withParam ? substitute(action.attribute(QStringLiteral("param"))) : QString();
        // Only an exchange this call started is waited for: a picture
        // adjustment already under way must not stall a slider.
        const bool idleBefore = !setup->busy();
        const int errorsBefore = errorCount;
        if (withParam)
            QMetaObject::invokeMethod(target, name.constData(), Qt::DirectConnection,
                                      Q_ARG(QString, param));
        else
            QMetaObject::invokeMethod(target, name.constData(), Qt::DirectConnection);
        if (idleBefore)
            waitForSource(param);
        if (errorCount == errorsBefore && method == QLatin1String("callSetup"))
            callDone(param);
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
