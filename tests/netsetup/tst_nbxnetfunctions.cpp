#include "devicefixture.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

// A loaded link to the test device, with the log emptied.
struct LoadedDevice : DeviceFixture
{
    NBXNetSetup setup;
    LoadedDevice() : setup(sim.linkAddress())
    {
        if (!runExchange(setup, [this] { setup.load(); }))
            qFatal("the test device did not load");
        sim.log().clear();
    }
};

} // namespace

class tst_NBXNetFunctions : public QObject
{
    Q_OBJECT

private slots:
    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void reportBecomesTmp();
    void installFileThatCannotBeRead();
    void currentTimeInTheDeviceZone_data();
    void currentTimeInTheDeviceZone();
    void adjustmentsBatched_data();
    void adjustmentsBatched();
    void adjustmentFollowsWhatTheDeviceShows();
    void revertPutsBackWhatTheDeviceShows_data();
    void revertPutsBackWhatTheDeviceShows();
    void secondExchangeIsRefusedWhileOneRuns();
    void localOnlyFunctions();
};

void tst_NBXNetFunctions::requestsOnTheWire_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("clear_email_usb")
        << "clear_email_usb" << QByteArray("DO CLEAR EMAILS\r\nLENGTH=11\r\nDISC='USB'\n");
    QTest::newRow("clear_email_disk")
        << "clear_email_disk" << QByteArray("DO CLEAR EMAILS\r\nLENGTH=13\r\nDISC='DISC1'\n");
    QTest::newRow("clear_email_disk1")
        << "clear_email_disk1" << QByteArray("DO CLEAR EMAILS\r\nLENGTH=13\r\nDISC='DISC2'\n");
    QTest::newRow("get_report") << "get_report" << QByteArray("GET REPORT\r\n");
    QTest::newRow("soft_istall_packet")
        << "soft_istall_packet" << QByteArray("INSTALL DEB\r\nLENGTH=5\r\n\x01\x02\r\n\x00", 28);
    QTest::newRow("remove_package")
        << "remove_package"
        << QByteArray("PUT SOFT CONFIG\r\nLENGTH=22\r\nPACKAGE_DELETE=velk-x\n");
    QTest::newRow("soft_reboot") << "soft_reboot" << QByteArray("DO REBOOT\r\n");
    QTest::newRow("soft_reset") << "soft_reset" << QByteArray("RESET SETTINGS\r\n");
    QTest::newRow("format_usb") << "format_usb"
                                << QByteArray("DO FORMAT\r\nLENGTH=11\r\nDISC='USB'\n");
    QTest::newRow("format_disk") << "format_disk" << QByteArray("DO FORMAT\r\n");
    QTest::newRow("format_hdd") << "format_hdd"
                                << QByteArray("DO FORMAT\r\nLENGTH=11\r\nDISC='HDD'\n");
    QTest::newRow("format_disk1") << "format_disk1"
                                  << QByteArray("DO FORMAT\r\nLENGTH=13\r\nDISC='DISC1'\n");
    QTest::newRow("format_disk2") << "format_disk2"
                                  << QByteArray("DO FORMAT\r\nLENGTH=13\r\nDISC='DISC2'\n");
    QTest::newRow("set_time") << "set_time"
                              << QByteArray("PUT TIME CONFIG\r\nLENGTH=46\r\n"
                                            "YYYYMMDDHHMMSS=20240102030405\nTIME_ZONE=UTC-3\n");
    QTest::newRow("set_time_ntp") << "set_time_ntp"
                                  << QByteArray("PUT TIME CONFIG\r\nLENGTH=60\r\nUSENTP=1\n"
                                                "TIME_SERVER=ntp.example\nNTP_SYNC=1\n"
                                                "TIME_ZONE=UTC-3\n");
    QTest::newRow("send_test_email") << "send_test_email" << QByteArray("SEND TEST EMAIL\r\n");
}

