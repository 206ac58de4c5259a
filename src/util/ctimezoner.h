#pragma once

#include <QString>

#include <ctime>

namespace btz {
// One daylight-time transition: month 1..12, week 1..5 (5 = last), weekday
// (0 = Sunday) and hour of the day.
struct tztrans
{
    int month;
    int week;
    int day;
    int hour;
};
} // namespace btz

// Converts between UTC and a device's local time from a POSIX-style rule
// ("UTC-3UTC-4,M3.5.0/2,M10.5.0/2") using fixed tables, so that the machine's
// own zone never matters. Times are 32-bit unsigned seconds since 1970 UTC,
// the way the devices count them; arithmetic wraps at 2^32 like theirs.
class CTimeZoner
{
public:
    explicit CTimeZoner(const char* tz);
    virtual ~CTimeZoner();

    void SetTimeZone(const char* tz);
    unsigned long ToLocal(unsigned long t);
    unsigned long ToGMT(unsigned long t);
    // A signed difference carried in an unsigned long: cast it to long.
    unsigned long GetCurrentOffset(unsigned long t);
    // Reads `t` as UTC.
    unsigned long mktime(tm* t);

    static int _time2seconds(const char* s);
    static int _str2mwdh(const char* s, btz::tztrans* r);
    static int _find_year(unsigned long t);
    static unsigned long _mwdh2time(const btz::tztrans& r, const unsigned long* bounds, int jan1);
    unsigned long _tflocal(unsigned long t, unsigned long std, unsigned long dst);

    // Seconds from 1970-01-01 to January 1 of 1970 + i, every fourth year a
    // leap year.
    static const unsigned long mYears[137];
    static const unsigned long mMonthBoundsCommon[13];
    static const unsigned long mMonthBoundsLeap[13];

    const QString& rule() const { return mRule; }

private:
    QString mRule;
    btz::tztrans mStart;
    btz::tztrans mEnd;
    bool mHasDaylight = false;
    int mStdOffset = 0;
    int mDstOffset = 0;
    bool mFixedZero = false;
};
