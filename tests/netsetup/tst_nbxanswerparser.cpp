#include "config/nbxanswerparser.h"

#include <QtTest>

class tst_NBXAnswerParser : public QObject
{
    Q_OBJECT

private slots:
    void completeFrames_data();
    void completeFrames();
    void frameSplitAtEveryByte();
};

void tst_NBXAnswerParser::completeFrames_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("message");

    const int ready = NBXAnswerParser::Ready;
    const int waiting = NBXAnswerParser::Waiting;
    const int failed = NBXAnswerParser::Failed;
    QTest::newRow("payload before the OK line")
        << QByteArray("LENGTH=21\r\nabcdeVELK_ANSWER=OK\r\n") << ready << QByteArray("abcde")
        << QString();
    QTest::newRow("empty payload")
        << QByteArray("LENGTH=16\r\nVELK_ANSWER=OK\r\n") << ready << QByteArray() << QString();
    QTest::newRow("one byte short")
        << QByteArray("LENGTH=21\r\nabcdeVELK_ANSWER=OK\r") << waiting << QByteArray() << QString();
    QTest::newRow("no length line yet")
        << QByteArray("LENGTH=2") << waiting << QByteArray() << QString();
    QTest::newRow("length line after a NUL byte")
        << QByteArray("x\0LENGTH=16\r\nVELK_ANSWER=OK\r\n", 29) << waiting << QByteArray()
        << QString();
    QTest::newRow("error with a message")
        << QByteArray("LENGTH=29\r\nVELK_ANSWER=ERROR:disk busy\r\n") << failed << QByteArray()
        << QString("Device error \"disk busy\"");
    QTest::newRow("error without a message")
        << QByteArray("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n") << failed << QByteArray()
        << QString("Device error \"\"");
    QTest::newRow("unrecognised answer line")
        << QByteArray("LENGTH=19\r\nVELK_ANSWER=MAYBE\r\n") << failed << QByteArray()
        << QString("Unrecognized device error \"VELK_ANSWER=MAYBE\"");
    QTest::newRow("no answer line") << QByteArray("LENGTH=20\r\nabcdefghijklmnopqrst") << failed
                                    << QByteArray() << QString("Wrong device answer");
    QTest::newRow("frame shorter than any answer line")
        << QByteArray("LENGTH=3\r\nabc") << failed << QByteArray()
        << QString("Wrong device answer");
    QTest::newRow("announces more than we hold")
        << QByteArray("LENGTH=268435457\r\nVELK_ANSWER=OK\r\n") << failed << QByteArray()
        << QString("Wrong device answer");
    // A frame starts with its length line. Bytes in front of it still count
    // as the start of the frame, but only within the first 4 KiB: a peer
    // that sends no length line is refused there, instead of having every
    // arrival search everything received so far.
    const QByteArray okLine("VELK_ANSWER=OK\r\n");
    const QByteArray lineEndingAt4K = QByteArray(4096 - 11, 'j') + "LENGTH=16\r\n";
    QTest::newRow("length line ending at 4 KiB")
        << lineEndingAt4K + okLine << ready << lineEndingAt4K.mid(11) << QString();
    QTest::newRow("length line ending past 4 KiB")
        << "j" + lineEndingAt4K + okLine << failed << QByteArray() << "Wrong device answer";
    QTest::newRow("4 KiB and more without a length line")
        << QByteArray(4097, 'x') << failed << QByteArray() << "Wrong device answer";
    QTest::newRow("length line only after a NUL and 4 KiB")
        << QByteArray("x\0", 2) + QByteArray(4100, 'y') + "LENGTH=16\r\n" + okLine << failed
        << QByteArray() << "Wrong device answer";
    // A number that can never come: no reason to wait for the watchdog.
    QTest::newRow("negative length") << QByteArray("LENGTH=-16\r\nVELK_ANSWER=OK\r\n") << failed
                                     << QByteArray() << QString("Wrong device answer");
    QTest::newRow("length in words")
        << QByteArray("LENGTH=sixteen") << failed << QByteArray() << QString("Wrong device answer");
    QTest::newRow("length with a blank")
        << QByteArray("LENGTH= 16\r\n") << failed << QByteArray() << QString("Wrong device answer");
    QTest::newRow("digits followed by a letter")
        << QByteArray("LENGTH=16k") << failed << QByteArray() << QString("Wrong device answer");
    QTest::newRow("digits and a CR without its LF yet")
        << QByteArray("LENGTH=16\r") << waiting << QByteArray() << QString();
    QTest::newRow("length line ended by a lone CR")
        << QByteArray("LENGTH=16\rX") << failed << QByteArray() << QString("Wrong device answer");
    // The device's text is quoted short and printable, however long it is.
    const QByteArray longText = QByteArray("bad\x1b[0m sector\r\n").repeated(100000);
    const QString shownText =
        QString("bad\\x1b[0m sector\\r\\n").repeated(20).left(200) + QChar(0x2026);
    QTest::newRow("megabyte error text")
        << "LENGTH=" + QByteArray::number(longText.size() + 20) +
               "\r\nVELK_ANSWER=ERROR:" + longText + "\r\n"
        << failed << QByteArray() << "Device error \"" + shownText + "\"";
    QTest::newRow("megabyte text after OK")
        << "LENGTH=" + QByteArray::number(longText.size() + 16) + "\r\nVELK_ANSWER=OK" + longText +
               "\r\n"
        << failed
        << QByteArray()
        // The escaped CR that would cross the limit is left out whole.
        << "Unrecognized device error \"" + ("VELK_ANSWER=OK" + shownText).left(199) +
               QChar(0x2026) + "\"";
    QTest::newRow("OK with a remark") << QByteArray("LENGTH=23\r\nabVELK_ANSWER=OK:fine\r\n")
                                      << ready << QByteArray("ab") << QString();
    QTest::newRow("length beyond 64 bits")
        << QByteArray("LENGTH=99999999999999999999999\r\n") << failed << QByteArray()
        << QString("Wrong device answer");
}

void tst_NBXAnswerParser::completeFrames()
{
    QFETCH(QByteArray, received);
    QFETCH(int, result);
    QFETCH(QByteArray, payload);
    QFETCH(QString, message);

    QByteArray buffer = received;
    QString got;
    QCOMPARE(int(NBXAnswerParser::parse(buffer, got)), result);
    QCOMPARE(got, message);
    QCOMPARE(buffer, result == NBXAnswerParser::Ready ? payload : received);
}

void tst_NBXAnswerParser::frameSplitAtEveryByte()
{
    // A payload that itself holds an answer tag and a length line.
    const QByteArray payload("LENGTH=3\r\nVELK_ANSWER=OK\r\n\0bin", 30);
    const QByteArray frame = "LENGTH=" + QByteArray::number(payload.size() + 16) + "\r\n" +
                             payload + "VELK_ANSWER=OK\r\n";
    for (qsizetype split = 1; split < frame.size(); ++split) {
        QByteArray buffer = frame.left(split);
        QString message;
        QCOMPARE(int(NBXAnswerParser::parse(buffer, message)), int(NBXAnswerParser::Waiting));
        buffer += frame.mid(split);
        QCOMPARE(int(NBXAnswerParser::parse(buffer, message)), int(NBXAnswerParser::Ready));
        QCOMPARE(buffer, payload);
    }
}

QTEST_GUILESS_MAIN(tst_NBXAnswerParser)
#include "tst_nbxanswerparser.moc"
