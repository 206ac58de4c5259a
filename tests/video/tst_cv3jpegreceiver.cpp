#include "devicefixture.h"
#include "snapshotpicture.h"
#include "snapshotservice.h"
#include "video/cv3jpegreceiver.h"

#include "imagecompare.h"
#include "jpegbytes.h"

#include <QBuffer>
#include <QDomDocument>
#include <QPainter>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

namespace {

const QByteArray kAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
const QByteArray kRefused("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n");
const QString kLogin = QStringLiteral("viewer");
const QString kPassword = QStringLiteral("s3cret-digest");
const QString kCommand = QStringLiteral("GET SNAPSHOT 1");
// Its own loopback address, so that the fixed ports of the port rule do not
// meet the informer (127.0.0.1) or the demo device (127.0.0.2).
const char* const kPortRuleHost = "127.0.49.6";
constexpr qint64 kMiB = 1024 * 1024;
// Expected result: the picture the peer sent, else a placeholder index.
constexpr int kSentPicture = -1;

QByteArray le32(quint32 n)
{
    char bytes[4];
    qToLittleEndian(n, bytes);
    return QByteArray(bytes, 4);
}

QByteArray framed(const QByteArray& payload)
{
    return le32(quint32(payload.size())) + payload;
}

QImage sourcePicture()
{
    QImage image(96, 64, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ramp(0, 0, 96, 64);
    ramp.setColorAt(0, Qt::darkBlue);
    ramp.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), ramp);
    painter.fillRect(QRect(20, 16, 30, 20), Qt::white);
    return image;
}

QByteArray sourceJpeg()
{
    QByteArray data;
    QBuffer out(&data);
    out.open(QIODevice::WriteOnly);
    sourcePicture().save(&out, "JPEG", 95);
    return data;
}

QImage rgb(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// What the login and the command look like on the wire.
QByteArray loginBytes(const QString& login, const QString& password)
{
    return "\x06LOGIN=" + login.toUtf8() + "\r\nPASS=" + password.toUtf8() + "\r\n";
}

// A time-task element as the dialog prepares it for a receiver.
QDomElement snapshotTask(QDomDocument& doc, const QString& address, const QString& login = kLogin,
                         const QString& password = kPassword)
{
    doc.setContent(QStringLiteral("<timetask type=\"v3getjpeg\"><url/><command/></timetask>"));
    QDomElement task = doc.documentElement();
    QDomElement url = task.firstChildElement(QStringLiteral("url"));
    url.setAttribute(QStringLiteral("parsed"), address);
    url.setAttribute(QStringLiteral("login"), login);
    url.setAttribute(QStringLiteral("password"), password);
    task.firstChildElement(QStringLiteral("command")).appendChild(doc.createTextNode(kCommand));
    return task;
}

// A device played by a script: it takes the login, answers it in chunks,
// takes the command line if the script expects one, answers it in chunks,
// then sends `zeros` zero bytes and closes (unless told to stay open). Each
// chunk goes out only once the receiver has read the previous one, so that
// the chunks reach it as separate reads.
class ScriptedPeer : public QObject
{
public:
    struct Script
    {
        QList<QByteArray> loginAnswer{kAccepted};
        bool takesCommand = true;
        QList<QByteArray> answer;
        qint64 zeros = 0;
        bool close = true;
    };

    explicit ScriptedPeer(const Script& script) : m_script(script)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &ScriptedPeer::accept);
    }

    bool listen(const QHostAddress& host = QHostAddress::LocalHost, quint16 port = 0)
    {
        return m_server.listen(host, port);
    }
    QString address() const
    {
        return QStringLiteral("%1:%2")
            .arg(m_server.serverAddress().toString())
            .arg(m_server.serverPort());
    }
    int connections() const { return m_connections; }
    const QByteArray& received() const { return m_received; }
    qint64 sent() const { return m_sent; }

    // Paces the chunks by the reads of this receiver's socket.
    void follow(cV3JpegReceiver* receiver)
    {
        connect(receiver->findChild<QTcpSocket*>(), &QTcpSocket::readyRead, this,
                &ScriptedPeer::receiverRead);
    }

