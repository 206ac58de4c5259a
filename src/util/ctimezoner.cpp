#include "ctimezoner.h"

#include <QList>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const char* kDefaultRule = "UTC-3UTC-4,M3.5.0/2,M10.5.0/2";
const char* kZeroRule = "UTC+0UTC+0";
const char* kZeroSubstitute = "UTC-0UTC+1,M3.5.0/2,M10.5.0/2";
const char* kOffsetChars = "0123456789+-:";
const unsigned long kDay = 86400;

// Devices count in 32 bits; every result wraps the way theirs does.
quint32 wrap32(unsigned long v)
{
    return static_cast<quint32>(v);
}

QByteArray dropLeading(const QByteArray& s, const char* set)
{
    int i = 0;
    while (i < s.size() && s.at(i) != '\0' && std::strchr(set, s.at(i)))
        ++i;
    return s.mid(i);
}

// The text before the first of the characters in `stops`.
QByteArray upTo(const QByteArray& s, const char* stops)
{
    int i = 0;
    while (i < s.size() && !std::strchr(stops, s.at(i)))
        ++i;
    return s.left(i);
}

// Signed 32-bit wrap-around, as the devices' own int arithmetic gives.
int wrapInt(qint64 v)
{
    return static_cast<int>(static_cast<qint32>(static_cast<quint32>(v)));
}

// A number as a 32-bit strtol (and sscanf's %d) reads it: out-of-range text
// saturates at the int limits.
int readInt(const char* s, const char** end)
{
    char* e = nullptr;
    const long long v = std::strtoll(s, &e, 10);
    if (end)
        *end = e;
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

const char* skipDigitsAndColon(const char* p)
{
    while (*p >= '0' && *p <= '9')
        ++p;
    if (*p == ':')
        ++p;
    return p;
}

} // namespace

const unsigned long CTimeZoner::mYears[137] = {
    0UL,          31536000UL,   63072000UL,   94694400UL,   126230400UL,  157766400UL,
    189302400UL,  220924800UL,  252460800UL,  283996800UL,  315532800UL,  347155200UL,
    378691200UL,  410227200UL,  441763200UL,  473385600UL,  504921600UL,  536457600UL,
    567993600UL,  599616000UL,  631152000UL,  662688000UL,  694224000UL,  725846400UL,
    757382400UL,  788918400UL,  820454400UL,  852076800UL,  883612800UL,  915148800UL,
    946684800UL,  978307200UL,  1009843200UL, 1041379200UL, 1072915200UL, 1104537600UL,
    1136073600UL, 1167609600UL, 1199145600UL, 1230768000UL, 1262304000UL, 1293840000UL,
    1325376000UL, 1356998400UL, 1388534400UL, 1420070400UL, 1451606400UL, 1483228800UL,
    1514764800UL, 1546300800UL, 1577836800UL, 1609459200UL, 1640995200UL, 1672531200UL,
    1704067200UL, 1735689600UL, 1767225600UL, 1798761600UL, 1830297600UL, 1861920000UL,
    1893456000UL, 1924992000UL, 1956528000UL, 1988150400UL, 2019686400UL, 2051222400UL,
    2082758400UL, 2114380800UL, 2145916800UL, 2177452800UL, 2208988800UL, 2240611200UL,
    2272147200UL, 2303683200UL, 2335219200UL, 2366841600UL, 2398377600UL, 2429913600UL,
    2461449600UL, 2493072000UL, 2524608000UL, 2556144000UL, 2587680000UL, 2619302400UL,
    2650838400UL, 2682374400UL, 2713910400UL, 2745532800UL, 2777068800UL, 2808604800UL,
    2840140800UL, 2871763200UL, 2903299200UL, 2934835200UL, 2966371200UL, 2997993600UL,
    3029529600UL, 3061065600UL, 3092601600UL, 3124224000UL, 3155760000UL, 3187296000UL,
    3218832000UL, 3250454400UL, 3281990400UL, 3313526400UL, 3345062400UL, 3376684800UL,
    3408220800UL, 3439756800UL, 3471292800UL, 3502915200UL, 3534451200UL, 3565987200UL,
    3597523200UL, 3629145600UL, 3660681600UL, 3692217600UL, 3723753600UL, 3755376000UL,
    3786912000UL, 3818448000UL, 3849984000UL, 3881606400UL, 3913142400UL, 3944678400UL,
    3976214400UL, 4007836800UL, 4039372800UL, 4070908800UL, 4102444800UL, 4134067200UL,
    4165603200UL, 4197139200UL, 4228675200UL, 4260297600UL, 4291833600UL,
};

