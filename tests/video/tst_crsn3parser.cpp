#include "rsn3log.h"
#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"

#include <QRandomGenerator>
#include <QtTest>

using Pos = cRsn3Writer::Position;

namespace {

QByteArray le16(int v)
{
    return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF));
}

const QByteArray kHeaderMagic("\xB5\xB5\x05\xB5", 4);

// A header written by hand, for layouts the writer would never produce.
QByteArray rawHeader(int tableEnd, int infoSize, const QByteArray& rest)
{
    return kHeaderMagic + le16(tableEnd) + le16(infoSize) + rest;
}

struct Fixture
{
    cRsn3Writer w;
    QByteArray hdr;
    Fixture(const QByteArray& name = "cam")
    {
        cRsn3Writer::Stream video{0, 1, "mp4v", "v", ""};
        cRsn3Writer::Stream audio{1, 2, "pcm", "a", ""};
        cRsn3Writer::Stream text{2, 4, "txt", "t", "-koi8"};
        hdr = w.header(name, {video, audio, text}, {{1, "-utf8"}});
    }
};

const QString kHdrLine = QStringLiteral(
    "HDR cam\\0 [0/1/mp4v\\0/v\\0/\\0 1/2/pcm\\0/a\\0/\\0 2/4/txt\\0/t\\0/-koi8\\0] info9 "
    "[1=-utf8\\0]");

QStringList parse(const QByteArray& stream, int chunk)
{
    cRsn3Parser parser;
    QStringList log;
    rsn3Record(parser, &log);
    for (qsizetype at = 0; at < stream.size(); at += chunk)
        parser.append(stream.mid(at, chunk));
    return log;
}

// The stream in pieces of 1 to maxChunk - 1 bytes, sizes drawn from seed.
QStringList parseRandomly(const QByteArray& stream, quint32 seed, int maxChunk)
{
    QRandomGenerator rng(seed);
    cRsn3Parser parser;
    QStringList log;
    rsn3Record(parser, &log);
    for (qsizetype at = 0; at < stream.size();) {
        const int n = rng.bounded(1, maxChunk);
        parser.append(stream.mid(at, n));
        at += n;
    }
    return log;
}

// The line rsn3Record logs for a header with these fields.
QString headerLine(const QByteArray& name, const QVector<cRsn3Writer::Stream>& streams,
                   const QMap<int, QByteArray>& info)
{
    QStringList table, entries;
    for (const cRsn3Writer::Stream& s : streams)
        table << QStringLiteral("%1/%2/%3\\0/%4\\0/%5\\0")
                     .arg(s.id)
                     .arg(s.type)
                     .arg(QString::fromLatin1(s.format), QString::fromLatin1(s.title),
                          QString::fromLatin1(s.charset));
    for (auto it = info.begin(); it != info.end(); ++it)
        entries << QStringLiteral("%1=%2\\0").arg(it.key()).arg(QString::fromLatin1(it.value()));
    return QStringLiteral("HDR %1\\0 [%2] info9 [%3]")
        .arg(QString::fromLatin1(name), table.join(QLatin1Char(' ')),
             entries.join(QLatin1Char(' ')));
}

// Descriptors of every type, of varied sizes, until the table (which
// starts after the 8 fixed bytes and the name) would pass tableLimit.
QVector<cRsn3Writer::Stream> manyStreams(int nameSize, int tableLimit)
{
    static const quint8 types[] = {1, 2, 4, 8, 16};
    static const char* const formats[] = {"mp4v", "pcm", "txt", "", "H264"};
    QVector<cRsn3Writer::Stream> streams;
    int end = 8 + nameSize + 1;
    for (int i = 0;; ++i) {
        cRsn3Writer::Stream s{quint8(i % 256), types[i % 5], formats[i % 5],
                              "t" + QByteArray::number(i), i % 3 ? "" : "-koi8"};
        end += 2 + int(s.format.size() + s.title.size() + s.charset.size()) + 3;
        if (end > tableLimit)
            return streams;
        streams << s;
    }
}

} // namespace

class tst_cRsn3Parser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { cTestVideoEncoder::silenceCodecLogs(); }
    void records_data();
    void records();
    void oversizedReassemblyIsDropped();
    void sameRecordsWhateverTheChunks();
    void bigHeaders_data();
    void bigHeaders();
    void unendedStringIsRetriedAtItsBound();
};

