#include "config/nbxsetup.h"
#include "devicefixture.h"
#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"
#include "snapshotpicture.h"
#include "video/videorsn3reciver.h"

#include "imagecompare.h"

#include <QDomDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
const QByteArray kRefused("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n");
const QString kLogin = QStringLiteral("viewer");
const QString kPassword = QStringLiteral("s3cret-digest");
const QSize kLiveSize(LiveStreamService::kWidth, LiveStreamService::kHeight);

// Pictures decoded by every receiver of this process: the receiver's own
// count of them never starts over.
quint64 g_decoded = 0;

VideoRSN3Reciver* receiverFor(NBXSetup* setup, QDomElement& task)
{
    const bool fresh = !VideoRSN3Reciver::created;
    VideoRSN3Reciver* receiver = VideoRSN3Reciver::getReciver(setup, task);
    if (fresh)
        QObject::connect(receiver->getDecoder(), &cFfmpegDecoder::onFrame, receiver,
                         [] { ++g_decoded; });
    return receiver;
}

QTcpSocket* socketOf(VideoRSN3Reciver* receiver)
{
    return receiver->findChild<QTcpSocket*>();
}

// A stream time task as the dialog prepares it for the receiver.
QDomElement streamTask(QDomDocument& doc, const QString& address, const QString& login = kLogin,
                       const QString& password = kPassword)
{
    doc.setContent(QStringLiteral("<timetask type=\"startVideoOnline\"><url/></timetask>"));
    QDomElement url = doc.documentElement().firstChildElement(QStringLiteral("url"));
    url.setAttribute(QStringLiteral("parsed"), address);
    url.setAttribute(QStringLiteral("login"), login);
    url.setAttribute(QStringLiteral("password"), password);
    return doc.documentElement();
}

QString addressOf(const DeviceFixture& device)
{
    return QStringLiteral("%1:%2").arg(device.sim.hostAddress().toString()).arg(device.sim.port());
}

// A stream task for the emulated device, with its credentials.
QDomElement emulatorTask(QDomDocument& doc, DeviceFixture& device)
{
    return streamTask(doc, addressOf(device), device.sim.login(), device.sim.passwordDigest());
}

// What one receiver delivered: for each decoded picture its number as the
// process counts them, whether it was passed on, and the event-loop turn it
// was decoded in.
class Watch : public QObject
{
public:
    struct Frame
    {
        quint64 number;
        bool shown;
        quint64 turn;
    };

    explicit Watch(VideoRSN3Reciver* receiver)
    {
        connect(receiver, &VideoRSN3Reciver::pixmapReady, this, [this](const QPixmap& p) {
            m_shown = true;
            pixmaps << p;
        });
        connect(receiver->getDecoder(), &cFfmpegDecoder::onFrame, this, [this] {
            frames << Frame{g_decoded, m_shown, turns};
            m_shown = false;
        });
        // Counts the turns of the event loop.
        m_ticker.setInterval(0);
        connect(&m_ticker, &QTimer::timeout, this, [this] { ++turns; });
        m_ticker.start();
    }

    QList<Frame> frames;
    QList<QPixmap> pixmaps;
    quint64 turns = 0;

private:
    bool m_shown = false;
    QTimer m_ticker;
};

// A short stream of the test encoder's pictures, and how many pictures the
// parser, demuxer and decoder make of it when it is handed over whole.
struct SmallStream
{
    QByteArray bytes;
    int headerAndFirst = 0; // bytes up to the end of the first picture's record
    int pictures = 0;

    explicit SmallStream(int frames)
    {
        cTestVideoEncoder::Options o;
        o.width = 176;
        o.height = 144;
        o.frames = frames;
        const QVector<QByteArray> packets = cTestVideoEncoder::encode(o);
        bytes = cRsn3Writer::videoStream("mp4v", packets, o.fps);
        headerAndFirst = int(cRsn3Writer::videoStream("mp4v", packets.mid(0, 1), o.fps).size());

        cRsn3Parser parser;
        cRsn3Demuxer demuxer;
        cFfmpegDecoder decoder;
        demuxer.targets[0] = &decoder;
        QObject::connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
        QObject::connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
        QObject::connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);
        QObject::connect(&decoder, &cFfmpegDecoder::onFrame, [this] { ++pictures; });
        parser.append(bytes);
    }
};