private:
    enum class Phase
    {
        Login,
        LoginAnswer,
        Command,
        Answer,
        Zeros,
        Done
    };

    void accept()
    {
        m_socket = m_server.nextPendingConnection();
        ++m_connections;
        connect(m_socket, &QTcpSocket::readyRead, this, &ScriptedPeer::peerRead);
        connect(m_socket, &QTcpSocket::bytesWritten, this, &ScriptedPeer::pumpZeros);
    }

    void peerRead()
    {
        m_received += m_socket->readAll();
        const int lines = m_received.count("\r\n");
        if (m_phase == Phase::Login && lines >= 2)
            startPhase(Phase::LoginAnswer, m_script.loginAnswer);
        else if (m_phase == Phase::Command && lines >= 3)
            startPhase(Phase::Answer, m_script.answer);
    }

    void startPhase(Phase phase, const QList<QByteArray>& chunks)
    {
        m_phase = phase;
        m_pending = chunks;
        sendNext();
    }

    void receiverRead()
    {
        if (m_phase == Phase::LoginAnswer || m_phase == Phase::Answer)
            sendNext();
    }

    void sendNext()
    {
        if (!m_pending.isEmpty()) {
            write(m_pending.takeFirst());
            return;
        }
        if (m_phase == Phase::LoginAnswer && m_script.takesCommand) {
            m_phase = Phase::Command;
            peerRead();
            return;
        }
        m_phase = Phase::Zeros;
        pumpZeros();
    }

    void pumpZeros()
    {
        if (m_phase != Phase::Zeros || m_socket->bytesToWrite() > 0)
            return;
        if (m_zerosSent < m_script.zeros) {
            const qint64 n = qMin(kMiB, m_script.zeros - m_zerosSent);
            m_zerosSent += n;
            write(QByteArray(n, '\0'));
            return;
        }
        m_phase = Phase::Done;
        if (m_script.close)
            m_socket->disconnectFromHost();
    }

    void write(const QByteArray& bytes)
    {
        m_sent += bytes.size();
        m_socket->write(bytes);
    }

    Script m_script;
    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    Phase m_phase = Phase::Login;
    QList<QByteArray> m_pending;
    QByteArray m_received;
    qint64 m_zerosSent = 0;
    qint64 m_sent = 0;
    int m_connections = 0;
};

// Runs one receiver to its end and returns every picture it emitted; a
// `timeoutMs` above 0 replaces the receiver's own time limit.
QList<QPixmap> receive(QDomElement task, ScriptedPeer* peer = nullptr, int timeoutMs = 0)
{
    auto pictures = std::make_shared<QList<QPixmap>>();
    QPointer<cV3JpegReceiver> receiver = new cV3JpegReceiver(task);
    if (timeoutMs > 0)
        receiver->setTimeout(timeoutMs);
    QObject::connect(receiver, &cV3JpegReceiver::pixmapReady,
                     [pictures](const QPixmap& p) { *pictures << p; });
    if (peer)
        peer->follow(receiver);
    if (!QTest::qWaitFor([&] { return receiver.isNull(); }, 30000)) {
        qWarning("the receiver is still alive");
        delete receiver;
    }
    // Anything a second notification of the close would still emit.
    QCoreApplication::processEvents();
    return *pictures;
}

QByteArray describe(const QList<QPixmap>& pictures)
{
    return QByteArray::number(pictures.size()) + " pictures";
}

void verifyPlaceholder(const QPixmap& picture, int index)
{
    QVERIFY2(rgb(picture) == rgb(cV3JpegReceiver::defaultPixmaps().at(index)),
             qPrintable(QStringLiteral("not placeholder %1").arg(index)));
}

void verifyResult(const QList<QPixmap>& pictures, int expected)
{
    QVERIFY2(pictures.size() == 1, describe(pictures).constData());
    if (expected != kSentPicture) {
        verifyPlaceholder(pictures.first(), expected);
        return;
    }
    const QImage got = rgb(pictures.first());
    QCOMPARE(got.size(), sourcePicture().size());
    const double p = psnr(got, sourcePicture());
    QVERIFY2(p > 30, qPrintable(QStringLiteral("PSNR %1 dB").arg(p)));
}

// Collects the warnings a block of code prints.
struct WarningCatcher
{
    static QStringList& messages()
    {
        static QStringList list;
        return list;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtWarningMsg)
            messages() << text;
    }
    QtMessageHandler previous;
    WarningCatcher() : previous(qInstallMessageHandler(handler)) { messages().clear(); }
    ~WarningCatcher() { qInstallMessageHandler(previous); }
};

} // namespace

Q_DECLARE_METATYPE(ScriptedPeer::Script)

class tst_cV3JpegReceiver : public QObject
{
    Q_OBJECT

private slots:
    void placeholders_data();
    void placeholders();
    void answers_data();
    void answers();
    void silentPeer_data();
    void silentPeer();
    void portRule_data();
    void portRule();
    void unreachable_data();
    void unreachable();
    void deletedWhileConnected();
    void sizeBound_data();
    void sizeBound();
    void fromDevice_data();
    void fromDevice();
};

