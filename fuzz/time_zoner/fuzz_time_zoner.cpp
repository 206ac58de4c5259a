// Time-zone rules and times. Half of the inputs are well-formed rules built
// from the input (offsets in minutes, transitions), whose conversions must
// match a calendar computed day by day, also one second around each
// transition. The other half are any rule text, which must convert without
// undefined behaviour, the same way on a fresh converter and on one that
// held another rule before.
#include "fuzzcheck.h"
#include "util/ctimezoner.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr qint64 kDay = 86400;
const char kZeroRule[] = "UTC+0UTC+0";

// The converter's calendar: every fourth year is a leap year.
int yearDays(int year)
{
    return year % 4 == 0 ? 366 : 365;
}

int monthDays(int year, int month)
{
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return lengths[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
}

struct Year
{
    int year;
    qint64 start; // seconds from 1970 to its January 1
};

// The year a time falls in, counted up whole year by whole year; times from
// 2106 on belong to 2105, as the converter's table ends there.
Year yearOf(quint32 t)
{
    Year y{1970, 0};
    while (y.year < 2105 && y.start + yearDays(y.year) * kDay <= t) {
        y.start += yearDays(y.year) * kDay;
        ++y.year;
    }
    return y;
}

struct Transition
{
    int month = 1;
    int week = 0;
    int day = 0;
    int hour = 0;
};

// Seconds from January 1 to a transition: the week-th such weekday of the
// month (the first for weeks below 2, the last for week 5), found by walking
// the month's days.
qint64 transitionSeconds(const Transition& r, const Year& y)
{
    qint64 firstOfMonth = y.start / kDay;
    for (int m = 1; m < r.month; ++m)
        firstOfMonth += monthDays(y.year, m);
    QList<qint64> matching;
    for (int d = 0; d < monthDays(y.year, r.month); ++d) {
        if ((4 + firstOfMonth + d) % 7 == r.day) // 1970-01-01 was a Thursday
            matching.append(firstOfMonth + d);
    }
    const int index = r.week <= 1 ? 0 : qMin(r.week, int(matching.size())) - 1;
    return (matching.at(index) - y.start / kDay) * kDay + r.hour * 3600;
}

struct Rule
{
    int standard = 0; // seconds, positive west of Greenwich
    int daylight = 0;
    bool hasDaylight = false;
    Transition start;
    Transition end;

    // Daylight time from the start to the end, across the new year when the
    // start comes later in the year.
    quint32 convert(quint32 t, int std, int dst) const
    {
        const quint32 u = t - quint32(std);
        if (!hasDaylight)
            return u;
        const Year y = yearOf(u);
        const qint64 s = transitionSeconds(start, y);
        const qint64 e = transitionSeconds(end, y);
        const qint64 v = qint64(u) - y.start;
        const bool summer = s <= e ? (v >= s && v < e) : (v >= s || v < e);
        return summer ? t - quint32(dst) : u;
    }
    quint32 toLocal(quint32 t) const { return convert(t, standard, daylight); }
    quint32 toGmt(quint32 t) const { return convert(t, -standard, -daylight); }

    // The UTC times one second before, at and after each transition of the
    // year of `t`.
    QList<quint32> around(quint32 t) const
    {
        QList<quint32> out;
        if (!hasDaylight)
            return out;
        const Year y = yearOf(t - quint32(standard));
        for (const Transition* r : {&start, &end}) {
            const qint64 at = y.start + transitionSeconds(*r, y) + standard;
            for (qint64 delta : {-1, 0, 1})
                out.append(quint32(at + delta));
        }
        return out;
    }
};

QByteArray offsetText(int seconds)
{
    if (seconds == 0)
        return "0"; // "+0" twice would be the fixed-zero rule
    const int minutes = std::abs(seconds) / 60;
    QByteArray text = seconds < 0 ? "-" : "+";
    text += QByteArray::number(minutes / 60);
    if (minutes % 60)
        text += ':' + QByteArray::number(minutes % 60).rightJustified(2, '0');
    return text;
}

QByteArray transitionText(const Transition& r, bool withHour)
{
    QByteArray text = ",M" + QByteArray::number(r.month) + '.' + QByteArray::number(r.week) + '.' +
                      QByteArray::number(r.day);
    if (withHour)
        text += '/' + QByteArray::number(r.hour);
    return text;
}

Transition consumeTransition(FuzzedDataProvider& in, bool withHour)
{
    Transition r;
    r.month = in.ConsumeIntegralInRange(1, 12);
    r.week = in.ConsumeIntegralInRange(0, 5);
    r.day = in.ConsumeIntegralInRange(0, 6);
    r.hour = withHour ? in.ConsumeIntegralInRange(0, 23) : 0;
    return r;
}

QByteArray consumeRule(FuzzedDataProvider& in, Rule& rule)
{
    rule.standard = in.ConsumeIntegralInRange(-26 * 60, 26 * 60) * 60;
    rule.daylight = in.ConsumeIntegralInRange(-26 * 60, 26 * 60) * 60;
    rule.hasDaylight = in.ConsumeBool();
    QByteArray text = "UTC" + offsetText(rule.standard);
    if (!rule.hasDaylight)
        return text;
    text += "UTC" + offsetText(rule.daylight);
    for (Transition* r : {&rule.start, &rule.end}) {
        const bool withHour = in.ConsumeBool();
        *r = consumeTransition(in, withHour);
        text += transitionText(*r, withHour);
    }
    return text;
}

QList<quint32> consumeTimes(FuzzedDataProvider& in)
{
    QList<quint32> times;
    while (in.remaining_bytes() >= sizeof(quint32) && times.size() < 16)
        times.append(in.ConsumeIntegral<quint32>());
    return times;
}

// The broken-down UTC time of `t` in the converter's calendar; mktime must
// give `t` back.
void checkMktime(CTimeZoner& zoner, quint32 t)
{
    tm b{};
    qint64 days = t / kDay;
    int year = 1970;
    while (days >= yearDays(year))
        days -= yearDays(year++);
    int month = 1;
    while (days >= monthDays(year, month))
        days -= monthDays(year, month++);
    b.tm_year = year - 1900;
    b.tm_mon = month - 1;
    b.tm_mday = int(days) + 1;
    b.tm_hour = int(t % kDay / 3600);
    b.tm_min = int(t % 3600 / 60);
    b.tm_sec = int(t % 60);
    require(zoner.mktime(&b) == t);
}

// What holds for every rule: the offset is what the conversion applies
// (nothing for the fixed-zero rule), and without daylight time the two
// conversions undo each other.
void checkConsistent(CTimeZoner& zoner, const char* rule, quint32 t)
{
    const bool fixedZero = rule && std::strncmp(rule, kZeroRule, 10) == 0;
    const qint32 offset = qint32(quint32(zoner.GetCurrentOffset(t)));
    require(offset == (fixedZero ? 0 : qint32(quint32(zoner.ToLocal(t)) - t)));
    if (rule && !fixedZero && !std::strchr(rule, ','))
        require(quint32(zoner.ToGMT(zoner.ToLocal(t))) == t);
    checkMktime(zoner, t);
}

CTimeZoner& reused()
{
    static CTimeZoner zoner("UTC-3UTC-4,M3.5.0/2,M10.5.0/2");
    return zoner;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool wellFormed = in.ConsumeBool();
    Rule rule;
    std::string text;
    const char* tz = nullptr;
    if (wellFormed) {
        text = consumeRule(in, rule).toStdString();
        tz = text.c_str();
    } else if (in.ConsumeBool()) {
        text = in.ConsumeRandomLengthString(96);
        tz = text.c_str();
    }
    // Any broken-down time: outside the table there is no answer, never a
    // fault.
    tm any{};
    for (int* field :
         {&any.tm_sec, &any.tm_min, &any.tm_hour, &any.tm_mday, &any.tm_mon, &any.tm_year})
        *field = in.ConsumeIntegral<int>();
    CTimeZoner(nullptr).mktime(&any);
    QList<quint32> times = consumeTimes(in);
    for (quint32 t : QList<quint32>(times))
        times += rule.around(t);

    CTimeZoner fresh(tz);
    reused().SetTimeZone(tz);
    for (quint32 t : times) {
        require(fresh.ToLocal(t) == reused().ToLocal(t));
        require(fresh.ToGMT(t) == reused().ToGMT(t));
        require(fresh.GetCurrentOffset(t) == reused().GetCurrentOffset(t));
        checkConsistent(fresh, tz, t);
        if (wellFormed) {
            require(quint32(fresh.ToLocal(t)) == rule.toLocal(t));
            require(quint32(fresh.ToGMT(t)) == rule.toGmt(t));
        }
    }
    return 0;
}