// A device played by a script: it takes the login, then sends its chunks,
// each once the receiver has read the previous one, and closes at the end
// when told to.
class StreamPeer : public QObject
{
public:
    explicit StreamPeer(QList<QByteArray> chunks = {}, bool closeAtEnd = false)
        : m_chunks(std::move(chunks)), m_close(closeAtEnd)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &StreamPeer::accept);
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("cannot listen: %s", qPrintable(m_server.errorString()));
    }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    quint16 port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }
    const QByteArray& received() const { return m_received; }
    bool closedByClient() const { return m_closedByClient; }

    void follow(VideoRSN3Reciver* receiver)
    {
        connect(socketOf(receiver), &QTcpSocket::readyRead, this, &StreamPeer::sendNext);
    }

private:
    void accept()
    {
        m_socket = m_server.nextPendingConnection();
        ++m_connections;
        m_loggedIn = false;
        connect(m_socket, &QTcpSocket::readyRead, this, [this] {
            m_received += m_socket->readAll();
            if (!m_loggedIn && m_received.count("\r\n") >= 2) {
                m_loggedIn = true;
                sendNext();
            }
        });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            if (!m_closing)
                m_closedByClient = true;
        });
    }

    void sendNext()
    {
        if (!m_socket || !m_loggedIn)
            return;
        if (!m_chunks.isEmpty()) {
            m_socket->write(m_chunks.takeFirst());
            return;
        }
        if (m_close && !m_closing) {
            m_closing = true;
            m_socket->disconnectFromHost();
        }
    }

    QList<QByteArray> m_chunks;
    bool m_close;
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_received;
    int m_connections = 0;
    bool m_loggedIn = false;
    bool m_closing = false;
    bool m_closedByClient = false;
};

// A receiver of a scripted peer's stream, with its deliveries watched.
struct ScriptedRun
{
    StreamPeer peer;
    QDomDocument doc;
    VideoRSN3Reciver* receiver;
    Watch watch;

    explicit ScriptedRun(const QList<QByteArray>& chunks, bool closeAtEnd = false)
        : peer(chunks, closeAtEnd), receiver(start(peer, doc)), watch(receiver)
    {
    }

private:
    static VideoRSN3Reciver* start(StreamPeer& peer, QDomDocument& doc)
    {
        QDomElement task = streamTask(doc, peer.address());
        VideoRSN3Reciver* receiver = receiverFor(nullptr, task);
        peer.follow(receiver);
        return receiver;
    }
};

// A receiver of the emulated device's live stream in `codec`, watched.
struct LiveRun
{
    DeviceFixture device;
    QDomDocument doc;
    Watch watch;

    explicit LiveRun(const QString& codec) : watch(start(device, doc, codec)) {}

private:
    static VideoRSN3Reciver* start(DeviceFixture& device, QDomDocument& doc, const QString& codec)
    {
        device.streamIn(codec);
        QDomElement task = emulatorTask(doc, device);
        return receiverFor(nullptr, task);
    }
};

QString describe(const QList<Watch::Frame>& frames)
{
    QStringList shown;
    for (const Watch::Frame& f : frames)
        shown << QStringLiteral("%1%2").arg(f.number).arg(f.shown ? "+" : "-");
    return shown.join(QLatin1Char(' '));
}

// A settings file "Velk-Rimbal" of the source, holding the stream address.
void writeStreamKeys(NBXSetup& setup, const QTemporaryDir& dir, const QByteArray& lines)
{
    const QString path = dir.filePath(QStringLiteral("rimbal.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("[Camera_PTZ]\n" + lines) < 0)
        qFatal("cannot write %s", qPrintable(path));
    setup.setFilePath(QStringLiteral("Velk-Rimbal"), path);
}

} // namespace

class tst_VideoRSN3Reciver : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    // First: it counts the first pictures of the process.
    void fourOfEveryEight_data();
    void fourOfEveryEight();
    void streamAfterLoginAnswer_data();
    void streamAfterLoginAnswer();
    void loginNotAccepted_data();
    void loginNotAccepted();
    void deviceRefusesLogin();
    void address_data();
    void address();
    void oneReceiver();
    void removeThenFresh();
    void removedByItsOwnPicture();
    void connectionLost_data();
    void connectionLost();
    void onePicturePerTurn();
    void shownPicturesKeepTheirContent();
    void livePictureIsTheSentOne_data();
    void livePictureIsTheSentOne();
};

void tst_VideoRSN3Reciver::init()
{
    cTestVideoEncoder::silenceCodecLogs();
    QVERIFY(!VideoRSN3Reciver::created);
}