const unsigned long CTimeZoner::mMonthBoundsCommon[13] = {0,   31,  59,  90,  120, 151, 181,
                                                          212, 243, 273, 304, 334, 365};
const unsigned long CTimeZoner::mMonthBoundsLeap[13] = {0,   31,  60,  91,  121, 152, 182,
                                                        213, 244, 274, 305, 335, 366};

CTimeZoner::CTimeZoner(const char* tz)
{
    SetTimeZone(tz);
}

CTimeZoner::~CTimeZoner() = default;

void CTimeZoner::SetTimeZone(const char* tz)
{
    mStart = btz::tztrans{0, 0, 0, 0};
    mEnd = btz::tztrans{0, 0, 0, 0};
    mFixedZero = false;
    const char* text = tz;
    if (!tz) {
        text = kDefaultRule;
    } else if (std::strncmp(tz, kZeroRule, 10) == 0) {
        text = kZeroSubstitute;
        mFixedZero = true;
    }
    mRule = QString::fromLatin1(text);
    QByteArray s(text);
    mHasDaylight = s.contains(',');
    mStdOffset = 0;
    mDstOffset = 0;
    if (!mHasDaylight) {
        mStdOffset = _time2seconds(dropLeading(s.mid(3), "UTC").constData());
        return;
    }
    s = dropLeading(s, "UTC");
    mStdOffset = _time2seconds(upTo(s, "U,").constData());
    s = dropLeading(dropLeading(s, kOffsetChars), "UTC");
    mDstOffset = _time2seconds(upTo(s, "U,").constData());
    s = dropLeading(s, kOffsetChars);
    if (s.startsWith(','))
        s.remove(0, 1);
    const QList<QByteArray> rules = s.split(',');
    _str2mwdh(rules.value(0).constData(), &mStart);
    _str2mwdh(rules.value(1).constData(), &mEnd);
}

int CTimeZoner::_time2seconds(const char* s)
{
    const bool negative = *s == '-';
    while (*s == ' ' || *s == '+' || *s == '-')
        ++s;
    int parts[3] = {0, 0, 0};
    const char* p = s;
    for (int i = 0; i < 3; ++i) {
        parts[i] = readInt(p, nullptr);
        p = skipDigitsAndColon(p);
        if (!*p)
            break;
    }
    // Summed in 64 bits and wrapped, so huge fields give the devices' result
    // without overflowing here.
    const qint64 seconds = parts[0] * qint64(3600) + parts[1] * qint64(60) + parts[2];
    return wrapInt(negative ? -seconds : seconds);
}

// Reads "M%d.%d.%d/%d" the way sscanf would, without its undefined overflow.
int CTimeZoner::_str2mwdh(const char* s, btz::tztrans* r)
{
    if (*s != 'M')
        return 0;
    const char* p = s + 1;
    int* fields[4] = {&r->month, &r->week, &r->day, &r->hour};
    const char separators[4] = {'.', '.', '/', '\0'};
    int read = 0;
    for (int i = 0; i < 4; ++i) {
        while (*p == ' ' || *p == '\t')
            ++p;
        const char* end = nullptr;
        const int v = readInt(p, &end);
        if (end == p)
            break;
        *fields[i] = v;
        ++read;
        p = end;
        if (i < 3) {
            if (*p != separators[i])
                break;
            ++p;
        }
    }
    return read;
}

