#include "video/crsn3demuxer.h"

#include <QtTest>

namespace {

// Accepts every call of the target protocol and logs it.
class Target : public QObject
{
    Q_OBJECT
public:
    Target(const QString& name, QStringList* log) : m_name(name), m_log(log) {}

    Q_INVOKABLE void create(const QString& arg) { *m_log << m_name + " create(" + arg + ")"; }
    Q_INVOKABLE void create() { *m_log << m_name + " create()"; }
    Q_INVOKABLE void append(const QByteArray& bytes)
    {
        *m_log << m_name + " append(" + QString::fromLatin1(bytes).replace(QChar(0), "\\0") + ")";
    }
    Q_INVOKABLE void append(quint64 t) { *m_log << m_name + " time(" + QString::number(t) + ")"; }

private:
    QString m_name;
    QStringList* m_log;
};

STREAM_T stream(quint8 id, quint8 type, const QByteArray& format, const QByteArray& title = "",
                const QByteArray& charset = "")
{
    STREAM_T s;
    s.id = id;
    s.type = type;
    s.format = format + '\0';
    s.title = title + '\0';
    s.charset = charset + '\0';
    return s;
}

HDR_T header(const QVector<STREAM_T>& streams, const QByteArray& charset = "",
             const QByteArray& zone = "")
{
    HDR_T h;
    h.name = QByteArray("source\0", 7);
    h.streams = streams;
    for (int i = 0; i < 9; ++i)
        h.info << QByteArray();
    h.info[1] = charset + '\0';
    h.info[2] = zone + '\0';
    return h;
}

DATA_T block(quint8 id, quint8 type, quint16 msec, const QByteArray& payload)
{
    DATA_T d;
    d.streamId = id;
    d.stream.id = id;
    d.stream.type = type;
    d.msec = msec;
    d.payload = payload;
    return d;
}

struct Bench
{
    QStringList log;
    cRsn3Demuxer demuxer;
    std::vector<std::unique_ptr<Target>> owned;

    Bench()
    {
        QObject::connect(&demuxer, &cRsn3Demuxer::onCreate, [this] { log << "onCreate"; });
        QObject::connect(&demuxer, &cRsn3Demuxer::timer,
                         [this](quint64 t) { log << "timer " + QString::number(t); });
    }
    void add(unsigned int key)
    {
        owned.push_back(std::make_unique<Target>(QString::number(key), &log));
        demuxer.targets[key] = owned.back().get();
    }
};

} // namespace

class tst_cRsn3Demuxer : public QObject
{
    Q_OBJECT

private slots:
    void videoCodecName_data();
    void videoCodecName();
    void headerAnnouncesEveryTarget();
    void routesBlocksAndTimes();
    void createForgetsTargets();
};

void tst_cRsn3Demuxer::videoCodecName_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("codec");
    QTest::newRow("H264") << QByteArray("H264") << "h264";
    QTest::newRow("mp4v") << QByteArray("mp4v") << "mpeg4";
    QTest::newRow("mjpeg") << QByteArray("mjpeg") << "mjpeg";
    QTest::newRow("lower-case h264 is unknown") << QByteArray("h264") << "mpeg4";
    QTest::newRow("empty format") << QByteArray() << "mpeg4";
}

void tst_cRsn3Demuxer::videoCodecName()
{
    QFETCH(QByteArray, format);
    QFETCH(QString, codec);
    Bench b;
    b.add(0);
    b.demuxer.hdr_slot(header({stream(0, 1, format)}));
    QCOMPARE(b.log, QStringList({"onCreate", "0 create(" + codec + ")"}));
}

void tst_cRsn3Demuxer::headerAnnouncesEveryTarget()
{
    Bench b;
    for (unsigned int key : {0u, 1u, 2u, 3u, 998u, 999u, 1000u, 1002u, 1003u})
        b.add(key);
    b.demuxer.hdr_slot(header({stream(0, 1, "H264", "cam"), stream(1, 2, "pcm", "mic"),
                               stream(2, 4, "txt", "subs", "-koi8"), stream(3, 8, "x", "other"),
                               stream(4, 0, "y", "none")},
                              "-koi8", "UTC-3"));
    const QStringList expected = {"onCreate",
                                  "0 create(h264)",
                                  "1 create()",
                                  "2 create(KOI-8)",
                                  "998 create(KOI-8)",
                                  "998 append(source\\0)",
                                  "999 create(UTC-3)",
                                  "1000 create(KOI-8)",
                                  "1000 append(cam\\0)",
                                  "1002 create(KOI-8)",
                                  "1002 append(subs\\0)",
                                  "1003 create(KOI-8)",
                                  "1003 append(other\\0)"};
    QCOMPARE(b.log, expected);

    // Without a charset in the header the texts default to UTF-8.
    b.log.clear();
    b.demuxer.hdr_slot(header({stream(2, 4, "txt", "t", "-latin")}));
    QCOMPARE(b.log.mid(0, 3), QStringList({"onCreate", "2 create(UTF-8)", "998 create(UTF-8)"}));
}

void tst_cRsn3Demuxer::routesBlocksAndTimes()
{
    Bench b;
    b.add(0);
    b.add(1);
    b.add(999);
    // Stream 4 is listed but nobody registered it: its key exists, empty.
    b.demuxer.hdr_slot(header({stream(0, 1, "mp4v"), stream(1, 2, "pcm"), stream(4, 1, "mp4v")}));
    b.log.clear();

    IDX_T idx;
    idx.seconds = 12;
    b.demuxer.idx_slot(idx);
    b.demuxer.data_slot(block(0, 1, 250, "frame"));
    b.demuxer.data_slot(block(1, 2, 0, "sound"));
    b.demuxer.data_slot(block(5, 1, 300, "unlisted"));
    b.demuxer.data_slot(block(4, 1, 400, "unregistered"));
    idx.seconds = 5000000; // past 32 bits in milliseconds
    b.demuxer.idx_slot(idx);

    const QStringList expected = {"timer 12000",         "999 time(12000)", "timer 12250",
                                  "999 time(12250)",     "0 append(frame)", "1 append(sound)",
                                  "timer 12400",         "999 time(12400)", "timer 5000000000",
                                  "999 time(5000000000)"};
    QCOMPARE(b.log, expected);
}

void tst_cRsn3Demuxer::createForgetsTargets()
{
    Bench b;
    b.add(0);
    b.demuxer.create();
    QVERIFY(b.demuxer.targets.isEmpty());
    b.demuxer.hdr_slot(header({stream(0, 1, "H264")}));
    b.demuxer.data_slot(block(0, 1, 0, "x"));
    QCOMPARE(b.log, QStringList({"onCreate", "timer 0"}));
}

QTEST_GUILESS_MAIN(tst_cRsn3Demuxer)
#include "tst_crsn3demuxer.moc"