void tst_NBXNetFunctions::requestsOnTheWire()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, wire);

    LoadedDevice device;
    device.write("package.deb", QByteArray("\x01\x02\r\n\x00", 5));
    device.setup.setValue("general/install/file/" + device.path("package.deb"));
    device.setup.setValue("general/remove_package/name/velk-x");
    device.setup.setValue("time/untitled/YYYYMMDDHHMMSS/20240102030405");

    QSignalSpy progress(&device.setup, &NBXSetup::progress);
    QStringList errors;
    QVERIFY(runExchange(
        device.setup, [&] { device.setup.function(name, "general/install/file"); }, &errors));
    QCOMPARE(errors, QStringList());
    QCOMPARE(device.sim.log().requests().size(), 1);
    QCOMPARE(device.sim.log().requests().first().wire(), wire);
    QCOMPARE(progress.last().at(0).toInt(), 100);
}

void tst_NBXNetFunctions::reportBecomesTmp()
{
    LoadedDevice device;
    QSignalSpy loaded(&device.setup, &NBXSetup::loadDone);
    QVERIFY(runExchange(device.setup, [&] { device.setup.function("get_report"); }));
    QCOMPARE(loaded.count(), 1);
    const QByteArray report = readLocal(device.setup.filePath("tmp"));
    QVERIFY(report.startsWith("Device report\n"));
    QVERIFY(report.contains("file: streams.ini\n"));
}

void tst_NBXNetFunctions::installFileThatCannotBeRead()
{
    LoadedDevice device;
    device.setup.setValue("general/install/file/" + device.path("no-such.deb"));
    QSignalSpy errors(&device.setup, &NBXSetup::pseudothrow);
    device.setup.function("soft_istall_packet", "general/install/file");
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().at(0).toString(),
             QString("Can't read file \"%1\"").arg(device.path("no-such.deb")));
    QTest::qWait(100);
    QVERIFY(device.sim.log().requests().isEmpty());
    QCOMPARE(device.setup.state(), 0);
}

void tst_NBXNetFunctions::currentTimeInTheDeviceZone_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<int>("offset");
    QTest::newRow("three hours east") << "UTC-3" << 3 * 3600;
    QTest::newRow("no zone") << "" << 0;
}

void tst_NBXNetFunctions::currentTimeInTheDeviceZone()
{
    QFETCH(QString, zone);
    QFETCH(int, offset);
    LoadedDevice device;
    device.setup.setValue("time/untitled/TIME_ZONE/" + zone);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(offset);
    QVERIFY(runExchange(device.setup, [&] { device.setup.function("set_time_current"); }));
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(offset);

    const DeviceRequest sent = device.sim.log().requests().first();
    QCOMPARE(sent.line, QByteArray("PUT TIME CONFIG\r\n"));
    const QRegularExpressionMatch m =
        QRegularExpression("^YYYYMMDDHHMMSS=(\\d{14})$").match(QString::fromLatin1(sent.payload));
    QVERIFY2(m.hasMatch(), sent.payload.constData());
    QDateTime clock = QDateTime::fromString(m.captured(1), "yyyyMMddhhmmss");
    clock.setTimeSpec(Qt::UTC);
    QVERIFY(clock >= before.addSecs(-1) && clock <= after);
}

void tst_NBXNetFunctions::adjustmentsBatched_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QByteArray>("payload"); // empty: nothing goes out
    QTest::newRow("twice the default keys")
        << QStringList({"streams/stream_0/brightness/51"}) << QStringList({"", ""})
        << QByteArray("[ stream_0 ]\r\nbrightness=51\r\ncontrast=40\r\nsaturation=30\r\n"
                      "hue=20\r\nsharpness=10\r\nagc=1\r\ngain=7\r\n");
    QTest::newRow("two sections in order")
        << QStringList({"streams/stream_1/hue/6"})
        << QStringList({"streams/stream_1/hue,streams/stream_0/hue", "streams/stream_1/hue"})
        << QByteArray("[ stream_1 ]\r\nhue=6\r\n[ stream_0 ]\r\nhue=20\r\n");
    QTest::newRow("the loaded values") << QStringList() << QStringList({"", ""}) << QByteArray();
    QTest::newRow("changed and changed back within the second")
        << QStringList({"streams/stream_0/hue/99", "streams/stream_0/hue/20"})
        << QStringList({"streams/stream_0/hue"}) << QByteArray();
    QTest::newRow("a key the device does not have")
        << QStringList() << QStringList({"streams/stream_9/hue"}) << QByteArray();
}

