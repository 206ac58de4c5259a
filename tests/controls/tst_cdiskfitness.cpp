#include "../setup/setupharness.h"
#include "controls/cdiskfitness.h"
#include "smarttable.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class tst_cDiskFitness : public QObject
{
    Q_OBJECT

private slots:
    void rating_data();
    void rating();
    void reason_data();
    void reason();
    void bar_data();
    void bar();
};

void tst_cDiskFitness::rating_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rated");
    QTest::addColumn<int>("fitness");

    QTest::newRow("3000 hours, none reallocated: the age rates 80")
        << smartTable({sectorsLine(0, 36), hoursLine(3000, 100)}) << true << 80;
    QTest::newRow("15150 hours: the age estimate is below 0")
        << smartTable({sectorsLine(0, 36), hoursLine(15150, 100)}) << true << 0;
    QTest::newRow("9 of 36 reallocated rates 75 below age 90 and value 98")
        << smartTable({sectorsLine(9, 36), hoursLine(1500, 98)}) << true << 75;
    QTest::newRow("the drive's own value is lowest")
        << smartTable({sectorsLine(0, 36), hoursLine(300, 60)}) << true << 60;
    QTest::newRow("more reallocated than the threshold")
        << smartTable({sectorsLine(100, 36), hoursLine(300, 100)}) << true << 0;
    QTest::newRow("a count too large for 32 bits times 100")
        << smartTable({sectorsLine(30000000, 10), hoursLine(3000, 100)}) << true << 0;
    QTest::newRow("threshold 0, none reallocated")
        << smartTable({sectorsLine(0, 0), hoursLine(3000, 100)}) << true << 80;
    QTest::newRow("threshold 0, some reallocated")
        << smartTable({sectorsLine(1, 0), hoursLine(3000, 100)}) << true << 0;
    QTest::newRow("no power-on line: the sectors alone")
        << smartTable({sectorsLine(9, 36)}) << true << 75;
    QTest::newRow("no reallocation line: age and value alone")
        << smartTable({hoursLine(4500, 97)}) << true << 70;
    QTest::newRow("line breaks escaped as a settings file keeps them")
        << stored(smartTable({sectorsLine(9, 36), hoursLine(1500, 98)})) << true << 75;
    QTest::newRow("a line cut before its raw value reads it as 0")
        << smartTable({sectorsLine(0, 36), hoursLine(3000, 100).left(60)}) << true << 100;
    QTest::newRow("a negative threshold with a huge count stays at 100")
        << smartTable({sectorsLine(2000000000, -1)}) << true << 100;
    QTest::newRow("negative hours and a value above 100 stay at 100")
        << smartTable({hoursLine(-3000, 250)}) << true << 100;
    QTest::newRow("empty text") << QString() << false << 0;
    QTest::newRow("neither line") << smartTable({}) << false << 0;
    QTest::newRow("not a table") << QStringLiteral("smartctl: device not found") << false << 0;
}

void tst_cDiskFitness::rating()
{
    QFETCH(QString, text);
    QFETCH(bool, rated);
    QFETCH(int, fitness);

    const cDiskFitness disk(text);
    QCOMPARE(disk.isRated(), rated);
    QCOMPARE(disk.fitness(), fitness);
}

void tst_cDiskFitness::reason_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");

    const QString pending = smartLine(197, "Current_Pending_Sector", 100, 0, QStringLiteral("8"));
    const QString uncorrectable =
        smartLine(198, "Offline_Uncorrectable", 100, 0, QStringLiteral("3"));
    QTest::newRow("as good as new says nothing")
        << smartTable({sectorsLine(0, 36), hoursLine(0, 100)}) << QString();
    QTest::newRow("the age lowered it")
        << smartTable({sectorsLine(0, 36), hoursLine(3000, 100)}) << "3000 hours in use";
    QTest::newRow("reallocated sectors are named whenever there are some")
        << smartTable({sectorsLine(9, 36), hoursLine(1500, 98)}) << "9 reallocated";
    QTest::newRow("the disk's own value lowered it")
        << smartTable({sectorsLine(0, 36), hoursLine(300, 60)}) << "rated 60 by the disk";
    QTest::newRow("pending and uncorrectable sectors with the age")
        << smartTable({sectorsLine(24, 36), hoursLine(12300, 86), pending, uncorrectable})
        << "24 reallocated, 8 pending, 3 uncorrectable, 12300 hours in use";
    QTest::newRow("no table") << QString() << "The disk reports no health data";
}

void tst_cDiskFitness::reason()
{
    QFETCH(QString, text);
    QTEST(cDiskFitness(text).reason(), "reason");
}

void tst_cDiskFitness::bar_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("chunk");

    const QColor green(0x32, 0xcd, 0x32), red(0xff, 0, 0);
    QTest::newRow("26 is green") << smartTable({sectorsLine(0, 36), hoursLine(100, 26)}) << "26%"
                                 << green;
    QTest::newRow("25 is red") << smartTable({sectorsLine(0, 36), hoursLine(100, 25)}) << "25%"
                               << red;
    QTest::newRow("a worn disk is red")
        << smartTable({sectorsLine(27, 36), hoursLine(21000, 76)}) << "0%" << QColor();
    QTest::newRow("an empty table leaves the bar empty") << QString() << "" << QColor();
    QTest::newRow("a table without the lines too") << smartTable({}) << "" << QColor();
}

// The bar a description builds from the table stored under its key.
void tst_cDiskFitness::bar()
{
    QFETCH(QString, table);
    QFETCH(QString, text);
    QFETCH(QColor, chunk);

    SetupHarness h;
    h.source.setFilePath(
        QStringLiteral("disk"),
        h.write("disk.ini", "[ disk0 ]\nsmart = '" + stored(table).toUtf8() + "'\n"));
    h.build(SetupHarness::wrap("<tabwidget><tab><name>Storage</name><item type=\"gridlayout\">"
                               "<item type=\"diskfitness\" row=\"0\" column=\"0\" minvalue=\"0\" "
                               "maxvalue=\"100\"><health/><key>{disk/disk0/smart}</key></item>"
                               "</item></tab></tabwidget>"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    QWidget* control = h.control<QWidget>("health");
    QVERIFY(control);
    auto* bar = control->findChild<QProgressBar*>();
    QVERIFY(bar);
    // The reason stands beside the bar.
    auto* reason = control->findChild<QLabel*>(QStringLiteral("healthReason"));
    QVERIFY(reason);
    QCOMPARE(reason->text(), cDiskFitness(table).reason());
    QCOMPARE(bar->size(), QSize(100, 15));
    QCOMPARE(bar->text(), text);
    QVERIFY(bar->isTextVisible());
    if (chunk.isValid()) {
        bar->show();
        const QColor c = bar->grab().toImage().pixelColor(6, 7);
        QVERIFY2(qAbs(c.red() - chunk.red()) < 8 && qAbs(c.green() - chunk.green()) < 8 &&
                     qAbs(c.blue() - chunk.blue()) < 8,
                 qPrintable(c.name()));
    }
}

QTEST_MAIN(tst_cDiskFitness)
#include "tst_cdiskfitness.moc"
