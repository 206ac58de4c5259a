// Steps of the control type "PTZAlarm": alarm levels over a picture, the
// level map split over four keys told apart by their last character.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "ptz/cptzalarm.h"

#include <QWidgetItem>

namespace {

constexpr int kDefaultSide = 10;
constexpr int kParts = 4;

int gridSide(const QDomElement& item, const QString& name)
{
    return item.hasAttribute(name) ? item.attribute(name).toInt() : kDefaultSide;
}

// Quarter 1 to 4 of the map text, as the last character of a key selects it.
QString mapPart(const QString& text, int part)
{
    const qsizetype quarter = text.size() / 4;
    const qsizetype half = text.size() / 2;
    const qsizetype starts[kParts + 1] = {0, quarter, half, half + quarter, text.size()};
    return text.mid(starts[part - 1], starts[part] - starts[part - 1]);
}

} // namespace

QLayoutItem* CWinMain::newPTZAlarm(QDomElement& item)
{
    auto* alarm = new cPTZAlarm(controlParent);
    alarm->setArray(gridSide(item, QStringLiteral("ctrlColumns")),
                    gridSide(item, QStringLiteral("ctrlRows")));
    connectChange(alarm, &cMaskedImage::valueChanged);
    return new QWidgetItem(alarm);
}

// The name of the children that hold the keys: the settings value of the
// last "set_switch" child, else "key".
QString CWinMain::alarmKeyName(const QDomElement& element)
{
    QString name;
    for (QDomElement s = element.firstChildElement(QStringLiteral("set_switch")); !s.isNull();
         s = s.nextSiblingElement(QStringLiteral("set_switch")))
        name = setup->value(s.text());
    return name.isEmpty() ? QStringLiteral("key") : name;
}

void CWinMain::updatePTZAlarm(QDomElement& element, QWidget* widget)
{
    auto* alarm = qobject_cast<cPTZAlarm*>(widget);
    if (!alarm)
        return;
    const QDomElement firstSwitch = element.firstChildElement(QStringLiteral("set_switch"));
    if (!firstSwitch.isNull())
        registerKeyForLink(firstSwitch.text(), element);
    const QString name = alarmKeyName(element);
    QString text;
    for (QDomElement k = element.firstChildElement(name); !k.isNull();
         k = k.nextSiblingElement(name))
        text += setup->value(k.text());
    alarm->setValue(text);
}

void CWinMain::actPTZAlarm(QDomElement& element, QWidget* widget)
{
    auto* alarm = qobject_cast<cPTZAlarm*>(widget);
    if (!alarm)
        return;
    const QString text = alarm->value();
    const QString name = alarmKeyName(element);
    for (QDomElement k = element.firstChildElement(name); !k.isNull();
         k = k.nextSiblingElement(name)) {
        const QString key = k.text();
        const int part = key.isEmpty() ? 0 : key.back().digitValue();
        if (part >= 1 && part <= kParts)
            setValue(writeKey(key) + mapPart(text, part));
    }
}