void tst_VideoRSN3Reciver::cleanup()
{
    VideoRSN3Reciver::removeReciver();
    QVERIFY(!VideoRSN3Reciver::created);
    QVERIFY(!VideoRSN3Reciver::singletonPtr);
}

void tst_VideoRSN3Reciver::fourOfEveryEight_data()
{
    QTest::addColumn<QString>("codec");
    QTest::newRow("mpeg4") << QStringLiteral("mpeg4");
    if (cTestVideoEncoder::available(QStringLiteral("h264")))
        QTest::newRow("h264") << QStringLiteral("h264");
}

void tst_VideoRSN3Reciver::fourOfEveryEight()
{
    QFETCH(QString, codec);
    LiveRun run(codec);
    Watch& watch = run.watch;

    QTRY_VERIFY_WITH_TIMEOUT(watch.frames.size() >= 16, 30000);
    const QList<Watch::Frame> first = watch.frames.mid(0, 16);
    // The process's pictures 4 to 7, 12 to 15, ... are shown.
    for (const Watch::Frame& f : first)
        QVERIFY2(f.shown == bool(f.number & 4), qPrintable(describe(first)));
    QCOMPARE(
        std::count_if(first.begin(), first.end(), [](const Watch::Frame& f) { return f.shown; }),
        8);
    for (const QPixmap& p : watch.pixmaps)
        QCOMPARE(p.size(), kLiveSize);
}

void tst_VideoRSN3Reciver::streamAfterLoginAnswer_data()
{
    const SmallStream s(8);
    const QByteArray head = s.bytes.left(s.headerAndFirst);
    const QByteArray rest = s.bytes.mid(s.headerAndFirst);
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("pictures");
    QTest::newRow("answer alone, then the stream")
        << QList<QByteArray>{kAccepted, s.bytes} << s.pictures;
    QTest::newRow("answer and header in one read")
        << QList<QByteArray>{kAccepted + head, rest} << s.pictures;
    QTest::newRow("answer split, its end with the header")
        << QList<QByteArray>{kAccepted.left(9), kAccepted.mid(9) + head, rest} << s.pictures;
}

void tst_VideoRSN3Reciver::streamAfterLoginAnswer()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, pictures);
    QVERIFY(pictures > 0);
    ScriptedRun run(chunks);

    QTRY_COMPARE(run.watch.frames.size(), pictures);
    QCOMPARE(run.peer.received(),
             "\x01LOGIN=" + kLogin.toUtf8() + "\r\nPASS=" + kPassword.toUtf8() + "\r\n");
    QCOMPARE(run.peer.connections(), 1);
}

void tst_VideoRSN3Reciver::loginNotAccepted_data()
{
    const SmallStream s(4);
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("stream");
    QTest::newRow("refused") << kRefused << s.bytes;
    QTest::newRow("refused, then the stream in the same read")
        << kRefused + s.bytes << QByteArray();
    QTest::newRow("not an answer") << QByteArray("HTTP/1.0 400 Bad Request\r\n\r\n") << s.bytes;
    QTest::newRow("a megabyte of something else")
        << QByteArray(1024 * 1024, 'x') << QByteArray(1024 * 1024, 'y');
}

void tst_VideoRSN3Reciver::loginNotAccepted()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, stream);
    QList<QByteArray> chunks{answer};
    if (!stream.isEmpty())
        chunks << stream;
    ScriptedRun run(chunks);

    // Nothing can follow on this connection: the receiver lets it go
    // instead of collecting what the peer sends.
    QTRY_VERIFY(run.peer.closedByClient());
    QVERIFY(run.watch.frames.isEmpty());
    QCOMPARE(VideoRSN3Reciver::singletonPtr, run.receiver);
}

