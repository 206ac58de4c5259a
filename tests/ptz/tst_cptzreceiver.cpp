// The receive steps of the PTZ connection: text lines, frame headers and
// payloads in any split, resynchronisation, and the headers refused before
// a byte is stored.

#include "ptz/cptzreceiver.h"
#include "ptzwire.h"

#include <QtTest>

using namespace ptzwire;

namespace {

// What a receiver reported, one line per signal.
class Recorder : public QObject
{
public:
    explicit Recorder(cPTZReceiver& r) : receiver(r)
    {
        connect(&r, &cPTZReceiver::positionReported, this, [this](int pan, int tilt, int zoom) {
            events << QStringLiteral("position %1 %2 %3 camera %4")
                          .arg(pan)
                          .arg(tilt)
                          .arg(zoom)
                          .arg(receiver.camera());
        });
        connect(&r, &cPTZReceiver::pictureReady, this, [this] {
            const QImage& p = receiver.picture();
            events << QStringLiteral("picture camera %1 %2x%3")
                          .arg(receiver.camera())
                          .arg(p.width())
                          .arg(p.height());
        });
        connect(&r, &cPTZReceiver::frameReceived, this,
                [this] { events << QStringLiteral("frame"); });
    }
    cPTZReceiver& receiver;
    QStringList events;
};

QStringList receive(const QList<QByteArray>& chunks)
{
    cPTZReceiver receiver;
    Recorder recorder(receiver);
    receiver.start();
    for (const QByteArray& chunk : chunks)
        receiver.feed(chunk);
    return recorder.events;
}

QList<QByteArray> bytewise(const QByteArray& stream)
{
    QList<QByteArray> out;
    for (char c : stream)
        out.append(QByteArray(1, c));
    return out;
}

QString picture(int camera, int w, int h)
{
    return QStringLiteral("picture camera %1 %2x%3").arg(camera).arg(w).arg(h);
}

const QString kFrame = QStringLiteral("frame");

} // namespace

class tst_cPTZReceiver : public QObject
{
    Q_OBJECT
private slots:
    void receivesInAnySplit_data();
    void receivesInAnySplit();
    void refusesHeader_data();
    void refusesHeader();
    void keepsLessThanALineOfGarbage();
    void dropsBytesBeforeLogin();
    void buildsGreyPictureFromTheBytes();
    void handlesABoundedNumberOfPiecesPerCall();
    void readsFromADeviceAsFromBytes_data();
    void readsFromADeviceAsFromBytes();
    void eachPictureIsItsFrameWhileTheLastIsShown();
};

void tst_cPTZReceiver::receivesInAnySplit_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    const QString report = QStringLiteral("position 12345 905 100 camera -1");
    QTest::newRow("position report") << positionLine(12345, 905, 100) << QStringList{report};
    QTest::newRow("grey frame") << greyFrame(16, 8) << QStringList{picture(0, 16, 8), kFrame};
    QTest::newRow("jpeg frame") << jpegFrame(64, 48) << QStringList{picture(0, 64, 48), kFrame};
    QTest::newRow("grey picture 1200 wide")
        << greyFrame(1200, 2) << QStringList{picture(0, 1200, 2), kFrame};
    QTest::newRow("grey picture 8192 wide")
        << greyFrame(8192, 1) << QStringList{picture(0, 8192, 1), kFrame};
    {
        const QByteArray payload = greyPayload(16, 8);
        QTest::newRow("camera 3") << frame(cameraLine(3, 32 + payload.size()), {3, 16, 8, 128},
                                           payload)
                                  << QStringList{picture(3, 16, 8), kFrame};
        // Received and acknowledged, but not a picture of any camera.
        QTest::newRow("camera 0 in the Camera form")
            << frame(cameraLine(0, 32 + payload.size()), {3, 16, 8, 128}, payload)
            << QStringList{picture(-1, 16, 8), kFrame};
        QTest::newRow("frame reusing its buffers")
            << greyFrame(16, 8) + ptzFrame({3, 16, 8, 128, 0}, payload)
            << QStringList{picture(0, 16, 8), kFrame, picture(0, 16, 8), kFrame};
    }
    QTest::newRow("report then frame in one chunk")
        << positionLine(12345, 905, 100) + greyFrame(16, 8)
        << QStringList{report, picture(0, 16, 8), kFrame};
    QTest::newRow("garbage before a line")
        << QByteArray("\x00\x01xyzCamPT Camer MovPT", 21) + greyFrame(16, 8)
        << QStringList{picture(0, 16, 8), kFrame};
    QTest::newRow("login answer before a line")
        << QByteArray("LENGTH=16\r\nVELK_ANSWER=OK\r\n") + positionLine(12345, 905, 100)
        << QStringList{report};
    {
        // A JPEG states its own size: one wider than any accepted picture is
        // not decoded, whatever the frame header says.
        const QByteArray wide = jpegOf(testPicture(cPTZReceiver::kMaxSide + 1, 1));
        QTest::newRow("jpeg wider than the largest picture acknowledged")
            << ptzFrame({4, 16, 8, qint32(wide.size())}, wide) << QStringList{kFrame};
    }
    QTest::newRow("undecodable jpeg acknowledged")
        << ptzFrame({4, 16, 8, 10}, "not a jpeg") << QStringList{kFrame};
    // Three bytes per pixel are not received: the payload is skipped as
    // garbage up to the next line.
    QTest::newRow("rgb frame skipped")
        << ptzFrame({1, 2, 2, 4}, QByteArray(12, 'x')) + positionLine(12345, 905, 100)
        << QStringList{report};
}

