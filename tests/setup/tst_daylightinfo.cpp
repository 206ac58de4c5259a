// What a zone rule means around a moment, and the Time page's line that
// says it for the zone chosen.
#include "setupharness.h"
#include "util/cdaylightoutlook.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QtTest>

namespace {

qint64 utc(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODate).toSecsSinceEpoch();
}

const QString kCentralEurope = QStringLiteral("UTC-1UTC-2,M3.5.0/2,M10.5.0/3");

} // namespace

class tst_DaylightInfo : public QObject
{
    Q_OBJECT

private slots:
    void outlook_data();
    void outlook();
    void lineFollowsTheChosenZone();
};

void tst_DaylightInfo::outlook_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<qint64>("now");
    QTest::addColumn<bool>("inForce");
    QTest::addColumn<qint64>("change"); // 0: none within a year
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    QTest::newRow("central Europe in winter: starts the last Sunday of March")
        << kCentralEurope << utc("2026-01-15T12:00:00Z") << false << utc("2026-03-29T01:00:00Z")
        << "2026-03-29 02:00"
        << "2026-03-29 03:00";
    // The zone's conversion reads both transition hours on the standard
    // clock, so daylight time ends at 3:00 standard time, 4:00 on the clock.
    QTest::newRow("central Europe in summer: ends the last Sunday of October")
        << kCentralEurope << utc("2026-07-01T00:00:00Z") << true << utc("2026-10-25T02:00:00Z")
        << "2026-10-25 04:00"
        << "2026-10-25 03:00";
    QTest::newRow("a second before the change")
        << kCentralEurope << utc("2026-03-29T00:59:59Z") << false << utc("2026-03-29T01:00:00Z")
        << "2026-03-29 02:00"
        << "2026-03-29 03:00";
    QTest::newRow("New York in December: the second Sunday of March next year")
        << "UTC+5UTC+4,M3.2.0/2,M11.1.0/2" << utc("2026-12-01T00:00:00Z") << false
        << utc("2027-03-14T07:00:00Z") << "2027-03-14 02:00"
        << "2027-03-14 03:00";
    QTest::newRow("southern summer across the new year")
        << "UTC-10UTC-11,M10.1.0/2,M4.1.0/3" << utc("2026-01-15T00:00:00Z") << true
        << utc("2026-04-04T17:00:00Z") << "2026-04-05 04:00"
        << "2026-04-05 03:00";
    QTest::newRow("Moscow keeps one offset")
        << "UTC-3" << utc("2026-07-01T00:00:00Z") << false << qint64(0) << QString() << QString();
    QTest::newRow("zero all year") << "UTC+0UTC+0,M3.5.0/2,M10.5.0/3" << utc("2026-07-01T00:00:00Z")
                                   << false << qint64(0) << QString() << QString();
}

void tst_DaylightInfo::outlook()
{
    QFETCH(QString, rule);
    QFETCH(qint64, now);
    QFETCH(qint64, change);
    const cDaylightOutlook outlook(rule, now);
    QTEST(outlook.inForce(), "inForce");
    QCOMPARE(outlook.nextChange(), change);
    QCOMPARE(outlook.hasDaylight(), change != 0);
    QTEST(outlook.localBefore(), "before");
    QTEST(outlook.localAfter(), "after");
}

// Choosing another zone tells at once what its rule means.
void tst_DaylightInfo::lineFollowsTheChosenZone()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("time"),
                         h.write("time.ini", "[ untitled ]\nTIME_ZONE = UTC-3\n"));
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><name>Time</name><item type=\"gridlayout\">"
        "<item type=\"dropdown\" row=\"0\" column=\"0\"><zone/><text>Moscow</text>"
        "<text>Central Europe</text><key>time/untitled/TIME_ZONE/UTC-3</key>"
        "<key>time/untitled/TIME_ZONE/" +
        kCentralEurope.toLatin1() +
        "</key></item>"
        "<item type=\"daylightinfo\" row=\"1\" column=\"0\"><daylight/>"
        "<key>time/untitled/TIME_ZONE</key></item>"
        "</item></tab></tabwidget>"));
    auto* line = h.control<QLabel>(QStringLiteral("daylight"));
    auto* zone = h.control<QComboBox>(QStringLiteral("zone"));
    QVERIFY(line && zone);
    QCOMPARE(line->text(), QStringLiteral("This zone keeps the same time all year."));

    zone->setCurrentIndex(1);
    emit zone->activated(1);
    QCOMPARE(h.value(QStringLiteral("time/untitled/TIME_ZONE")), kCentralEurope);
    const cDaylightOutlook expected(kCentralEurope, QDateTime::currentSecsSinceEpoch());
    QCOMPARE(line->text(), expected.text());
    QVERIFY(line->text().contains(expected.localBefore()));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

QTEST_MAIN(tst_DaylightInfo)
#include "tst_daylightinfo.moc"
