// The emulator's account of what it received, as people read it.
#include "devicelog.h"

#include <QtTest>

class tst_DeviceLog : public QObject
{
    Q_OBJECT

private slots:
    void uploadsShowNoPasswordDigest_data();
    void uploadsShowNoPasswordDigest();
};

void tst_DeviceLog::uploadsShowNoPasswordDigest_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("shown");

    QTest::newRow("accounts file")
        << QByteArray(
               "[ user0 ]\r\nNAME0 = admin\r\nPASSWD0 = 21232f297a57a5a743894a0e4a801fc3\r\n")
        << QStringLiteral("[ user0 ]\\r\\nNAME0 = admin\\r\\nPASSWD0 = ***\\r\\n");
    QTest::newRow("lower case, no blanks, LF")
        << QByteArray("login=op\npassword=4b583376b2767b923c3e1da60d10de59\n")
        << QStringLiteral("login=op\\npassword=***\\n");
    QTest::newRow("a value that mentions a password is no key")
        << QByteArray("note=pass the gate\n") << QStringLiteral("note=pass the gate\\n");
    QTest::newRow("last line without its end")
        << QByteArray("Pass=secret") << QStringLiteral("Pass=***");
}

void tst_DeviceLog::uploadsShowNoPasswordDigest()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, shown);
    DeviceRequest upload;
    upload.line = "PUT users.ini\r\n";
    upload.length = payload.size();
    upload.payload = payload;
    QCOMPARE(upload.describe(),
             QStringLiteral("request \"PUT users.ini\\r\\n\" length=%1 payload \"%2\"")
                 .arg(payload.size())
                 .arg(shown));
    // What the device stores and tests compare stays whole.
    QCOMPARE(upload.wire().right(payload.size()), payload);
}

QTEST_GUILESS_MAIN(tst_DeviceLog)
#include "tst_devicelog.moc"
