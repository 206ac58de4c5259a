#include "util/ctimezoner.h"

#include <QDateTime>
#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {

unsigned long utc(const char* iso)
{
    QDateTime d = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    d.setTimeSpec(Qt::UTC);
    return static_cast<unsigned long>(d.toSecsSinceEpoch());
}

long offsetOf(CTimeZoner& z, unsigned long t)
{
    return static_cast<long>(z.ToLocal(t)) - static_cast<long>(t);
}

// Offset east of UTC that the C library gives for `rule` at `t`.
long libcOffset(const char* rule, time_t t)
{
    setenv("TZ", rule, 1);
    tzset();
    tm local{};
    localtime_r(&t, &local);
    return local.tm_gmtoff;
}

const char* kDefault = "UTC-3UTC-4,M3.5.0/2,M10.5.0/2";

} // namespace

class tst_CTimeZoner : public QObject
{
    Q_OBJECT

private slots:
    void toLocal_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<bool>("nullRule");
        QTest::addColumn<QByteArray>("when");
        QTest::addColumn<qint64>("offset");

        auto row = [](const char* name, const char* rule, const char* when, qint64 offset,
                      bool nullRule = false) {
            QTest::newRow(name) << QByteArray(rule) << nullRule << QByteArray(when) << offset;
        };
        row("UTC-3 at the epoch", "UTC-3", "1970-01-01T00:00:00", 10800);
        row("west with minutes", "UTC+5:30", "2020-06-01T00:00:00", -19800);
        row("hours minutes seconds", "UTC-1:02:03", "2020-06-01T00:00:00", 3723);
        row("empty rule is UTC", "", "2024-07-15T12:00:00", 0);
        row("null rule in July", "", "2024-07-15T12:00:00", 14400, true);
        row("null rule in January", "", "2024-01-15T12:00:00", 10800, true);
        row("July is daylight", kDefault, "2024-07-15T12:00:00", 14400);
        row("January is standard", kDefault, "2024-01-15T12:00:00", 10800);
        // 2024: last Sundays are March 31 and October 27, 02:00 standard = 23:00 UTC before.
        row("before start 2024", kDefault, "2024-03-30T22:59:59", 10800);
        row("at start 2024", kDefault, "2024-03-30T23:00:00", 14400);
        row("before end 2024", kDefault, "2024-10-26T22:59:59", 14400);
        row("at end 2024", kDefault, "2024-10-26T23:00:00", 10800);
        row("no hour means midnight, before", "UTC-3UTC-4,M3.5.0,M10.5.0", "2024-03-30T20:59:59",
            10800);
        row("no hour means midnight, at", "UTC-3UTC-4,M3.5.0,M10.5.0", "2024-03-30T21:00:00",
            14400);
        // First and second Sundays of March 2024: the 3rd and the 10th.
        row("week 1 before", "UTC-3UTC-4,M3.1.0/2,M10.5.0/2", "2024-03-02T22:59:59", 10800);
        row("week 1 at", "UTC-3UTC-4,M3.1.0/2,M10.5.0/2", "2024-03-02T23:00:00", 14400);
        row("week 2 before", "UTC-3UTC-4,M3.2.0/2,M10.5.0/2", "2024-03-09T22:59:59", 10800);
        row("week 2 at", "UTC-3UTC-4,M3.2.0/2,M10.5.0/2", "2024-03-09T23:00:00", 14400);
        // Start after end: daylight time spans the new year.
        row("southern summer", "UTC-10UTC-11,M10.1.0/2,M4.1.0/3", "2024-01-15T12:00:00", 39600);
        row("southern winter", "UTC-10UTC-11,M10.1.0/2,M4.1.0/3", "2024-07-15T12:00:00", 36000);
        // The fixed-zero rule is UTC all year, not its substitute UTC-0UTC+1.
        row("zero rule July", "UTC+0UTC+0", "2024-07-15T12:00:00", 0);
        row("zero rule January", "UTC+0UTC+0", "2024-01-15T12:00:00", 0);
        row("zero rule, longer text", "UTC+0UTC+0,M3.5.0/2,M10.5.0/3", "2024-07-15T12:00:00", 0);
        // Huge fields read as a 32-bit strtol saturates and sum with 32-bit
        // wrap-around; at the epoch the offset is ToLocal's whole result.
        const char* epoch = "1970-01-01T00:00:00";
        row("largest hours that fit", "UTC-596523", epoch, 2147482800);
        row("hours wrap past 2^31", "UTC+596524", epoch, 2147480896);
        row("hours, minutes, seconds wrap", "UTC-596523:59:59", epoch, 2147486399);
        row("minutes alone wrap", "UTC-0:99999999", epoch, 1705032644);
        row("hours saturate, then wrap", "UTC-99999999999", epoch, 4294963696);
        row("trailing comma, no transitions", "UTC-3UTC-4,", "2024-07-15T12:00:00", 10800);
    }

    void toLocal()
    {
        QFETCH(QByteArray, rule);
        QFETCH(bool, nullRule);
        QFETCH(QByteArray, when);
        QFETCH(qint64, offset);

        CTimeZoner z(nullRule ? nullptr : rule.constData());
        const unsigned long t = utc(when.constData());
        QCOMPARE(qint64(offsetOf(z, t)), offset);
    }

    void toGmtReversesToLocal()
    {
        CTimeZoner plain("UTC-3");
        QCOMPARE(plain.ToGMT(10800), 0UL);
        CTimeZoner z(kDefault);
        CTimeZoner zero("UTC+0UTC+0");
        for (const char* when : {"2024-01-15T12:00:00", "2024-07-15T12:00:00"}) {
            const unsigned long t = utc(when);
            QCOMPARE(z.ToGMT(z.ToLocal(t)), t);
            QCOMPARE(zero.ToGMT(t), t);
        }
    }

    void currentOffset()
    {
        CTimeZoner zero("UTC+0UTC+0");
        CTimeZoner west("UTC+5");
        for (const char* when : {"2024-01-15T12:00:00", "2024-07-15T12:00:00"}) {
            QCOMPARE(zero.GetCurrentOffset(utc(when)), 0UL);
            QCOMPARE(static_cast<long>(west.GetCurrentOffset(utc(when))), -18000L);
        }
        CTimeZoner z(kDefault);
        QCOMPARE(static_cast<long>(z.GetCurrentOffset(utc("2024-07-15T12:00:00"))), 14400L);
    }

    void tables()
    {
        QCOMPARE(CTimeZoner::mYears[0], 0UL);
        QCOMPARE(CTimeZoner::mYears[2024 - 1970], utc("2024-01-01T00:00:00"));
        QCOMPARE(CTimeZoner::mYears[2100 - 1970], utc("2100-01-01T00:00:00"));
        // 2100 counts as a leap year, so 2101 lands a day late.
        QCOMPARE(CTimeZoner::mYears[2101 - 1970], utc("2101-01-02T00:00:00"));
        QCOMPARE(CTimeZoner::mYears[136], 4291833600UL);

        QCOMPARE(CTimeZoner::_find_year(0), 1970);
        QCOMPARE(CTimeZoner::_find_year(CTimeZoner::mYears[54] - 1), 2023);
        QCOMPARE(CTimeZoner::_find_year(CTimeZoner::mYears[54]), 2024);
        QCOMPARE(CTimeZoner::_find_year(CTimeZoner::mYears[135]), 2105);
        QCOMPARE(CTimeZoner::_find_year(0xFFFFFFFFUL), 2105);
    }

    void offsetsAndTransitionsParse()
    {
        QCOMPARE(CTimeZoner::_time2seconds("-3"), -10800);
        QCOMPARE(CTimeZoner::_time2seconds("5:30"), 19800);
        QCOMPARE(CTimeZoner::_time2seconds("+1:00:30"), 3630);
        QCOMPARE(CTimeZoner::_time2seconds(""), 0);
        QCOMPARE(CTimeZoner::_time2seconds("-596523"), -2147482800);
        // 2^31 hours: saturated to INT_MAX, times 3600 wraps to -3600.
        QCOMPARE(CTimeZoner::_time2seconds("2147483648"), -3600);

        btz::tztrans r{9, 9, 9, 9};
        QCOMPARE(CTimeZoner::_str2mwdh("M10.5.0", &r), 3);
        QCOMPARE(r.month, 10);
        QCOMPARE(r.week, 5);
        QCOMPARE(r.day, 0);
        QCOMPARE(r.hour, 9); // not present: kept
    }

    void mktimeReadsUtc()
    {
        CTimeZoner z("UTC-3");
        tm t{};
        t.tm_year = 124;
        t.tm_mon = 1;
        t.tm_mday = 29;
        t.tm_hour = 12;
        t.tm_min = 34;
        t.tm_sec = 56;
        QCOMPARE(z.mktime(&t), utc("2024-02-29T12:34:56"));
        t.tm_mon = 12;
        QCOMPARE(z.mktime(&t), 0xFFFFFFFFUL);
    }

    void malformedRulesStayHarmless_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::newRow("month out of range") << QByteArray("UTC-3UTC-4,M13.9.9/99,M0.0.0");
        QTest::newRow("negative fields") << QByteArray("UTC-3UTC-4,M-1.-5.-3/-2,M10.5.0");
        QTest::newRow("only commas") << QByteArray(",,,");
        QTest::newRow("huge offset") << QByteArray("UTC-99999999999999999999:99999999999");
        QTest::newRow("huge transition fields")
            << QByteArray("UTC-3UTC-4,M3.99999999999.-99999999999/99999999999,M10.5.-2147483648");
        QTest::newRow("other zone names") << QByteArray("EST5EDT,M3.2.0,M11.1.0");
        QTest::newRow("short text") << QByteArray("U");
    }

    void malformedRulesStayHarmless()
    {
        QFETCH(QByteArray, rule);
        CTimeZoner z(rule.constData());
        for (unsigned long t : {0UL, 1720000000UL, 0xFFFFFFFFUL}) {
            const unsigned long local = z.ToLocal(t);
            QVERIFY(local <= 0xFFFFFFFFUL);
        }
    }

    // Away from the transitions the C library and the fixed tables must agree.
    // They deliberately differ (not sampled here): in the hour after the end
    // transition, which the C library reads on the daylight clock and we on the
    // standard clock; and from 2100 on, which we count as a leap year.
    void agreesWithCLibraryMidSeason_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::newRow("east, last Sundays") << QByteArray(kDefault);
        QTest::newRow("west, second and first Sundays")
            << QByteArray("UTC+5UTC+4,M3.2.0/2,M11.1.0/2");
        QTest::newRow("transition without hour") << QByteArray("UTC-1UTC-2,M3.5.0,M10.5.0/3");
        QTest::newRow("southern") << QByteArray("UTC-10UTC-11,M10.1.0/2,M4.1.0/3");
        QTest::newRow("half hour, no daylight") << QByteArray("UTC-5:30");
        QTest::newRow("west, no daylight") << QByteArray("UTC+8");
    }

    void agreesWithCLibraryMidSeason()
    {
        QFETCH(QByteArray, rule);
        const QByteArray savedTz = qgetenv("TZ");
        const bool hadTz = qEnvironmentVariableIsSet("TZ");
        CTimeZoner z(rule.constData());
        for (int year = 1971; year <= 2037; ++year) {
            for (int month : {1, 4, 7, 12}) {
                const QDateTime d(QDate(year, month, 15), QTime(12, 0), Qt::UTC);
                const unsigned long t = static_cast<unsigned long>(d.toSecsSinceEpoch());
                const long expected = libcOffset(rule.constData(), static_cast<time_t>(t));
                if (offsetOf(z, t) != expected)
                    QFAIL(qPrintable(QStringLiteral("%1: ours %2, C library %3")
                                         .arg(d.toString(Qt::ISODate))
                                         .arg(offsetOf(z, t))
                                         .arg(expected)));
            }
        }
        if (hadTz)
            setenv("TZ", savedTz.constData(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

QTEST_GUILESS_MAIN(tst_CTimeZoner)
#include "tst_ctimezoner.moc"