void tst_cRsn3Parser::records_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    Fixture f;
    const cRsn3Writer& w = f.w;
    const QByteArray idx = cRsn3Writer::index(12, 7, 9, "\x01\x02");
    const QString idxLine = QStringLiteral("IDX 12 7 9 0102");

    QTest::newRow("garbage before the first header is skipped")
        << QByteArray("xyz\x05\xB5\xB5") + f.hdr + idx + w.block(0, Pos::Complete, "abc", 250)
        << QStringList{kHdrLine, idxLine, "DATA s0 t1 fc0 len3 ms250 m4 a0 abc"};

    // The search for a header keeps the last bytes that may start a magic,
    // whatever the chunks.
    QTest::newRow("kilobytes of junk, magic-like bytes, then a header")
        << QByteArray(5001, 'j') + QByteArray("\xB5\xB5") + f.hdr + idx
        << QStringList{kHdrLine, idxLine};

    QTest::newRow("index before any header is dropped")
        << cRsn3Writer::index(5) + f.hdr + idx << QStringList{kHdrLine, idxLine};

    Fixture second("cam2");
    QTest::newRow("header magic while seeking an index")
        << f.hdr + QByteArray("junk") + second.hdr + idx
        << QStringList{kHdrLine, QString(kHdrLine).replace("cam", "cam2"), idxLine};

    QTest::newRow("info keys 0 and 9 are skipped on their own")
        << rawHeader(10, 9,
                     QByteArray("n\0", 2) + QByteArray("\x00\x09\x01"
                                                       "a\0\x00\x03"
                                                       "b\0",
                                                       9))
        << QStringList{"HDR n\\0 [] info9 [1=a\\0 3=b\\0]"};

    QTest::newRow("info size 0 leaves nine empty entries")
        << rawHeader(10, 0, QByteArray("n\0", 2)) << QStringList{"HDR n\\0 [] info9 []"};

    // The second descriptor ends at 29 but the table at 25; its tail is
    // then garbage before the index.
    const QByteArray twoStreams = QByteArray("n\0", 2) +
                                  QByteArray("\x00\x01"
                                             "mp4v\0t\0\0",
                                             10) +
                                  QByteArray("\x01\x02"
                                             "aud\0x\0\0",
                                             9);
    QTest::newRow("descriptor crossing the table end is not listed")
        << rawHeader(25, 0, twoStreams) + idx + w.block(0, Pos::Complete, "v")
        << QStringList{"HDR n\\0 [0/1/mp4v\\0/t\\0/\\0] info9 []", idxLine,
                       "DATA s0 t1 fc0 len1 ms0 m4 a0 v"};

    QTest::newRow("msec reduced modulo 3000 only up to mode 3")
        << f.hdr + idx + w.block(0, Pos::Complete, "p", 4500, 3, 1) +
               w.block(0, Pos::Complete, "q", 4500, 4, 2)
        << QStringList{kHdrLine, idxLine, "DATA s0 t1 fc0 len1 ms1500 m3 a1 p",
                       "DATA s0 t1 fc0 len1 ms4500 m4 a2 q"};

    QTest::newRow("blocks without time fields")
        << f.hdr + idx + w.block(1, Pos::Complete, "snd") + w.block(2, Pos::Complete, "txt")
        << QStringList{kHdrLine, idxLine, "DATA s1 t2 fc0 len3 ms0 m0 a0 snd",
                       "DATA s2 t4 fc0 len3 ms0 m0 a0 txt"};

    QTest::newRow("four fragments joined with the first one's time")
        << f.hdr + idx + w.block(0, Pos::First, "aa", 700, 4, 9) + w.block(0, Pos::Middle, "bb") +
               w.block(0, Pos::Middle, "cc") + w.block(0, Pos::Last, "dd")
        << QStringList{kHdrLine, idxLine, "DATA s0 t1 fc0 len8 ms700 m4 a9 aabbccdd"};

    QTest::newRow("fragments of two streams interleaved")
        << f.hdr + idx + w.block(0, Pos::First, "v1", 40) + w.block(1, Pos::First, "a1") +
               w.block(0, Pos::Last, "v2") + w.block(1, Pos::Last, "a2")
        << QStringList{kHdrLine, idxLine, "DATA s0 t1 fc0 len4 ms40 m4 a0 v1v2",
                       "DATA s1 t2 fc0 len4 ms0 m0 a0 a1a2"};

    QTest::newRow("a new first fragment replaces the stored one")
        << f.hdr + idx + w.block(0, Pos::First, "old", 1) + w.block(0, Pos::First, "new", 2) +
               w.block(0, Pos::Last, "end")
        << QStringList{kHdrLine, idxLine, "DATA s0 t1 fc0 len6 ms2 m4 a0 newend"};

    QTest::newRow("an index between fragments drops the last one")
        << f.hdr + idx + w.block(0, Pos::First, "aa") + idx + w.block(0, Pos::Last, "bb") +
               w.block(0, Pos::Complete, "ok")
        << QStringList{kHdrLine, idxLine, idxLine, "DATA s0 t1 fc0 len2 ms0 m4 a0 ok"};

    QTest::newRow("middle and last fragments without a first are dropped")
        << f.hdr + idx + w.block(0, Pos::Middle, "mm") + w.block(0, Pos::Last, "ll")
        << QStringList{kHdrLine, idxLine};

    QTest::newRow("unknown stream id falls back to seeking an index")
        << f.hdr + idx + w.block(7, Pos::Complete, "zz") + w.block(0, Pos::Complete, "skipped") +
               cRsn3Writer::index(13) + w.block(0, Pos::Complete, "seen")
        << QStringList{kHdrLine, idxLine, "IDX 13 0 0 ", "DATA s0 t1 fc0 len4 ms0 m4 a0 seen"};

    // A table end inside the name must still consume the header.
    QTest::newRow("table end before the end of the name")
        << rawHeader(4, 0, QByteArray("name\0", 5)) + f.hdr + idx
        << QStringList{"HDR name\\0 [] info9 []", kHdrLine, idxLine};

    QTest::newRow("a header string that never ends is not a header")
        << rawHeader(20, 0, QByteArray(cDataSplitter::kMaxString + 10, 'x')) + f.hdr + idx
        << QStringList{kHdrLine, idxLine};
}