int CTimeZoner::_find_year(unsigned long t)
{
    const quint32 u = wrap32(t);
    if (u >= mYears[136])
        return 2105;
    int i = 0;
    while (i + 1 < 136 && mYears[i + 1] <= u)
        ++i;
    return 1970 + i;
}

unsigned long CTimeZoner::_mwdh2time(const btz::tztrans& r, const unsigned long* bounds, int jan1)
{
    // A rule without a usable month (a missing transition reads as 0) falls
    // on January 1 rather than outside the table.
    if (r.month < 1 || r.month > 12)
        return static_cast<unsigned long>(r.hour) * 3600;
    const unsigned long first = bounds[r.month - 1];
    const int weekdayOfFirst = static_cast<int>((jan1 + first) % 7);
    unsigned long d =
        first + static_cast<unsigned long>(((qint64(r.day) - weekdayOfFirst) % 7 + 7) % 7);
    for (int w = 2; w <= r.week && w <= 5; ++w) {
        if (d + 7 >= bounds[r.month])
            break;
        d += 7;
    }
    return wrap32(d * kDay + static_cast<unsigned long>(r.hour) * 3600);
}

unsigned long CTimeZoner::_tflocal(unsigned long t, unsigned long std, unsigned long dst)
{
    const quint32 u = wrap32(t - std);
    if (!mHasDaylight)
        return u;
    const int y = _find_year(u);
    const bool leap = y % 4 == 0;
    const int jan1 = ((y % 4) + (y / 4) * 5 + (leap ? 5 : 6)) % 7;
    const unsigned long* bounds = leap ? mMonthBoundsLeap : mMonthBoundsCommon;
    const quint32 s = wrap32(_mwdh2time(mStart, bounds, jan1));
    const quint32 e = wrap32(_mwdh2time(mEnd, bounds, jan1));
    const quint32 v = u - wrap32(mYears[y - 1970]);
    // A rule whose start follows its end (southern hemisphere) keeps daylight
    // time across the new year instead of never applying it.
    const bool daylight = s <= e ? (v >= s && v < e) : (v >= s || v < e);
    return daylight ? wrap32(t - dst) : u;
}

unsigned long CTimeZoner::ToLocal(unsigned long t)
{
    // "UTC+0UTC+0" means UTC all year, whatever its substitute rule says.
    if (mFixedZero)
        return t;
    return _tflocal(t, static_cast<unsigned long>(static_cast<long>(mStdOffset)),
                    static_cast<unsigned long>(static_cast<long>(mDstOffset)));
}

unsigned long CTimeZoner::ToGMT(unsigned long t)
{
    if (mFixedZero)
        return t;
    return _tflocal(t, static_cast<unsigned long>(-static_cast<long>(mStdOffset)),
                    static_cast<unsigned long>(-static_cast<long>(mDstOffset)));
}

unsigned long CTimeZoner::GetCurrentOffset(unsigned long t)
{
    if (mFixedZero)
        return 0;
    const qint32 diff = static_cast<qint32>(wrap32(ToLocal(t) - t));
    return static_cast<unsigned long>(static_cast<long>(diff));
}

unsigned long CTimeZoner::mktime(tm* t)
{
    // Outside the tables there is no answer; report it the way the C
    // library's mktime does.
    if (!t || t->tm_mon < 0 || t->tm_mon > 11 || t->tm_year < 70 || t->tm_year > 206)
        return 0xFFFFFFFFUL;
    const unsigned long* bounds = t->tm_year % 4 == 0 ? mMonthBoundsLeap : mMonthBoundsCommon;
    const long days = static_cast<long>(bounds[t->tm_mon]) + t->tm_mday - 1;
    const long secs = t->tm_sec + t->tm_min * 60L + t->tm_hour * 3600L + days * 86400L;
    return wrap32(static_cast<unsigned long>(secs) + mYears[t->tm_year - 70]);
}
