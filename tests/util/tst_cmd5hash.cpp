#include "util/cmd5hash.h"

#include <QtTest>

class tst_CMD5Hash : public QObject
{
    Q_OBJECT

private slots:
    void textDigest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digest");
        QTest::newRow("empty") << ""
                               << "d41d8cd98f00b204e9800998ecf8427e";
        QTest::newRow("a") << "a"
                           << "0cc175b9c0f1b6a831c399e269772661";
        QTest::newRow("pangram") << "The quick brown fox jumps over the lazy dog"
                                 << "9e107d9d372bb6826bd81d3542a419d6";
    }

    void textDigest()
    {
        QFETCH(QString, text);
        QTEST(CMD5Hash::DoHash(text), "digest");
    }

    void rawRoutine()
    {
        unsigned char d[16];
        QVERIFY(CMD5Hash::DoHash("abc", 3, d));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(d), 16).toHex(),
                 QByteArray("900150983cd24fb0d6963f7d28e17f72"));
        QVERIFY(!CMD5Hash::DoHash("abc", 3, nullptr));
    }
};

QTEST_GUILESS_MAIN(tst_CMD5Hash)
#include "tst_cmd5hash.moc"
