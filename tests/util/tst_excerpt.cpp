#include "util/excerpt.h"

#include <QtTest>

class tst_Excerpt : public QObject
{
    Q_OBJECT

private slots:
    void quotesPeerText_data();
    void quotesPeerText();
    void megabytesCostOnlyTheShownPart();
};

void tst_Excerpt::quotesPeerText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected");

    const QString ellipsis(QChar(0x2026));
    QTest::newRow("short text as it is") << QByteArray("disk busy") << 200 << "disk busy";
    QTest::newRow("exactly the limit") << QByteArray("abcde") << 5 << "abcde";
    QTest::newRow("one past the limit is cut") << QByteArray("abcdef") << 5 << "abcde" + ellipsis;
    QTest::newRow("line breaks and tab escaped")
        << QByteArray("a\r\nb\tc") << 200 << QStringLiteral("a\\r\\nb\\tc");
    QTest::newRow("terminal escape and NUL escaped")
        << QByteArray("\x1b[31mred\0!", 10) << 200 << QStringLiteral("\\x1b[31mred\\x00!");
    QTest::newRow("an escape is never split") << QByteArray("abcd\n") << 5 << "abcd" + ellipsis;
    QTest::newRow("right-to-left override escaped") << QByteArray("a\xe2\x80\xae"
                                                                  "b")
                                                    << 200 << QStringLiteral("a\\u202eb");
    QTest::newRow("non-Latin text kept") << QByteArray("\xd0\xb4\xd0\xb8\xd1\x81\xd0\xba") << 200
                                         << QString::fromUtf8("\xd0\xb4\xd0\xb8\xd1\x81\xd0\xba");
    QTest::newRow("a pair of surrogates is never split")
        << QByteArray("ab\xf0\x9f\x98\x80") << 3 << "ab" + ellipsis;
    QTest::newRow("empty") << QByteArray() << 200 << QString();
}

void tst_Excerpt::quotesPeerText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(QString, expected);
    QCOMPARE(excerpt::of(QByteArrayView(bytes), limit), expected);
    QCOMPARE(excerpt::of(QString::fromUtf8(bytes), limit), expected);
}

void tst_Excerpt::megabytesCostOnlyTheShownPart()
{
    // Multi-byte characters all the way: the cut must still come after
    // exactly the limit, with the ellipsis.
    const QByteArray cyrillic = QByteArray("\xd0\xb4").repeated(4 * 1024 * 1024);
    const QString shown = excerpt::of(QByteArrayView(cyrillic));
    QCOMPARE(shown.size(), excerpt::kLimit + 1);
    QCOMPARE(shown.back(), QChar(0x2026));
    QCOMPARE(shown.first(excerpt::kLimit), QString(excerpt::kLimit, QChar(0x0434)));
}

QTEST_GUILESS_MAIN(tst_Excerpt)
#include "tst_excerpt.moc"