void tst_VideoRSN3Reciver::deviceRefusesLogin()
{
    DeviceFixture device;
    QDomDocument doc;
    QDomElement task =
        streamTask(doc, addressOf(device), device.sim.login(), QStringLiteral("wrong-digest"));
    VideoRSN3Reciver* receiver = receiverFor(nullptr, task);
    Watch watch(receiver);

    QTRY_COMPARE(device.sim.log().logins().size(), 1);
    QCOMPARE(device.sim.log().logins().first().password, QByteArray("wrong-digest"));
    QVERIFY(!device.sim.log().logins().first().accepted);
    QTRY_COMPARE(socketOf(receiver)->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(watch.frames.isEmpty());
}

void tst_VideoRSN3Reciver::address_data()
{
    QTest::addColumn<QByteArray>("keys"); // "<port>" stands for the key peer's port
    QTest::addColumn<bool>("fromKeys");
    QTest::newRow("both keys") << QByteArray("Velk_5_NAS_IP=127.0.0.1\nVelk_5_NAS_port=<port>\n")
                               << true;
    QTest::newRow("address key empty")
        << QByteArray("Velk_5_NAS_IP=\nVelk_5_NAS_port=<port>\n") << false;
    QTest::newRow("port key missing") << QByteArray("Velk_5_NAS_IP=127.0.0.1\n") << false;
    QTest::newRow("no keys") << QByteArray() << false;
    // A device without the file: the task's address, and no error that would
    // close the dialog.
    QTest::newRow("no file") << QByteArray("<no file>") << false;
}

void tst_VideoRSN3Reciver::address()
{
    QFETCH(QByteArray, keys);
    QFETCH(bool, fromKeys);
    StreamPeer keyPeer;
    StreamPeer taskPeer;
    QTemporaryDir dir;
    NBXSetup setup(QStringLiteral("device"));
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    if (keys != "<no file>")
        writeStreamKeys(setup, dir, keys.replace("<port>", QByteArray::number(keyPeer.port())));
    QDomDocument doc;
    QDomElement task = streamTask(doc, taskPeer.address());
    receiverFor(&setup, task);

    StreamPeer& chosen = fromKeys ? keyPeer : taskPeer;
    StreamPeer& other = fromKeys ? taskPeer : keyPeer;
    QTRY_VERIFY(chosen.received().endsWith("PASS=" + kPassword.toUtf8() + "\r\n"));
    QCOMPARE(chosen.connections(), 1);
    QCOMPARE(other.connections(), 0);
    QCOMPARE(errors.count(), 0);
}

void tst_VideoRSN3Reciver::oneReceiver()
{
    StreamPeer first;
    StreamPeer second;
    QDomDocument doc1;
    QDomDocument doc2;
    QDomElement task1 = streamTask(doc1, first.address());
    QDomElement task2 = streamTask(doc2, second.address(), QStringLiteral("other"));
    VideoRSN3Reciver* receiver = receiverFor(nullptr, task1);
    QCOMPARE(receiverFor(nullptr, task2), receiver);
    QVERIFY(VideoRSN3Reciver::created);
    QCOMPARE(VideoRSN3Reciver::singletonPtr, receiver);

    QTRY_VERIFY(first.received().endsWith("\r\n"));
    QCOMPARE(first.received().count("\r\n"), 2);
    QCOMPARE(second.connections(), 0);
}

void tst_VideoRSN3Reciver::removeThenFresh()
{
    StreamPeer peer;
    QDomDocument doc;
    QDomElement task = streamTask(doc, peer.address());
    receiverFor(nullptr, task);
    QTRY_COMPARE(peer.received().count("\r\n"), 2);

    VideoRSN3Reciver::removeReciver();
    QVERIFY(!VideoRSN3Reciver::created);
    QVERIFY(!VideoRSN3Reciver::singletonPtr);
    QTRY_VERIFY(peer.closedByClient());
    VideoRSN3Reciver::removeReciver(); // nothing left to remove

    VideoRSN3Reciver* fresh = receiverFor(nullptr, task);
    QVERIFY(fresh);
    QVERIFY(VideoRSN3Reciver::created);
    QCOMPARE(VideoRSN3Reciver::singletonPtr, fresh);
    QTRY_COMPARE(peer.connections(), 2);
    QTRY_COMPARE(peer.received().count("\r\n"), 4);
}

void tst_VideoRSN3Reciver::removedByItsOwnPicture()
{
    // A view that closes the dialog on a picture removes the receiver while
    // the receiver is still decoding.
    DeviceFixture device;
    QDomDocument doc;
    QDomElement task = emulatorTask(doc, device);
    VideoRSN3Reciver* receiver = receiverFor(nullptr, task);
    QPointer<VideoRSN3Reciver> alive(receiver);
    int shown = 0;
    connect(receiver, &VideoRSN3Reciver::pixmapReady, this, [&] {
        ++shown;
        VideoRSN3Reciver::removeReciver();
    });
    QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 30000);
    QCOMPARE(shown, 1);
    QVERIFY(!VideoRSN3Reciver::created);

    // The next one starts from scratch.
    Watch watch(receiverFor(nullptr, task));
    QTRY_VERIFY_WITH_TIMEOUT(!watch.pixmaps.isEmpty(), 30000);
}