void tst_cV3JpegReceiver::placeholders_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("centre");
    // The middle of the picture is the gradient's centre, or the middle of
    // the cross, half-way along its gradient.
    QTest::newRow("no picture: dark red background") << 0 << QColor(128, 0, 0);
    QTest::newRow("code 5: red cross") << 1 << QColor(191, 0, 0);
    QTest::newRow("code 6: grey cross") << 2 << QColor(120, 120, 120);
}

void tst_cV3JpegReceiver::placeholders()
{
    QFETCH(int, index);
    QFETCH(QColor, centre);
    const QVector<QPixmap>& all = cV3JpegReceiver::defaultPixmaps();
    QCOMPARE(all.size(), 3);
    const QImage image = rgb(all.at(index));
    QCOMPARE(image.size(), QSize(176, 144));

    const QColor middle = image.pixelColor(88, 72);
    const int tolerance = 12;
    QVERIFY2(qAbs(middle.red() - centre.red()) <= tolerance &&
                 qAbs(middle.green() - centre.green()) <= tolerance &&
                 qAbs(middle.blue() - centre.blue()) <= tolerance,
             qPrintable(middle.name()));
    // Outside the gradient's radius and below the gloss: black.
    QCOMPARE(image.pixelColor(0, 143), QColor(Qt::black));
    // The gloss lightens the top corner, which the gradient leaves black.
    QVERIFY(qGray(image.pixel(0, 0)) > 40);
}

void tst_cV3JpegReceiver::answers_data()
{
    QTest::addColumn<ScriptedPeer::Script>("script");
    QTest::addColumn<int>("expected");

    const QByteArray jpeg = sourceJpeg();
    const auto answer = [](QList<QByteArray> chunks) {
        ScriptedPeer::Script s;
        s.answer = chunks;
        return s;
    };
    const auto login = [](QList<QByteArray> chunks) {
        ScriptedPeer::Script s;
        s.loginAnswer = chunks;
        s.takesCommand = false;
        return s;
    };
    ScriptedPeer::Script splitLogin = answer({framed(jpeg)});
    splitLogin.loginAnswer = {kAccepted.left(13), kAccepted.mid(13)};

    // Every row also shows one picture for one close: a remote close is
    // reported both as an error and as disconnected().
    QTest::newRow("picture") << answer({framed(jpeg)}) << kSentPicture;
    QTest::newRow("picture in three reads")
        << answer({framed(jpeg).left(7), framed(jpeg).mid(7, 100), framed(jpeg).mid(107)})
        << kSentPicture;
    QTest::newRow("login answer in two reads") << splitLogin << kSentPicture;
    QTest::newRow("bytes beyond the length go to the decoder")
        << answer({le32(10) + jpeg}) << kSentPicture;
    QTest::newRow("login answer with more bytes in the same read")
        << login({kAccepted + framed(jpeg)}) << 0;
    QTest::newRow("login refused") << login({kRefused}) << 0;
    QTest::newRow("no login answer") << login({}) << 0;
    QTest::newRow("close before the length") << answer({}) << 0;
    QTest::newRow("close inside the length") << answer({QByteArray("\x10\x00", 2)}) << 0;
    QTest::newRow("length 0") << answer({le32(0)}) << 0;
    QTest::newRow("fewer bytes than the length") << answer({le32(jpeg.size() + 1) + jpeg}) << 0;
    QTest::newRow("not a picture") << answer({framed("this is no JPEG")}) << 0;
    QTest::newRow("a picture of more scans than any encoder writes")
        << answer({framed(withLastScanRepeated(::jpeg(sourcePicture(), true), 1000))}) << 0;
    QTest::newRow("-5: red cross") << answer({framed("-5:no video signal")}) << 1;
    QTest::newRow("-5: alone") << answer({framed("-5:")}) << 1;
    QTest::newRow("-6: grey cross") << answer({framed("-6:camera off")}) << 2;
    QTest::newRow("-7: no picture") << answer({framed("-7:whatever")}) << 0;
    QTest::newRow("-5 without colon is tried as a picture") << answer({framed("-5")}) << 0;
    QTest::newRow("-5 and text without colon") << answer({framed("-5 no signal")}) << 0;
}

void tst_cV3JpegReceiver::answers()
{
    QFETCH(ScriptedPeer::Script, script);
    QFETCH(int, expected);
    ScriptedPeer peer(script);
    QVERIFY(peer.listen());
    QDomDocument doc;

    const QList<QPixmap> pictures = receive(snapshotTask(doc, peer.address()), &peer);

    verifyResult(pictures, expected);
    if (QTest::currentTestFailed())
        return;
    const QByteArray sent = loginBytes(kLogin, kPassword) +
                            (script.takesCommand ? kCommand.toUtf8() + "\r\n" : QByteArray());
    QCOMPARE(peer.received(), sent);
}

