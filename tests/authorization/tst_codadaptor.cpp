#include "authorization/codadaptor.h"
#include "fakeinformer.h"
#include "host/pxsettings.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

using Device = FakeInformer::Device;

namespace {

// Two polls at 2 s plus slack.
const int kTwoPollsMs = 7000;

QByteArray header(quint32 n)
{
    QByteArray h(4, '\0');
    qToLittleEndian(n, h.data());
    return h;
}

// Waits until the informer has answered `n` more polls; each answer has been
// parsed once the next poll connects.
bool waitServed(FakeInformer& informer, int n)
{
    const int target = informer.served + n;
    QElapsedTimer t;
    t.start();
    while (informer.served < target && t.elapsed() < kTwoPollsMs + 2000 * n)
        QTest::qWait(20);
    return informer.served >= target;
}

} // namespace

class tst_cODAdaptor : public QObject
{
    Q_OBJECT

    const QList<Device> kGood = {{"127.0.0.9", "front door", "type:velk-r,ver:2"}};

private slots:
    void discardsMalformedAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        const QByteArray rec = FakeInformer::record({"127.0.0.5", "other", ""});
        QTest::newRow("4 bytes announcing nothing") << header(0);
        QTest::newRow("length not a multiple of a record") << header(100) + QByteArray(100, 'x');
        QTest::newRow("length disagrees with bytes sent") << header(2892) + rec + rec;
        QTest::newRow("record cut short") << header(2892) + rec.left(2000);
        QTest::newRow("more records than we hold") << header(4097u * 2892u) + rec;
        QTest::newRow("nothing at all") << QByteArray();
    }

    // A bad answer leaves the last good table and emits nothing.
    void discardsMalformedAnswers()
    {
        QFETCH(QByteArray, answer);
        FakeInformer informer;
        QVERIFY(informer.start());
        informer.answer = FakeInformer::table(kGood);
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, kTwoPollsMs);
        QCOMPARE(adaptor.lookupName("127.0.0.9"), QString("front door"));

        informer.answer = answer;
        QVERIFY(waitServed(informer, 2));
        QCOMPARE(updates.count(), 1);
        QCOMPARE(adaptor.lookupName("127.0.0.9"), QString("front door"));
    }

    // Only a change in a compared field is an update.
    void updatesOnlyOnChange()
    {
        FakeInformer informer;
        QVERIFY(informer.start());
        QList<Device> devices = kGood;
        informer.answer = FakeInformer::table(devices);
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, kTwoPollsMs);
        QVERIFY(waitServed(informer, 2));
        QCOMPARE(updates.count(), 1);

        devices[0].spare = 7;
        informer.answer = FakeInformer::table(devices);
        QVERIFY(waitServed(informer, 2));
        QCOMPARE(updates.count(), 1);

        devices[0].picture = 3;
        informer.answer = FakeInformer::table(devices);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 2, kTwoPollsMs);

        devices[0].name = "renamed";
        informer.answer = FakeInformer::table(devices);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 3, kTwoPollsMs);
        QCOMPARE(adaptor.lookupName("127.0.0.9"), QString("renamed"));
    }

    void lookups()
    {
        FakeInformer informer;
        QVERIFY(informer.start());
        informer.answer = FakeInformer::table({{"127.0.0.9", "front door", "type:velk-r,ver:2"},
                                               {"127.0.0.9", "second", ""},
                                               {"127.0.0.10", "yard", ""}});
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, kTwoPollsMs);

        QCOMPARE(adaptor.lookupName("127.0.0.9"), QString("front door"));
        QCOMPARE(adaptor.lookupName("127.0.0.1"), QString());
        QCOMPARE(adaptor.lookupIP("yard"), QString("127.0.0.10"));
        QCOMPARE(adaptor.lookupIP("nobody"), QString());
        cODAdaptor::host h;
        QVERIFY(adaptor.enumHosts(2, h));
        QCOMPARE(QByteArray(h.address), QByteArray("127.0.0.10"));
        QVERIFY(!adaptor.enumHosts(3, h));
        QVERIFY(!adaptor.enumHosts(-1, h));
    }

    // The informer cuts a long name to its field wherever the bytes fall; the
    // name we show ends on a whole character and says that it was cut.
    void longNameCutAtACharacter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("cyrillic cut inside a letter")
            << QString::fromUtf8("Камера у северных ворот склада")
            << QString::fromUtf8("Камера у северны…");
        QTest::newRow("latin cut between letters")
            << QString("Loading dock camera number twelve")
            << QString::fromUtf8("Loading dock camera number twel…");
        QTest::newRow("cyrillic that fits")
            << QString::fromUtf8("Северные ворота") << QString::fromUtf8("Северные ворота");
    }

    void longNameCutAtACharacter()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        FakeInformer informer;
        QVERIFY(informer.start());
        informer.answer = FakeInformer::table({{"127.0.0.9", name.toUtf8(), ""}});
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, kTwoPollsMs);
        QCOMPARE(adaptor.lookupName("127.0.0.9"), shown);
        QCOMPARE(adaptor.lookupIP(shown), QString("127.0.0.9"));
    }

    void announcesAddress()
    {
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 5049));
        FakeInformer informer; // keeps the adaptor from starting anything
        QVERIFY(informer.start());
        cODAdaptor adaptor;
        const QString longAddress(600, 'a');
        adaptor.appendHostByAddress("127.0.0.9");
        adaptor.appendHostByAddress(longAddress);

        QList<QByteArray> got;
        while (got.size() < 2) {
            QTRY_VERIFY(listener.hasPendingDatagrams());
            got << listener.receiveDatagram().data();
        }
        for (const QByteArray& d : got) {
            QCOMPARE(d.size(), 520);
            QCOMPARE(qFromLittleEndian<quint32>(d.constData()), 0xC0FE00EFu);
            QCOMPARE(qFromLittleEndian<quint32>(d.constData() + 4), 1u);
            QCOMPARE(d.at(519), '\0');
        }
        QCOMPARE(QByteArray(got.at(0).constData() + 8), QByteArray("127.0.0.9"));
        QCOMPARE(QByteArray(got.at(1).constData() + 8), longAddress.left(511).toLatin1());
    }

    // Nobody listens: the informer beside the program is started.
    void startsInformerWhenRefused()
    {
        QTemporaryDir app;
        QVERIFY(QFile::copy(ADAPTOR_PROBE, app.filePath("probe")));
        QFile script(app.filePath("setupvelk-informer"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
        script.close();
        const auto exec = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QVERIFY(script.setPermissions(exec));
        QVERIFY(QFile::setPermissions(app.filePath("probe"), exec));

        QProcess probe;
        probe.start(app.filePath("probe"), {});
        QVERIFY(probe.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(app.filePath("started")), 8000);
        probe.kill();
        probe.waitForFinished();
    }

    // The stand-in program serves its command-line devices and learns
    // announced addresses.
    void againstInformerProgram()
    {
        QProcess program;
        program.start(INFORMER_PROGRAM,
                      {"--device", "127.0.0.9,front door,type:velk-r,ver:2", "--idle-exit", "20"});
        QVERIFY(program.waitForStarted());
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, kTwoPollsMs);
        QCOMPARE(adaptor.lookupName("127.0.0.9"), QString("front door"));
        cODAdaptor::host h;
        QVERIFY(adaptor.enumHosts(0, h));
        QCOMPARE(QByteArray(h.platform), QByteArray("type:velk-r,ver:2"));

        adaptor.appendHostByAddress("127.0.0.7");
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 2, kTwoPollsMs);
        QVERIFY(adaptor.enumHosts(1, h));
        QCOMPARE(QByteArray(h.address), QByteArray("127.0.0.7"));
        QCOMPARE(QByteArray(h.name), QByteArray());
        program.kill();
        program.waitForFinished();
    }

    void platformTables_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("mergedId");
        QTest::addColumn<int>("cams");
        QTest::newRow("base model") << "type:velk-r,ver:2" << 1 << 1 << 8;
        QTest::newRow("variant merges to base") << "type:velk-r,ver:2:lite" << 2 << 1 << 4;
        QTest::newRow("no fixed channel count")
            << "type:velk-s,ver:2" << 6 << 6 << PXSettings::defaultVideoChannelCount();
        QTest::newRow("unknown") << "type:other,ver:1" << 5 << 5
                                 << PXSettings::defaultVideoChannelCount();
    }

    void platformTables()
    {
        QFETCH(QString, platform);
        QFETCH(int, id);
        QFETCH(int, mergedId);
        QFETCH(int, cams);
        QCOMPARE(cODAdaptor::platformId(platform, false), id);
        QCOMPARE(cODAdaptor::platformId(platform, true), mergedId);
        QCOMPARE(cODAdaptor::camCount(platform), cams);
        QVERIFY(!cODAdaptor::platformName(platform, false).isEmpty());
        QCOMPARE(cODAdaptor::platformName("type:velk-r,ver:2:lite", true),
                 cODAdaptor::platformName("type:velk-r,ver:2", false));
        QCOMPARE(cODAdaptor::platformName("type:other,ver:1", false),
                 cODAdaptor::platformName("type:velk-s,ver:1", false));
    }
};

QTEST_GUILESS_MAIN(tst_cODAdaptor)
#include "tst_codadaptor.moc"
