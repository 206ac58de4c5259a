// Steps of the weekly schedule ("velkschedule"): one cell per weekday and
// hour, kept in the file "timers" as one key per hour, 1 for an hour on.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "controls/cvelkschedule.h"

#include <QWidgetItem>

namespace {

// The rows of a schedule bound to the settings, in order.
const char* const gDaysOfWeek[] = {"monday", "tuesday",  "wednesday", "thursday",
                                   "friday", "saturday", "sunday"};
constexpr int kHours = 24;

QString hourKey(int day, int hour)
{
    return QStringLiteral("timers/%1/h%2").arg(QLatin1String(gDaysOfWeek[day])).arg(hour);
}

QList<QDomElement> childrenNamed(const QDomElement& element, const QString& tag)
{
    QList<QDomElement> out;
    for (QDomElement e = element.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag))
        out.append(e);
    return out;
}

} // namespace

QLayoutItem* CWinMain::newVelkSchedule(QDomElement& item)
{
    auto* schedule = new cVelkSchedule(controlParent);
    for (const QDomElement& column : childrenNamed(item, QStringLiteral("column")))
        schedule->appendColumn(substitute(column.text(), item));
    for (const QDomElement& row : childrenNamed(item, QStringLiteral("row")))
        schedule->appendRow(substitute(row.text(), item));
    connectChange(schedule, &cVelkSchedule::valueChanged);
    return new QWidgetItem(schedule);
}

void CWinMain::updateVelkSchedule(QDomElement& element, QWidget* widget)
{
    registerKeyForLink(QStringLiteral("timers/wednesday/h9"), element);
    auto* schedule = qobject_cast<cVelkSchedule*>(widget);
    if (!schedule)
        return;
    QVector<int> values;
    for (int day = 0; day < int(std::size(gDaysOfWeek)); ++day)
        for (int hour = 0; hour < kHours; ++hour)
            values.append(setup->value(hourKey(day, hour)).toInt() == 0 ? 1 : 0);
    schedule->setValue(values);
}

void CWinMain::actVelkSchedule(QDomElement&, QWidget* widget)
{
    auto* schedule = qobject_cast<cVelkSchedule*>(widget);
    if (!schedule)
        return;
    const QVector<int> values = schedule->value();
    // A grid of another shape writes the hours it has, in the same order.
    const int count = std::min(int(values.size()), int(std::size(gDaysOfWeek)) * kHours);
    for (int i = 0; i < count; ++i)
        setup->setValue(hourKey(i / kHours, i % kHours) + (values[i] == 0 ? "/1" : "/0"));
}
