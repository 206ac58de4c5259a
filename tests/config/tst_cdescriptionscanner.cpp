#include "config/cdescriptionscanner.h"
#include "config/difilelist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray nested(int levels)
{
    return "<pxsetup>" + QByteArray("<a>").repeated(levels - 1) +
           QByteArray("</a>").repeated(levels - 1) + "</pxsetup>";
}

// A document of exactly `size` bytes: the root element padded with blanks.
QByteArray ofSize(qint64 size)
{
    const QByteArray open = "<pxsetup>", close = "</pxsetup>";
    return open + QByteArray(size - open.size() - close.size(), ' ') + close;
}

} // namespace

class tst_cDescriptionScanner : public QObject
{
    Q_OBJECT

private slots:
    void bounds_data();
    void bounds();
    void fileList_data();
    void fileList();
};

void tst_cDescriptionScanner::bounds_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("fault");

    const qint64 max = cDescriptionScanner::kMaxBytes;
    QTest::newRow("256 levels") << nested(256) << int(cDescriptionScanner::None);
    QTest::newRow("257 levels") << nested(257) << int(cDescriptionScanner::TooDeep);
    // Refused at the first level too deep, without reading the rest.
    QTest::newRow("100,000 levels") << nested(100000) << int(cDescriptionScanner::TooDeep);
    QTest::newRow("exactly 4 MiB") << ofSize(max) << int(cDescriptionScanner::None);
    QTest::newRow("one byte more") << ofSize(max + 1) << int(cDescriptionScanner::TooLarge);
    QTest::newRow("256 levels twice, closed in between")
        << "<pxsetup>" + nested(255) + nested(255) + "</pxsetup>" << int(cDescriptionScanner::None);
    QTest::newRow("two documents in one")
        << QByteArray("<pxsetup/><pxsetup/>") << int(cDescriptionScanner::Malformed);
    QTest::newRow("empty file") << QByteArray() << int(cDescriptionScanner::Malformed);
}

void tst_cDescriptionScanner::bounds()
{
    QFETCH(QByteArray, xml);
    QTemporaryDir dir;
    QFile file(dir.filePath("d.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size());
    file.close();
    cDescriptionScanner scanner;
    const bool accepted = scanner.scan(file.fileName());
    QCOMPARE(accepted, scanner.fault() == cDescriptionScanner::None);
    QTEST(int(scanner.fault()), "fault");
}

void tst_cDescriptionScanner::fileList_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("hasDi");

    const QByteArray di = "<di><difile name=\"a\" get_command=\"A\"/>"
                          "<x><difile name=\"nested\"/></x><difile name=\"b\"/></di>";
    QTest::newRow("the first di's own difiles")
        << "<pxsetup>" + di + "<di><difile name=\"second\"/></di></pxsetup>" << true
        << QStringList({"a", "b"}) << true;
    QTest::newRow("a di below another element does not count")
        << QByteArray("<pxsetup><window><di><difile name=\"w\"/></di></window></pxsetup>") << true
        << QStringList() << false;
    QTest::newRow("broken after the list")
        << "<pxsetup>" + di + "<window></pxsetup>" << false << QStringList() << false;
    QTest::newRow("broken at the very end")
        << "<pxsetup>" + di + "</pxsetup><" << false << QStringList() << false;
    QTest::newRow("too deep after the list")
        << "<pxsetup>" + di + nested(256) + "</pxsetup>" << false << QStringList() << false;
}

void tst_cDescriptionScanner::fileList()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    QFile file(dir.filePath("d.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size());
    file.close();

    QList<DiFile> files;
    bool hasDi = true;
    QTEST(readDiFileList(file.fileName(), files, &hasDi), "accepted");
    QStringList read;
    for (const DiFile& f : qAsConst(files))
        read << f.name;
    QCOMPARE(read, names);
    QTEST(hasDi, "hasDi");
}

QTEST_GUILESS_MAIN(tst_cDescriptionScanner)
#include "tst_cdescriptionscanner.moc"
