#pragma once

#include <QString>

// What a zone rule means around a moment: whether daylight time is in force
// and when the zone's offset next changes, worked out with CTimeZoner so
// that it agrees with the time the recorder is sent.
class cDaylightOutlook
{
public:
    // Looks up to a year ahead of `utc` (seconds since 1970).
    cDaylightOutlook(const QString& rule, qint64 utc);

    // Whether the offset changes within the year ahead.
    bool hasDaylight() const { return m_change != 0; }
    bool inForce() const { return m_inForce; }
    // The first second of the new offset; 0 without daylight time.
    qint64 nextChange() const { return m_change; }
    // The zone's local clock just before the change and just after it.
    QString localBefore() const { return m_before; }
    QString localAfter() const { return m_after; }
    // One sentence for the user.
    QString text() const;

private:
    bool m_inForce = false;
    qint64 m_change = 0;
    QString m_before;
    QString m_after;
};
