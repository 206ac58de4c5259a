#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"
#include "video/cffmpegdecoder.h"
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"

#include "imagecompare.h"

#include <QRandomGenerator>
#include <QtMath>
#include <QtTest>

namespace {

// The receiver's chain: parser, demuxer, decoder on stream 0.
struct Chain
{
    cRsn3Parser parser;
    cRsn3Demuxer demuxer;
    cFfmpegDecoder decoder;
    QList<QImage> frames;

    Chain()
    {
        demuxer.targets[0] = &decoder;
        QObject::connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
        QObject::connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
        QObject::connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);
        // The picture shares the decoder's buffer: keep a deep copy.
        QObject::connect(&decoder, &cFfmpegDecoder::onFrame,
                         [this](const QImage& img) { frames << img.copy(); });
    }
    void feed(const QByteArray& stream, int chunk = 1500)
    {
        for (qsizetype at = 0; at < stream.size(); at += chunk)
            parser.append(stream.mid(at, chunk));
        decoder.flush();
    }
};

bool opaque(const QImage& img)
{
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* p = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(p[x]) != 255)
                return false;
        }
    }
    return true;
}

QVector<QByteArray> encodeOrSkip(const cTestVideoEncoder::Options& o)
{
    QString error;
    const QVector<QByteArray> packets = cTestVideoEncoder::encode(o, &error);
    if (packets.isEmpty())
        qWarning("%s", qPrintable(error));
    return packets;
}

} // namespace

class tst_cFfmpegDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { cTestVideoEncoder::silenceCodecLogs(); }
    void decodesEachCodec_data();
    void decodesEachCodec();
    void sampleAspectStretchesHeight_data();
    void sampleAspectStretchesHeight();
    void unknownFormatFallsBackToMpeg4();
    void repeatedHeadersLoseNoPicture();
    void failedCreateStaysIdle();
    void receiverMayRebuildDecoderInsideFrameSignal();
    void garbageNeverCrashesOrHangs_data();
    void garbageNeverCrashesOrHangs();
};

void tst_cFfmpegDecoder::decodesEachCodec_data()
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<double>("minPsnr");
    QTest::newRow("mpeg4") << "mpeg4" << 30.0;
    QTest::newRow("mjpeg") << "mjpeg" << 30.0;
    QTest::newRow("h264") << "h264" << 30.0;
}

void tst_cFfmpegDecoder::decodesEachCodec()
{
    QFETCH(QString, codec);
    QFETCH(double, minPsnr);
    if (!cTestVideoEncoder::available(codec))
        QSKIP("this libavcodec has no encoder for the codec");

    cTestVideoEncoder::Options o;
    o.codec = codec;
    o.width = 320;
    o.height = 240;
    o.frames = 30;
    const QVector<QByteArray> packets = encodeOrSkip(o);
    QCOMPARE(packets.size(), o.frames);

    Chain c;
    c.feed(cRsn3Writer::videoStream(cTestVideoEncoder::streamFormat(codec), packets, o.fps));
    QCOMPARE(c.frames.size(), o.frames);
    for (int i = 0; i < c.frames.size(); ++i) {
        const QImage& img = c.frames[i];
        QCOMPARE(img.size(), QSize(o.width, o.height));
        QCOMPARE(img.format(), QImage::Format_RGB32);
        QVERIFY2(opaque(img), qPrintable(QStringLiteral("frame %1 has transparent pixels").arg(i)));
        const double p = psnr(img, cTestVideoEncoder::picture(o.width, o.height, i));
        QVERIFY2(p > minPsnr, qPrintable(QStringLiteral("frame %1: PSNR %2 dB").arg(i).arg(p)));
    }
}

void tst_cFfmpegDecoder::sampleAspectStretchesHeight_data()
{
    QTest::addColumn<int>("num");
    QTest::addColumn<int>("den");
    QTest::addColumn<int>("height");
    QTest::newRow("1:2 doubles the height") << 1 << 2 << 288;
    QTest::newRow("1:1 keeps it") << 1 << 1 << 144;
    QTest::newRow("16:11 scales by the ratio, not by 11") << 16 << 11 << 99;
}

void tst_cFfmpegDecoder::sampleAspectStretchesHeight()
{
    QFETCH(int, num);
    QFETCH(int, den);
    QFETCH(int, height);
    cTestVideoEncoder::Options o;
    o.width = 176;
    o.height = 144;
    o.frames = 3;
    o.aspectNum = num;
    o.aspectDen = den;
    Chain c;
    c.feed(cRsn3Writer::videoStream("mp4v", encodeOrSkip(o), o.fps));
    QCOMPARE(c.frames.size(), o.frames);
    QCOMPARE(c.frames.last().size(), QSize(176, height));
    QVERIFY(opaque(c.frames.last()));
}