void tst_cRsn3Parser::records()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    QCOMPARE(parse(stream, int(stream.size())), expected);
    QCOMPARE(parse(stream, 1), expected);
    QCOMPARE(parse(stream, 5), expected);
}

void tst_cRsn3Parser::oversizedReassemblyIsDropped()
{
    Fixture f;
    const QByteArray piece(cRsn3Writer::kMaxBlock, 'x');
    QByteArray stream = f.hdr + cRsn3Writer::index(1) + f.w.block(0, Pos::First, piece);
    const int middles = cRsn3Parser::kMaxPayload / piece.size();
    for (int i = 0; i < middles; ++i)
        stream += f.w.block(0, Pos::Middle, piece);
    stream += f.w.block(0, Pos::Last, "end") + f.w.block(0, Pos::Complete, "after");

    const QStringList log = parse(stream, 1 << 20);
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.last(), QStringLiteral("DATA s0 t1 fc0 len5 ms0 m4 a0 after"));
}

// Real encoded video, fragmented, with audio and text between the frames, a
// second header, garbage and a block of an unknown stream.
void tst_cRsn3Parser::sameRecordsWhateverTheChunks()
{
    cTestVideoEncoder::Options o;
    o.width = 176;
    o.height = 144;
    o.frames = 40;
    const QVector<QByteArray> frames = cTestVideoEncoder::encode(o);
    QCOMPARE(frames.size(), o.frames);

    Fixture f;
    QByteArray stream = QByteArray("\0\0\x05", 3) + f.hdr;
    for (int i = 0; i < frames.size(); ++i) {
        if (i % 10 == 0)
            stream += cRsn3Writer::index(quint32(i / 10), quint32(i));
        stream += f.w.data(0, frames[i], quint16(i * 40), 3, 0, 300 + 50 * i);
        stream += f.w.data(1, QByteArray(100 + i, char(i)));
        if (i == 19)
            stream += "garbage" + f.w.block(9, Pos::Complete, "lost") + f.hdr;
        if (i % 7 == 0)
            stream += f.w.data(2, "caption " + QByteArray::number(i));
    }

    const QStringList whole = parse(stream, int(stream.size()));
    QCOMPARE(whole.filter(QStringLiteral("DATA s0 ")).size(), frames.size());
    QCOMPARE(parse(stream, 1), whole);

    for (quint32 seed : {1u, 2u, 3u})
        QCOMPARE(parseRandomly(stream, seed, 3000), whole);
}