void tst_cV3JpegReceiver::silentPeer_data()
{
    QTest::addColumn<ScriptedPeer::Script>("script");

    ScriptedPeer::Script noLoginAnswer;
    noLoginAnswer.loginAnswer = {};
    noLoginAnswer.takesCommand = false;
    noLoginAnswer.close = false;
    ScriptedPeer::Script noAnswer;
    noAnswer.close = false;
    ScriptedPeer::Script halfPicture = noAnswer;
    halfPicture.answer = {framed(sourceJpeg()).left(200)};
    // The whole picture, but the connection that should end it stays open.
    ScriptedPeer::Script neverCloses = noAnswer;
    neverCloses.answer = {framed(sourceJpeg())};

    QTest::newRow("login never answered") << noLoginAnswer;
    QTest::newRow("command never answered") << noAnswer;
    QTest::newRow("half a picture, then silence") << halfPicture;
    QTest::newRow("picture complete, connection left open") << neverCloses;
}

// A device that keeps the connection open and stops talking must not keep
// the receiver: past its time limit it gives the no-picture placeholder.
void tst_cV3JpegReceiver::silentPeer()
{
    QFETCH(ScriptedPeer::Script, script);
    ScriptedPeer peer(script);
    QVERIFY(peer.listen());
    QDomDocument doc;

    const QList<QPixmap> pictures = receive(snapshotTask(doc, peer.address()), &peer, 200);

    verifyResult(pictures, 0);
    QCOMPARE(peer.connections(), 1);
}

void tst_cV3JpegReceiver::portRule_data()
{
    QTest::addColumn<QString>("portPart");
    QTest::addColumn<quint16>("listenPort");
    QTest::addColumn<bool>("reached");
    QTest::newRow("no colon: 5049") << QString() << quint16(5049) << true;
    QTest::newRow("40000") << ":40000" << quint16(40000) << true;
    QTest::newRow("trailing colon: 0, not 5049") << ":" << quint16(5049) << false;
    QTest::newRow("not a number: 0, not 5049") << ":http" << quint16(5049) << false;
    QTest::newRow("beyond 16 bits: 0, not 5049") << ":70585" << quint16(5049) << false;
}

void tst_cV3JpegReceiver::portRule()
{
    QFETCH(QString, portPart);
    QFETCH(quint16, listenPort);
    QFETCH(bool, reached);
    ScriptedPeer::Script script;
    script.answer = {framed(sourceJpeg())};
    ScriptedPeer peer(script);
    if (!peer.listen(QHostAddress(QLatin1String(kPortRuleHost)), listenPort))
        QSKIP("the port is taken on this machine");
    QDomDocument doc;

    const QList<QPixmap> pictures =
        receive(snapshotTask(doc, QLatin1String(kPortRuleHost) + portPart), &peer);

    QCOMPARE(peer.connections(), reached ? 1 : 0);
    verifyResult(pictures, reached ? kSentPicture : 0);
}

void tst_cV3JpegReceiver::unreachable_data()
{
    QTest::addColumn<QString>("address");
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    QTest::newRow("connection refused") << refused;
    QTest::newRow("empty address") << QString();
}

void tst_cV3JpegReceiver::unreachable()
{
    QFETCH(QString, address);
    QDomDocument doc;
    verifyResult(receive(snapshotTask(doc, address)), 0);
}

void tst_cV3JpegReceiver::deletedWhileConnected()
{
    ScriptedPeer::Script silent;
    silent.loginAnswer = {};
    silent.takesCommand = false;
    silent.close = false;
    ScriptedPeer peer(silent);
    QVERIFY(peer.listen());
    QDomDocument doc;
    QDomElement task = snapshotTask(doc, peer.address());
    int pictures = 0;
    auto* receiver = new cV3JpegReceiver(task);
    connect(receiver, &cV3JpegReceiver::pixmapReady, this, [&] { ++pictures; });
    QTRY_COMPARE(peer.received(), loginBytes(kLogin, kPassword));

    // Whoever owns it may delete it before the device answers.
    delete receiver;
    QCoreApplication::processEvents();
    QCOMPARE(pictures, 0);
}

