// Steps of the control type "daylightinfo": a line saying what the zone
// rule under its key means now, whether daylight time is in force and when
// the clocks next change, so that a rule can be judged before it is stored.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "util/cdaylightoutlook.h"

#include <QDateTime>
#include <QLabel>
#include <QWidgetItem>

QLayoutItem* CWinMain::newDaylightInfo(QDomElement&)
{
    return new QWidgetItem(new QLabel());
}

void CWinMain::updateDaylightInfo(QDomElement& element, QWidget* widget)
{
    auto* label = qobject_cast<QLabel*>(widget);
    const QDomElement key = element.firstChildElement(QStringLiteral("key"));
    if (!label || key.isNull())
        return;
    const cDaylightOutlook outlook(setup->value(key.text()), QDateTime::currentSecsSinceEpoch());
    label->setText(outlook.text());
}