void tst_cPTZReceiver::receivesInAnySplit()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    QCOMPARE(receive({stream}), expected);
    QCOMPARE(receive(bytewise(stream)), expected);
    // Every cut for short streams, a spread of cuts for long ones.
    const qsizetype step = qMax<qsizetype>(1, stream.size() / 97);
    for (qsizetype cut = 1; cut < stream.size(); cut += step) {
        const QStringList got = receive({stream.left(cut), stream.mid(cut)});
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("cut at %1: %2").arg(cut).arg(got.join(", "))));
    }
}

void tst_cPTZReceiver::refusesHeader_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("header");

    const auto row = [](const char* name, const Header& h, const QByteArray& before = {}) {
        const qint64 payload = h.type == 1 || h.type == 2 ? qint64(h.size) * 3 : h.size;
        QTest::newRow(name) << before << ptzLine(32 + payload) << header(h);
    };
    row("width 0", {3, 0, 8, 0});
    row("width 8193", {3, 8193, 1, 8193});
    row("negative width", {3, -16, 8, -128});
    row("height 0", {4, 16, 0, 100});
    row("height 8193", {4, 1, 8193, 100});
    row("rgb wider than 8192", {1, 100000, 1, 100000});
    row("grey size not width x height", {3, 16, 8, 100});
    row("jpeg larger than 64 MiB", {4, 704, 576, qint32(cPTZReceiver::kMaxJpeg + 1)});
    row("empty jpeg", {4, 16, 8, 0});
    row("unknown type", {5, 16, 8, 128});
    row("reuse of buffers that do not exist", {3, 16, 8, 128, 0});
    row("reuse of buffers too small", {3, 32, 8, 256, 0}, greyFrame(16, 8));
    row("jpeg reusing buffers too small", {4, 16, 8, 129, 0}, greyFrame(16, 8));
    QTest::newRow("line disagrees with header size")
        << QByteArray() << ptzLine(32 + 129) << header({3, 16, 8, 128});
}

void tst_cPTZReceiver::refusesHeader()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, header);

    cPTZReceiver receiver;
    receiver.start();
    receiver.feed(before);
    const qint64 bufferBefore = receiver.imageBufferBytes();
    Recorder recorder(receiver);
    receiver.feed(line + header);

    QCOMPARE(receiver.state(), int(cPTZReceiver::WaitingForText));
    QCOMPARE(receiver.camera(), -1);
    QCOMPARE(receiver.imageBufferBytes(), bufferBefore);
    QCOMPARE(recorder.events, QStringList());
    // Whatever the refused frame was followed by, the next line is found.
    receiver.feed(positionLine(100, 200, 300));
    QCOMPARE(recorder.events, QStringList{QStringLiteral("position 100 200 300 camera -1")});
}

void tst_cPTZReceiver::keepsLessThanALineOfGarbage()
{
    cPTZReceiver receiver;
    receiver.start();
    QByteArray garbage(4096, 'C');
    for (int i = 0; i < 256; ++i) {
        receiver.feed(garbage);
        QVERIFY(receiver.bufferedBytes() < cPTZReceiver::kTextHeader);
    }
}

void tst_cPTZReceiver::dropsBytesBeforeLogin()
{
    cPTZReceiver receiver;
    Recorder recorder(receiver);
    receiver.feed(positionLine(1, 2, 3));
    QCOMPARE(receiver.bufferedBytes(), 0);
    receiver.start();
    receiver.feed(greyFrame(4, 4));
    QCOMPARE(recorder.events, (QStringList{picture(0, 4, 4), kFrame}));
}

// Rows of odd widths must not be padded or shifted.
void tst_cPTZReceiver::buildsGreyPictureFromTheBytes()
{
    cPTZReceiver receiver;
    receiver.start();
    receiver.feed(greyFrame(1001, 3));
    const QImage& p = receiver.picture();
    QCOMPARE(p.size(), QSize(1001, 3));
    const QByteArray bytes = greyPayload(1001, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 1001; x += 50)
            QCOMPARE(qGray(p.pixel(x, y)), int(uchar(bytes.at(y * 1001 + x))));
}