void tst_NBXNetFunctions::adjustmentsBatched()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, calls);
    QFETCH(QByteArray, payload);
    LoadedDevice device;
    QSignalSpy stored(&device.setup, &NBXSetup::storeDone);
    for (const QString& edit : edits)
        device.setup.setValue(edit);
    for (const QString& param : calls)
        device.setup.function("adjust_bcsh", param);
    QVERIFY(device.setup.adjustPending());
    QVERIFY(device.sim.log().requests().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!device.setup.adjustPending() && device.setup.state() == 0, 3000);
    QCOMPARE(stored.count(), payload.isEmpty() ? 0 : 1);
    QList<QByteArray> sent;
    for (const DeviceRequest& r : device.sim.log().requests())
        sent.append(r.wire());
    QList<QByteArray> expected;
    if (!payload.isEmpty())
        expected.append("ADJUST VIDEO\r\nLENGTH=" + QByteArray::number(payload.size()) + "\r\n" +
                        payload);
    QCOMPARE(sent, expected);
}

void tst_NBXNetFunctions::adjustmentFollowsWhatTheDeviceShows()
{
    LoadedDevice device;
    const auto adjust = [&](const QString& brightness) {
        device.setup.setValue("streams/stream_0/brightness/" + brightness);
        device.setup.function("adjust_bcsh", "streams/stream_0/brightness");
        return QTest::qWaitFor(
            [&] { return !device.setup.adjustPending() && device.setup.state() == 0; }, 3000);
    };
    // Away from the loaded value, back to it, and once more to where the
    // device already is.
    QVERIFY(adjust("51"));
    QVERIFY(adjust("50"));
    QVERIFY(adjust("50"));
    // A value the device refused may not show there: it goes out again.
    QVERIFY(DeviceFaults::parse("error:busy", device.sim.faults()));
    QVERIFY(adjust("52"));
    device.sim.faults() = DeviceFaults();
    QVERIFY(adjust("52"));
    QCOMPARE(device.payloadsOf("ADJUST VIDEO\r\n"),
             QList<QByteArray>(
                 {"[ stream_0 ]\r\nbrightness=51\r\n", "[ stream_0 ]\r\nbrightness=50\r\n",
                  "[ stream_0 ]\r\nbrightness=52\r\n", "[ stream_0 ]\r\nbrightness=52\r\n"}));
}

namespace {

// What happened to a brightness adjustment before the dialog closed
// without storing.
struct Before
{
    bool edited = true;
    bool batchSent = true;      // the batch went out and the link is idle
    bool batchOnItsWay = false; // the batch is in flight as the dialog closes
    bool batchFailed = false;
    bool storedAfterwards = false;
    bool changedBack = false; // to the loaded value, and that went out too
};

} // namespace

Q_DECLARE_METATYPE(Before)

void tst_NBXNetFunctions::revertPutsBackWhatTheDeviceShows_data()
{
    QTest::addColumn<Before>("before");
    QTest::addColumn<int>("adjustments");    // ADJUST VIDEO requests before the revert
    QTest::addColumn<QByteArray>("restore"); // empty: the revert sends nothing

    const QByteArray loaded("[ stream_0 ]\r\nbrightness=50\r\n");
    Before b;
    QTest::newRow("adjusted and sent") << b << 1 << loaded;
    b = Before();
    b.batchSent = false;
    b.batchOnItsWay = true;
    QTest::newRow("the batch on its way") << b << 1 << loaded;
    b = Before();
    b.batchFailed = true;
    QTest::newRow("the batch failed") << b << 1 << loaded;
    b = Before();
    b.edited = b.batchSent = false;
    QTest::newRow("nothing adjusted") << b << 0 << QByteArray();
    b = Before();
    b.batchSent = false;
    QTest::newRow("the batch still waits") << b << 0 << QByteArray();
    b = Before();
    b.storedAfterwards = true;
    QTest::newRow("stored after the adjustment") << b << 1 << QByteArray();
    b = Before();
    b.changedBack = true;
    QTest::newRow("changed back to the loaded value") << b << 2 << QByteArray();
}