void tst_cFfmpegDecoder::unknownFormatFallsBackToMpeg4()
{
    cTestVideoEncoder::Options o;
    o.frames = 5;
    Chain c;
    c.feed(cRsn3Writer::videoStream("XVID", encodeOrSkip(o), o.fps));
    QCOMPARE(c.frames.size(), o.frames);
}

void tst_cFfmpegDecoder::repeatedHeadersLoseNoPicture()
{
    cTestVideoEncoder::Options o;
    o.frames = 8;
    o.gop = 2;
    const QVector<QByteArray> packets = encodeOrSkip(o);
    cRsn3Writer w;
    QByteArray stream;
    for (int i = 0; i < packets.size(); ++i) {
        if (i % 2 == 0)
            stream += w.header("cam", {{0, 1, "mp4v", "", ""}}) + cRsn3Writer::index(quint32(i));
        stream += w.data(0, packets[i]);
    }
    Chain c;
    c.feed(stream);
    QCOMPARE(c.frames.size(), o.frames);
    for (int i = 0; i < c.frames.size(); ++i)
        QVERIFY(psnr(c.frames[i], cTestVideoEncoder::picture(o.width, o.height, i)) > 30);
}

void tst_cFfmpegDecoder::failedCreateStaysIdle()
{
    cTestVideoEncoder::Options o;
    o.frames = 4;
    const QVector<QByteArray> packets = encodeOrSkip(o);
    cFfmpegDecoder d;
    int frames = 0;
    connect(&d, &cFfmpegDecoder::onFrame, [&] { ++frames; });

    QVERIFY(d.create("mpeg4"));
    QVERIFY(!d.create("no-such-codec"));
    QVERIFY(!d.isCreated());
    for (const QByteArray& p : packets)
        d.append(p);
    d.flush();
    QCOMPARE(frames, 0);

    QVERIFY(d.create("mpeg4"));
    for (const QByteArray& p : packets)
        d.append(p);
    d.flush();
    QCOMPARE(frames, o.frames);
}

void tst_cFfmpegDecoder::receiverMayRebuildDecoderInsideFrameSignal()
{
    cTestVideoEncoder::Options o;
    o.frames = 12;
    o.gop = 4;
    const QVector<QByteArray> packets = encodeOrSkip(o);
    QByteArray all;
    for (const QByteArray& p : packets)
        all += p;

    cFfmpegDecoder d;
    int frames = 0;
    connect(&d, &cFfmpegDecoder::onFrame, [&] {
        if (++frames % 3 == 0)
            d.create("mpeg4");
        else if (frames == 5)
            d.destroy();
    });
    QVERIFY(d.create("mpeg4"));
    d.append(all); // all frames in one call: the loop must notice the rebuild
    d.flush();
    QVERIFY(frames >= 1);
}

void tst_cFfmpegDecoder::garbageNeverCrashesOrHangs_data()
{
    QTest::addColumn<QString>("codec");
    QTest::newRow("mpeg4") << "mpeg4";
    QTest::newRow("mjpeg") << "mjpeg";
    QTest::newRow("h264") << "h264";
}

void tst_cFfmpegDecoder::garbageNeverCrashesOrHangs()
{
    QFETCH(QString, codec);
    QRandomGenerator rng(42);
    cFfmpegDecoder d;
    QVERIFY(d.create(codec));
    for (int i = 0; i < 200; ++i) {
        QByteArray junk(rng.bounded(1, 4000), Qt::Uninitialized);
        for (char& ch : junk)
            ch = char(rng.bounded(256));
        d.append(junk);
    }
    d.flush();

    // A real stream with bytes damaged here and there still goes through.
    cTestVideoEncoder::Options o;
    o.codec = codec;
    o.frames = 10;
    if (!cTestVideoEncoder::available(codec))
        return;
    QByteArray stream =
        cRsn3Writer::videoStream(cTestVideoEncoder::streamFormat(codec), encodeOrSkip(o), o.fps);
    for (int i = 0; i < 60; ++i)
        stream[rng.bounded(int(stream.size()))] = char(rng.bounded(256));
    Chain c;
    c.feed(stream, 700);
    for (const QImage& img : c.frames)
        QVERIFY(opaque(img));
}

QTEST_GUILESS_MAIN(tst_cFfmpegDecoder)
#include "tst_cffmpegdecoder.moc"