// A flood is handled a few lines, or one frame, at a time; what is left
// comes with the next call, in order, without new bytes.
void tst_cPTZReceiver::handlesABoundedNumberOfPiecesPerCall()
{
    cPTZReceiver receiver;
    Recorder recorder(receiver);
    receiver.start();
    QByteArray flood;
    for (int i = 0; i < 20; ++i)
        flood += positionLine(i, 0, 0);
    flood += greyFrame(4, 4) + positionLine(99, 0, 0);

    QVERIFY(receiver.feed(flood, 16));
    QCOMPARE(recorder.events.size(), 16);
    // Four lines, then the frame ends the call.
    QVERIFY(receiver.feed(QByteArray(), 16));
    QCOMPARE(recorder.events.mid(16),
             QStringList({"position 16 0 0 camera -1", "position 17 0 0 camera -1",
                          "position 18 0 0 camera -1", "position 19 0 0 camera -1",
                          picture(0, 4, 4), kFrame}));
    QVERIFY(!receiver.feed(QByteArray(), 16));
    QCOMPARE(recorder.events.last(), QStringLiteral("position 99 0 0 camera -1"));
    QCOMPARE(recorder.events, receive({flood}));
}

void tst_cPTZReceiver::readsFromADeviceAsFromBytes_data()
{
    QTest::addColumn<qint64>("slice");
    QTest::addColumn<int>("pieces");
    QTest::newRow("a byte at a time") << qint64(1) << cPTZReceiver::kAllPieces;
    QTest::newRow("100 bytes") << qint64(100) << cPTZReceiver::kAllPieces;
    QTest::newRow("64 KiB, 16 pieces a call") << qint64(64 * 1024) << 16;
}

void tst_cPTZReceiver::readsFromADeviceAsFromBytes()
{
    QFETCH(qint64, slice);
    QFETCH(int, pieces);
    QByteArray stream = QByteArray(50, 'x') + jpegFrame(64, 48);
    for (int i = 0; i < 20; ++i)
        stream += positionLine(i, 0, 0);
    stream += greyFrame(7, 5) + jpegFrame(32, 24);
    QBuffer device(&stream);
    device.open(QIODevice::ReadOnly);

    cPTZReceiver receiver;
    Recorder recorder(receiver);
    receiver.start();
    while (receiver.feedFrom(device, slice, pieces) || !device.atEnd()) {
        QVERIFY(receiver.bufferedBytes() <= slice + cPTZReceiver::kTextHeader);
    }
    QCOMPARE(recorder.events, receive({stream}));
    QCOMPARE(receiver.bufferedBytes(), 0);
}

// A view shows the last picture while the next frame arrives; each picture
// is its own frame's, and the one shown stays as it was.
void tst_cPTZReceiver::eachPictureIsItsFrameWhileTheLastIsShown()
{
    const QByteArray first = jpegOf(testPicture(64, 48));
    const QByteArray second = jpegOf(testPicture(64, 48).mirrored(true, false));
    const QByteArray small = jpegOf(testPicture(32, 24));
    const QByteArray grey = greyPayload(64, 48);
    const auto jpegFrameOf = [](const QByteArray& jpeg, QSize size) {
        return ptzFrame({4, size.width(), size.height(), qint32(jpeg.size())}, jpeg);
    };
    const struct
    {
        QByteArray frame;
        QImage expected;
    } frames[] = {
        {jpegFrameOf(first, {64, 48}), QImage::fromData(first, "JPG")},
        {jpegFrameOf(second, {64, 48}), QImage::fromData(second, "JPG")},
        {jpegFrameOf(first, {64, 48}), QImage::fromData(first, "JPG")},
        {greyFrame(64, 48), QImage(reinterpret_cast<const uchar*>(grey.constData()), 64, 48, 64,
                                   QImage::Format_Grayscale8)
                                .copy()},
        {jpegFrameOf(second, {64, 48}), QImage::fromData(second, "JPG")},
        {jpegFrameOf(small, {32, 24}), QImage::fromData(small, "JPG")},
        {jpegFrameOf(first, {64, 48}), QImage::fromData(first, "JPG")},
    };
    cPTZReceiver receiver;
    receiver.start();
    QImage shown;
    QImage wasShown;
    for (const auto& f : frames) {
        receiver.feed(f.frame);
        QCOMPARE(receiver.picture(), f.expected);
        QCOMPARE(shown, wasShown);
        shown = receiver.picture();
        wasShown = f.expected;
    }
}

QTEST_GUILESS_MAIN(tst_cPTZReceiver)
#include "tst_cptzreceiver.moc"