void tst_cRsn3Parser::bigHeaders_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    const QByteArray idx = cRsn3Writer::index(12, 7, 9, "\x01\x02");
    const QString idxLine = QStringLiteral("IDX 12 7 9 0102");
    const QString dataLine = QStringLiteral("DATA s0 t1 fc0 len1 ms0 m4 a0 v");
    const QMap<int, QByteArray> info{{1, "-utf8"}, {2, "UTC"}};

    {
        cRsn3Writer w;
        const QVector<cRsn3Writer::Stream> streams = manyStreams(3, 0xFFFF);
        // Written first: the writer gives video blocks time fields only once
        // it has written the header that makes stream 0 video.
        const QByteArray header = w.header("big", streams, info);
        QTest::newRow("table of small descriptors spanning 64 KiB")
            << header + idx + w.block(0, Pos::Complete, "v")
            << QStringList{headerLine("big", streams, info), idxLine, dataLine};
    }
    {
        // The table ends inside the last descriptor; its tail is garbage
        // before the index.
        cRsn3Writer w;
        QVector<cRsn3Writer::Stream> streams = manyStreams(3, 0xFFFF);
        const QByteArray full = w.header("big", streams).mid(8);
        streams.removeLast();
        QTest::newRow("64 KiB table whose last descriptor crosses its end")
            << rawHeader(8 + int(full.size()) - 3, 0, full) + idx + w.block(0, Pos::Complete, "v")
            << QStringList{headerLine("big", streams, {}), idxLine, dataLine};
    }
    {
        // Every key several times, with the skipped keys 0 and 9 between;
        // the info size ends two bytes into the last string.
        cRsn3Writer w;
        const QVector<cRsn3Writer::Stream> streams{{0, 1, "mp4v", "v", ""}};
        const QByteArray table = w.header("big", streams).mid(8);
        QByteArray area;
        QMap<int, QByteArray> last;
        for (int i = 0; area.size() < 0xFFF0; ++i) {
            const int key = 1 + i % 8;
            last[key] = "value " + QByteArray::number(i);
            area +=
                (i % 5 ? QByteArray() : QByteArray("\x00\x09", 2)) + char(key) + last[key] + '\0';
        }
        QTest::newRow("64 KiB info area whose last string runs past its end")
            << rawHeader(8 + int(table.size()), int(area.size()) - 2, table + area) + idx +
                   w.block(0, Pos::Complete, "v")
            << QStringList{headerLine("big", streams, last), idxLine, dataLine};
    }
}

// However small the pieces a big header arrives in, it gives the records it
// gives whole.
void tst_cRsn3Parser::bigHeaders()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    QCOMPARE(parse(stream, int(stream.size())), expected);
    QCOMPARE(parse(stream, 1), expected);
    for (quint32 seed : {1u, 2u})
        QCOMPARE(parseRandomly(stream, seed, 17), expected);
}

// A string still waiting for its 0 byte is read again once it has grown to
// the longest a string may be, so an endless one is given up instead of
// buffered without limit.
void tst_cRsn3Parser::unendedStringIsRetriedAtItsBound()
{
    cDataSplitter splitter;
    splitter.append("name");
    int pos = 0;
    QVERIFY_THROWS_EXCEPTION(QString, splitter.get_string(pos));
    while (splitter.size() < cDataSplitter::kMaxString) {
        QVERIFY(!splitter.ready());
        splitter.append(QByteArray(1000, 'x'));
    }
    QVERIFY(splitter.ready());
    QVERIFY_THROWS_EXCEPTION(cDataSplitter::Overlong, splitter.get_string(pos));
    QCOMPARE(pos, 0);
}

QTEST_GUILESS_MAIN(tst_cRsn3Parser)
#include "tst_crsn3parser.moc"