void tst_cV3JpegReceiver::sizeBound_data()
{
    QTest::addColumn<ScriptedPeer::Script>("script");
    QTest::addColumn<int>("expected");
    const QByteArray jpeg = sourceJpeg();
    const qint64 bound = cV3JpegReceiver::kMaxPicture;

    // A picture padded to the bound is still taken whole.
    ScriptedPeer::Script atBound;
    atBound.answer = {le32(quint32(bound)) + jpeg};
    atBound.zeros = bound - jpeg.size();
    // One byte more, and a peer that never closes: only the bound ends it.
    ScriptedPeer::Script beyond = atBound;
    beyond.answer = {le32(quint32(bound + 1)) + jpeg};
    beyond.zeros = bound + 1 - jpeg.size();
    beyond.close = false;
    // The same from a peer that announces more than it has.
    ScriptedPeer::Script endless = beyond;
    endless.answer = {le32(0xffffffff)};
    endless.zeros = 2 * bound;

    QTest::newRow("64 MiB taken") << atBound << kSentPicture;
    QTest::newRow("one byte more dropped") << beyond << 0;
    QTest::newRow("4 GiB announced, more sent than the bound") << endless << 0;
}

void tst_cV3JpegReceiver::sizeBound()
{
    QFETCH(ScriptedPeer::Script, script);
    QFETCH(int, expected);
    ScriptedPeer peer(script);
    QVERIFY(peer.listen());
    QDomDocument doc;
    WarningCatcher warnings;

    const QList<QPixmap> pictures = receive(snapshotTask(doc, peer.address()), &peer);

    verifyResult(pictures, expected);
    if (QTest::currentTestFailed())
        return;
    // The receiver stopped reading at the bound, not at the peer's end.
    QVERIFY(peer.sent() < cV3JpegReceiver::kMaxPicture + 4 + 16 * kMiB);
    const QStringList& messages = WarningCatcher::messages();
    QCOMPARE(messages.size(), expected == kSentPicture ? 0 : 1);
    for (const QString& m : messages) {
        QVERIFY2(m.contains(QLatin1String("64 MiB")) && m.contains(peer.address()), qPrintable(m));
        QVERIFY2(!m.contains(kPassword), qPrintable(m));
    }
}

void tst_cV3JpegReceiver::fromDevice_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("rightPassword");
    QTest::addColumn<int>("expected");
    QTest::newRow("picture") << "none" << true << kSentPicture;
    QTest::newRow("error 5") << "snapshot-error:5" << true << 1;
    QTest::newRow("error 6") << "snapshot-error:6" << true << 2;
    QTest::newRow("error 7") << "snapshot-error:7" << true << 0;
    QTest::newRow("close before the length") << "snapshot-close" << true << 0;
    QTest::newRow("wrong password") << "none" << false << 0;
}

void tst_cV3JpegReceiver::fromDevice()
{
    QFETCH(QString, fault);
    QFETCH(bool, rightPassword);
    QFETCH(int, expected);
    DeviceFixture f;
    QVERIFY(DeviceFaults::parse(fault, f.sim.faults()));
    const QString password = rightPassword ? f.sim.passwordDigest() : QStringLiteral("wrong");
    QDomDocument doc;
    const QString address =
        QStringLiteral("%1:%2").arg(f.sim.hostAddress().toString()).arg(f.sim.port());

    const QDateTime before = QDateTime::currentDateTime();
    const QList<QPixmap> pictures = receive(snapshotTask(doc, address, f.sim.login(), password));
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(f.sim.log().logins().size(), 1);
    QCOMPARE(f.sim.log().logins().first().password, password.toUtf8());
    QCOMPARE(f.sim.log().logins().first().accepted, rightPassword);
    QCOMPARE(f.sim.log().requests().size(), rightPassword ? 1 : 0);
    if (rightPassword)
        QCOMPARE(f.sim.log().requests().first().line, kCommand.toUtf8() + "\r\n");
    QVERIFY2(pictures.size() == 1, describe(pictures).constData());
    if (expected != kSentPicture) {
        verifyPlaceholder(pictures.first(), expected);
        return;
    }
    // The device draws the time to the second: one of the seconds of the
    // exchange is the picture it sent.
    const QImage got = rgb(pictures.first());
    const QSize size(SnapshotService::kDefaultWidth, SnapshotService::kDefaultHeight);
    QCOMPARE(got.size(), size);
    double best = 0;
    for (QDateTime t = before.addMSecs(-before.time().msec()); t <= after; t = t.addSecs(1))
        best = qMax(best, psnr(got, SnapshotPicture::draw(size, t.time())));
    QVERIFY2(best > 30, qPrintable(QStringLiteral("PSNR %1 dB").arg(best)));
}

QTEST_MAIN(tst_cV3JpegReceiver)
#include "tst_cv3jpegreceiver.moc"
