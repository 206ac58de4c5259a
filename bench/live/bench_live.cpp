// Live pictures from the device emulator on loopback.
//
// live_path: the stream receiver's whole path (socket, parser, demuxer,
// decoder, pixmap of each shown picture) in processor milliseconds per
// decoded picture, beside a plain live reader in a run of its own: a socket
// fed straight into the same parser, demuxer and decoder, paced by the same
// emulator, stalled the same way and making a pixmap of the same pictures.
// Halfway the GUI thread stalls for a second, as a busy dialog would, so
// that a backlog of pictures arrives at once; the longest single event-loop
// pass spent in the receiver (its readyRead or the continuation that drains
// a backlog) is printed beside it.
//
// live_snapshot: the snapshot receiver's round trip (connection, login,
// command, picture, JPEG decoding) beside a plain socket fetching the same
// bytes, in wall milliseconds per snapshot (the emulator draws and encodes
// each picture, so wall time is what a user waits).
#include "rsn3writer/ctestvideoencoder.h"
#include "video/cffmpegdecoder.h"
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"
#include "video/cv3jpegreceiver.h"
#include "video/videorsn3reciver.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCryptographicHash>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int kFrames = 200;    // decoded pictures measured per codec
constexpr int kStallAfter = 50; // the GUI thread stalls after this many
constexpr int kStallMs = 1000;
constexpr int kSnapshots = 40;
constexpr int kTimeoutMs = 60000;

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The emulator program on a free loopback port.
class Emulator
{
public:
    explicit Emulator(const QString& codec)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(VELK_DEVICE_SIM),
                        {"--listen", "127.0.0.1:0", "--stream-codec", codec});
        if (!m_process.waitForReadyRead(kTimeoutMs))
            qFatal("the emulator did not start");
        const QByteArray line = m_process.readLine().trimmed();
        m_address = QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1));
        // Its log is not read; it must not fill a pipe.
        m_process.setReadChannel(QProcess::StandardOutput);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_process.readAllStandardOutput(); });
    }
    ~Emulator()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QString address() const { return m_address; }
    QString host() const { return m_address.section(QLatin1Char(':'), 0, 0); }
    quint16 port() const { return m_address.section(QLatin1Char(':'), 1).toUShort(); }

private:
    QProcess m_process;
    QString m_address;
};

QString digest(const char* password)
{
    return QString::fromLatin1(QCryptographicHash::hash(password, QCryptographicHash::Md5).toHex());
}

QByteArray loginBytes(char service)
{
    return QByteArray(1, service) + "LOGIN=admin\r\nPASS=" + digest("admin").toLatin1() + "\r\n";
}

QDomElement task(QDomDocument& doc, const QString& address)
{
    doc.setContent(QStringLiteral("<timetask><url login=\"admin\"/><command>GET SNAPSHOT "
                                  "1</command></timetask>"));
    QDomElement url = doc.documentElement().firstChildElement(QStringLiteral("url"));
    url.setAttribute(QStringLiteral("parsed"), address);
    url.setAttribute(QStringLiteral("password"), digest("admin"));
    return doc.documentElement();
}

// Runs the event loop until `done`, checking it whenever `progress` is
// emitted; no polling, so the processor time measured is the receivers'.
template <typename Sender, typename Signal>
bool waitFor(const std::function<bool()>& done, Sender* sender, Signal progress)
{
    QEventLoop loop;
    QObject::connect(sender, progress, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// Processor ms of this thread: unlike wall time, not stretched when the
// shared machine runs something else meanwhile.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Times every event the application delivers: the longest delivery in
// which the stream receiver decoded a picture is its longest stay in
// readyRead or in the continuation that drains a backlog.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --m_depth;
            return r;
        }
        const double start = threadCpuMs();
        const bool r = QApplication::notify(receiver, event);
        --m_depth;
        if (busy && !excluded)
            longestMs = std::max(longestMs, threadCpuMs() - start);
        busy = false;
        excluded = false;
        return r;
    }

    bool busy = false;     // a picture was decoded in this delivery
    bool excluded = false; // this delivery holds the deliberate stall
    double longestMs = 0;

private:
    int m_depth = 0;
};

