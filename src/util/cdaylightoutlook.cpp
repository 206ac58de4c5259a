#include "cdaylightoutlook.h"

#include "ctimezoner.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {

constexpr qint64 kYear = 366 * 24 * 3600;
// Rules change on whole hours of local time and offsets run in quarter
// hours, so a step this short cannot pass over a change.
constexpr qint64 kStep = 15 * 60;

long offsetAt(CTimeZoner& zone, qint64 utc)
{
    return static_cast<long>(zone.GetCurrentOffset(static_cast<unsigned long>(utc)));
}

QString localText(qint64 utc, long offset)
{
    return QDateTime::fromSecsSinceEpoch(utc + offset, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

cDaylightOutlook::cDaylightOutlook(const QString& rule, qint64 utc)
{
    CTimeZoner zone(rule.toLatin1().constData());
    const long now = offsetAt(zone, utc);
    long other = now;
    qint64 t = utc;
    for (; t - utc <= kYear; t += kStep) {
        other = offsetAt(zone, t);
        if (other != now)
            break;
    }
    if (other == now)
        return;
    // The change lies in the last step: find its first second.
    qint64 lo = t - kStep, hi = t;
    while (hi - lo > 1) {
        const qint64 mid = lo + (hi - lo) / 2;
        (offsetAt(zone, mid) == now ? lo : hi) = mid;
    }
    m_change = hi;
    // Daylight time moves the clock forward.
    m_inForce = now > other;
    m_before = localText(hi, now);
    m_after = localText(hi, other);
}

QString cDaylightOutlook::text() const
{
    if (!hasDaylight())
        return QCoreApplication::translate("cDaylightOutlook",
                                           "This zone keeps the same time all year.");
    return (m_inForce ? QCoreApplication::translate(
                            "cDaylightOutlook",
                            "Daylight time is in force now. It ends at %1, when clocks go to %2.")
                      : QCoreApplication::translate(
                            "cDaylightOutlook",
                            "Standard time now. Daylight time starts at %1, when clocks go to %2."))
        .arg(m_before, m_after);
}