void tst_NBXNetFunctions::revertPutsBackWhatTheDeviceShows()
{
    QFETCH(Before, before);
    QFETCH(int, adjustments);
    QFETCH(QByteArray, restore);
    LoadedDevice device;
    NBXNetSetup& setup = device.setup;
    const auto settle = [&] {
        return QTest::qWaitFor([&] { return !setup.adjustPending() && setup.state() == 0; }, 3000);
    };
    if (before.batchFailed)
        QVERIFY(DeviceFaults::parse("error:busy", device.sim.faults()));
    if (before.edited) {
        setup.setValue("streams/stream_0/brightness/51");
        setup.function("adjust_bcsh", "streams/stream_0/brightness");
    }
    if (before.batchOnItsWay)
        setup.bcshTimer();
    if (before.batchSent)
        QVERIFY(settle());
    device.sim.faults() = DeviceFaults();
    if (before.storedAfterwards)
        QVERIFY(runExchange(setup, [&] { setup.store(); }));
    if (before.changedBack) {
        setup.setValue("streams/stream_0/brightness/50");
        setup.function("adjust_bcsh", "streams/stream_0/brightness");
        QVERIFY(settle());
    }
    const auto adjustVideo = [&] { return device.payloadsOf("ADJUST VIDEO\r\n"); };
    QCOMPARE(adjustVideo().size(), before.batchOnItsWay ? 0 : adjustments);

    setup.revertLive();
    // The exchange is over when the revert returns, and nothing waits.
    QCOMPARE(setup.state(), 0);
    QVERIFY(!setup.adjustPending());
    QList<QByteArray> sent = adjustVideo();
    QCOMPARE(sent.size(), adjustments + (restore.isEmpty() ? 0 : 1));
    if (!restore.isEmpty())
        QCOMPARE(sent.last(), restore);
}

void tst_NBXNetFunctions::secondExchangeIsRefusedWhileOneRuns()
{
    LoadedDevice device;
    QSignalSpy errors(&device.setup, &NBXSetup::pseudothrow);
    QSignalSpy stored(&device.setup, &NBXSetup::storeDone);
    device.setup.setValue("streams/stream_0/gain/8");
    device.setup.function("soft_reboot");
    device.setup.function("adjust_bcsh");
    device.setup.function("format_disk");
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().at(0).toString(),
             QString("_connect in wrong state 1: while connecting (127.0.0.1:%1)")
                 .arg(device.sim.port()));
    // The refused request did not join the running one; the adjustment
    // waited for the link and went out after it.
    QTRY_COMPARE_WITH_TIMEOUT(stored.count(), 2, 4000);
    QCOMPARE(device.sim.log().requests().size(), 2);
    QCOMPARE(device.sim.log().requests().at(0).line, QByteArray("DO REBOOT\r\n"));
    QCOMPARE(device.sim.log().requests().at(1).line, QByteArray("ADJUST VIDEO\r\n"));
}

void tst_NBXNetFunctions::localOnlyFunctions()
{
    LoadedDevice device;
    QSignalSpy progress(&device.setup, &NBXSetup::progress);
    QSignalSpy stored(&device.setup, &NBXSetup::storeDone);
    device.setup.function("cancel");
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.first().at(0).toInt(), 100);
    device.setup.function("no_such_function");
    QCOMPARE(progress.count(), 2);
    QTest::qWait(100);
    QCOMPARE(stored.count(), 0);
    QVERIFY(device.sim.log().requests().isEmpty());
}

QTEST_MAIN(tst_NBXNetFunctions)
#include "tst_nbxnetfunctions.moc"