TimedApplication* timedApp()
{
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

// Processor time per decoded picture of one live run: counted from the
// first picture over the next kFrames, without the deliberate stall, which
// begins after kStallAfter pictures.
class FrameMeter
{
public:
    explicit FrameMeter(cFfmpegDecoder* decoder) : m_decoder(decoder)
    {
        QObject::connect(decoder, &cFfmpegDecoder::onFrame, [this] { picture(); });
    }

    void run()
    {
        if (!waitFor([this] { return m_decoded >= kFrames + 1; }, m_decoder,
                     &cFfmpegDecoder::onFrame))
            qFatal("only %d pictures decoded", m_decoded);
        m_cpu = cpuMs() - m_cpuStart - m_stallCpu;
        m_seconds = m_wall.nsecsElapsed() / 1e9;
    }

    double cpuPerFrameMs() const { return m_cpu / kFrames; }
    double seconds() const { return m_seconds; }

private:
    void picture()
    {
        timedApp()->busy = true;
        if (++m_decoded == 1) {
            m_cpuStart = cpuMs();
            m_wall.start();
        }
        if (m_decoded == kStallAfter)
            QTimer::singleShot(0, [this] { stall(); });
    }

    // A busy dialog: the stream piles up in the socket meanwhile.
    void stall()
    {
        timedApp()->excluded = true;
        const double before = cpuMs();
        QElapsedTimer stall;
        stall.start();
        while (stall.elapsed() < kStallMs) {
        }
        m_stallCpu = cpuMs() - before;
    }

    cFfmpegDecoder* m_decoder;
    int m_decoded = 0;
    double m_cpuStart = 0;
    double m_stallCpu = 0;
    double m_cpu = 0;
    double m_seconds = 0;
    QElapsedTimer m_wall;
};

struct LiveResult
{
    double cpuPerFrameMs = 0;
    double deliveredFps = 0;
    double longestPassMs = 0;
};

LiveResult runReceiver(const Emulator& emulator)
{
    QDomDocument doc;
    QDomElement t = task(doc, emulator.address());
    VideoRSN3Reciver* receiver = VideoRSN3Reciver::getReciver(nullptr, t);
    timedApp()->longestMs = 0;
    int delivered = 0;
    QObject::connect(receiver, &VideoRSN3Reciver::pixmapReady, [&] { ++delivered; });
    FrameMeter meter(receiver->getDecoder());
    meter.run();
    VideoRSN3Reciver::removeReciver();
    return {meter.cpuPerFrameMs(), delivered / meter.seconds(), timedApp()->longestMs};
}

// The least a live viewer does: read the socket as it fills, decode, and
// give each shown picture (the receiver shows four of every eight) a pixmap
// of its own, since the decoder reuses its buffer for the next one.
double runPlainReader(const Emulator& emulator)
{
    QTcpSocket socket;
    cRsn3Parser parser;
    cRsn3Demuxer demuxer;
    cFfmpegDecoder decoder;
    demuxer.targets[0] = &decoder;
    QObject::connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
    QObject::connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
    QObject::connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);
    quint32 count = 0;
    qint64 shown = 0;
    QObject::connect(&decoder, &cFfmpegDecoder::onFrame, [&](const QImage& image) {
        if (++count & 4)
            shown += QPixmap::fromImage(image.copy()).width();
    });
    int skip = 27; // the login answer
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        QByteArray bytes = socket.readAll();
        const int drop = std::min(skip, int(bytes.size()));
        skip -= drop;
        if (drop < bytes.size())
            parser.append(drop ? bytes.mid(drop) : bytes);
    });
    socket.connectToHost(emulator.host(), emulator.port());
    if (!socket.waitForConnected(kTimeoutMs))
        qFatal("cannot connect to the emulator");
    socket.write(loginBytes(0x01));
    FrameMeter meter(&decoder);
    meter.run();
    socket.abort();
    return shown > 0 ? meter.cpuPerFrameMs() : -1;
}

void benchLive(const QString& codec)
{
    const Emulator emulator(codec);
    const LiveResult live = runReceiver(emulator);
    const double reference = runPlainReader(emulator);
    std::printf("live_path_%s: %.1f pictures/s shown, %.2f ms per shown picture, longest stay "
                "in the receiver %.1f ms\n",
                qPrintable(codec), live.deliveredFps, 2 * live.cpuPerFrameMs, live.longestPassMs);
    std::printf("bench live_path: ours=%.3fms reference=%.3fms ratio=%.3f (%s)\n",
                live.cpuPerFrameMs, reference, live.cpuPerFrameMs / reference, qPrintable(codec));
}

// Wall milliseconds of one snapshot through the receiver.
double snapshotByReceiver(const QString& address)
{
    QDomDocument doc;
    QDomElement t = task(doc, address);
    QElapsedTimer wall;
    wall.start();
    QPointer<cV3JpegReceiver> receiver = new cV3JpegReceiver(t);
    QSize size;
    QObject::connect(receiver, &cV3JpegReceiver::pixmapReady,
                     [&](const QPixmap& p) { size = p.size(); });
    if (!waitFor([&] { return receiver.isNull(); }, receiver.data(), &QObject::destroyed) ||
        size.width() < 700)
        qFatal("no snapshot");
    return wall.nsecsElapsed() / 1e6;
}

// Wall milliseconds of the same exchange over a plain socket, bytes only.
double snapshotByPlainSocket(const Emulator& emulator)
{
    QElapsedTimer wall;
    wall.start();
    QTcpSocket s;
    QByteArray bytes;
    bool closed = false;
    bool sentCommand = false;
    QObject::connect(&s, &QTcpSocket::connected, [&] { s.write(loginBytes(0x06)); });
    QObject::connect(&s, &QTcpSocket::readyRead, [&] {
        bytes += s.readAll();
        if (!sentCommand && bytes.size() >= 27) {
            sentCommand = true;
            bytes.remove(0, 27);
            s.write("GET SNAPSHOT 1\r\n");
        }
    });
    QObject::connect(&s, &QTcpSocket::disconnected, [&] { closed = true; });
    s.connectToHost(emulator.host(), emulator.port());
    if (!waitFor([&] { return closed; }, &s, &QTcpSocket::disconnected) || bytes.size() < 1000)
        qFatal("no snapshot bytes");
    return wall.nsecsElapsed() / 1e6;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

void benchSnapshot()
{
    const Emulator emulator(QStringLiteral("mpeg4"));
    QVector<double> ours, reference;
    for (int i = 0; i < kSnapshots; ++i) {
        ours << snapshotByReceiver(emulator.address());
        reference << snapshotByPlainSocket(emulator);
    }
    const double o = median(ours);
    const double r = median(reference);
    std::printf("bench live_snapshot: ours=%.2fms reference=%.2fms ratio=%.3f\n", o, r, o / r);
}

} // namespace

int main(int argc, char** argv)
{
    TimedApplication app(argc, argv);
    cTestVideoEncoder::silenceCodecLogs();
    for (const char* codec : {"mpeg4", "h264"}) {
        if (cTestVideoEncoder::available(QLatin1String(codec)))
            benchLive(QLatin1String(codec));
    }
    benchSnapshot();
    return 0;
}