void tst_VideoRSN3Reciver::connectionLost_data()
{
    QTest::addColumn<bool>("midPicture");
    QTest::newRow("device goes away while streaming") << false;
    QTest::newRow("close in the middle of a picture") << true;
}

void tst_VideoRSN3Reciver::connectionLost()
{
    QFETCH(bool, midPicture);
    auto device = std::make_unique<DeviceFixture>();
    const SmallStream s(6);
    const int cut = s.headerAndFirst + (int(s.bytes.size()) - s.headerAndFirst) / 2;
    StreamPeer peer({kAccepted, s.bytes.left(cut)}, true);
    const QString address = midPicture ? peer.address() : addressOf(*device);
    QDomDocument doc;
    QDomElement task = streamTask(doc, address, device->sim.login(), device->sim.passwordDigest());
    VideoRSN3Reciver* receiver = receiverFor(nullptr, task);
    peer.follow(receiver);
    Watch watch(receiver);

    if (midPicture) {
        QTRY_VERIFY(!peer.received().isEmpty());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(watch.frames.size() >= 2, 30000);
        device.reset();
    }
    QTRY_COMPARE(socketOf(receiver)->state(), QAbstractSocket::UnconnectedState);
    // The receiver stays, without a new connection, until it is removed.
    QCOMPARE(VideoRSN3Reciver::singletonPtr, receiver);
    QVERIFY(VideoRSN3Reciver::created);
    QDomDocument doc2;
    QDomElement again = streamTask(doc2, peer.address());
    QCOMPARE(receiverFor(nullptr, again), receiver);
    const quint64 turns = watch.turns;
    QTRY_VERIFY(watch.turns > turns + 2); // the event loop goes on
    QCOMPARE(peer.connections(), midPicture ? 1 : 0);
}

void tst_VideoRSN3Reciver::onePicturePerTurn()
{
    // A backlog of pictures arriving at once is decoded one per turn of the
    // event loop, so that the dialog stays responsive.
    const SmallStream s(30);
    ScriptedRun run({kAccepted, s.bytes});

    QTRY_COMPARE(run.watch.frames.size(), s.pictures);
    for (int i = 1; i < run.watch.frames.size(); ++i)
        QVERIFY2(run.watch.frames.at(i).turn != run.watch.frames.at(i - 1).turn,
                 qPrintable(QStringLiteral("pictures %1 and %2 in one turn").arg(i).arg(i + 1)));
}

void tst_VideoRSN3Reciver::shownPicturesKeepTheirContent()
{
    // The decoder reuses its pixel buffer for every picture and frees it
    // with the receiver; a view keeps the pixmap it was given for longer.
    const SmallStream s(24);
    ScriptedRun run({kAccepted, s.bytes});
    QList<QPixmap> kept;
    QList<QImage> asShown;
    connect(run.receiver, &VideoRSN3Reciver::pixmapReady, this, [&](const QPixmap& p) {
        kept << p;
        asShown << p.toImage().copy();
    });
    QTRY_COMPARE(run.watch.frames.size(), s.pictures);
    VideoRSN3Reciver::removeReciver();

    QVERIFY(kept.size() >= 8);
    QVERIFY(asShown.first() != asShown.last()); // the pictures move
    for (int i = 0; i < kept.size(); ++i)
        QVERIFY2(kept.at(i).toImage() == asShown.at(i),
                 qPrintable(QStringLiteral("shown picture %1 changed").arg(i)));
}

void tst_VideoRSN3Reciver::livePictureIsTheSentOne_data()
{
    fourOfEveryEight_data();
}

void tst_VideoRSN3Reciver::livePictureIsTheSentOne()
{
    QFETCH(QString, codec);
    LiveRun run(codec);
    Watch& watch = run.watch;
    QTRY_VERIFY_WITH_TIMEOUT(!watch.pixmaps.isEmpty(), 30000);

    const QImage got = watch.pixmaps.first().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(got.size(), kLiveSize);
    // The camera's picture changes once a second; the one sent is among the
    // last few seconds' pictures.
    const QTime now = QTime::currentTime();
    double best = 0;
    for (int back = 0; back <= 5; ++back)
        best = qMax(best, psnr(got, SnapshotPicture::draw(kLiveSize, now.addSecs(-back))));
    QVERIFY2(best > 30, qPrintable(QStringLiteral("PSNR %1 dB").arg(best)));
}

QTEST_MAIN(tst_VideoRSN3Reciver)
#include "tst_videorsn3reciver.moc"
