// The PTZ control on the wire: against the device emulator's PTZ camera and
// against scripted peers.

#include "ptzfixtures.h"
#include "ptzwire.h"

#include <QtTest>

#include <cmath>

namespace {

// Movement requests with repeats of the same movement folded into one: the
// 250 ms timer adds repeats of its own. A STOP is never folded, so a second
// one shows.
QStringList folded(const QStringList& moves)
{
    QStringList out;
    for (const QString& m : moves) {
        if (out.isEmpty() || out.last() != m || m.startsWith(QLatin1String("STOP")))
            out << m;
    }
    return out;
}

double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += std::abs(qRed(p[col]) - qRed(q[col])) +
                   std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

sCalibrationPoint at(int pan, int tilt)
{
    sCalibrationPoint p;
    p.pan = pan;
    p.tilt = tilt;
    return p;
}

} // namespace

class tst_cPTZvideoIn : public QObject
{
    Q_OBJECT
private slots:
    void sendsLatchedMovements_data();
    void sendsLatchedMovements();
    void idleControlLeavesAnothersMovement();
    void goesTo_data();
    void goesTo();
    void storesReportedPositionAsDefault();
    void choosesPort_data();
    void choosesPort();
    void logsInWithServiceByte_data();
    void logsInWithServiceByte();
    void reconnectsNoSoonerThanASecond();
    void acknowledgesEveryFrame();
    void picturesSurviveDeviceFaults_data();
    void picturesSurviveDeviceFaults();
    void closedLoopGoTo();
};

void tst_cPTZvideoIn::sendsLatchedMovements_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("up twice stops once") << QStringList{"UP", "tick", "UP", "tick", "tick", "tick"}
                                         << QStringList{"_TILT-UP (10)", "STOP (6)"};
    QTest::newRow("up then left") << QStringList{"UP", "LEFT", "tick"}
                                  << QStringList{"_TILT-UP_PAN-LEFT (19)"};
    // The up latch is cleared by DOWN: a later UP starts tilting up again.
    QTest::newRow("up then down") << QStringList{"UP", "tick", "DOWN", "tick", "UP", "tick"}
                                  << QStringList{"_TILT-UP (10)", "_TILT-DOWN (12)",
                                                 "_TILT-UP (10)"};
    QTest::newRow("left then right then right")
        << QStringList{"LEFT", "tick", "RIGHT", "tick", "RIGHT", "tick", "tick"}
        << QStringList{"_PAN-LEFT (11)", "_PAN-RIGHT (12)", "STOP (6)"};
    QTest::newRow("zoom in then out then out")
        << QStringList{"ZOOM_IN", "tick", "ZOOM_OUT", "tick", "ZOOM_OUT", "tick"}
        << QStringList{"_ZOOM-IN (10)", "_ZOOM-OUT (11)", "STOP (6)"};
    QTest::newRow("three axes in order") << QStringList{"ZOOM_OUT", "RIGHT", "DOWN", "tick"}
                                         << QStringList{"_TILT-DOWN_PAN-RIGHT_ZOOM-OUT (31)"};
    QTest::newRow("unknown direction")
        << QStringList{"SIDEWAYS", "tick", "up", "tick"} << QStringList{};
}

void tst_cPTZvideoIn::sendsLatchedMovements()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);

    PtzDevice device;
    PtzSource source(device.url(), device.sim.passwordDigest());
    cPTZvideoIn control(&source.setup);
    QTRY_COMPARE(device.sim.log().logins().size(), 1);
    // A control that moved nothing stops nothing.
    control.slot_Timeout();

    for (const QString& step : steps) {
        if (step == QLatin1String("tick"))
            control.slot_Timeout();
        else
            control.slot_Move_PTZ(step);
    }
    // Everything sent before it has arrived once this has.
    control.slot_Goto_default_PTZ_pos();
    QTRY_VERIFY(device.received("PUT PTZ GOTO DEFAULT\r\n"));
    QCOMPARE(folded(device.moves()), expected);
}

// Two PTZ controls of one device: the idle one's ticks must not stop what
// the other one moves.
void tst_cPTZvideoIn::idleControlLeavesAnothersMovement()
{
    PtzDevice device;
    PtzSource source(device.url(), device.sim.passwordDigest());
    cPTZvideoIn moving(&source.setup);
    cPTZvideoIn idle(&source.setup);
    QTRY_COMPARE(device.sim.log().logins().size(), 2);

    moving.slot_Move_PTZ(QStringLiteral("UP"));
    for (int i = 0; i < 3; ++i) {
        moving.slot_Timeout();
        idle.slot_Timeout();
    }
    moving.slot_Goto_default_PTZ_pos();
    QTRY_VERIFY(device.received("PUT PTZ GOTO DEFAULT\r\n"));
    QCOMPARE(folded(device.moves()), QStringList{"_TILT-UP (10)"});
}

void tst_cPTZvideoIn::goesTo_data()
{
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");
    QTest::addColumn<QString>("expected");

    QTest::newRow("in range") << 12345 << 905 << "GO-TO 12345 905 (17)";
    QTest::newRow("pan past a full turn") << 36100 << 905 << "GO-TO 100 905 (15)";
    QTest::newRow("tilt past a full turn") << 100 << 36001 << "GO-TO 100 1 (13)";
}

void tst_cPTZvideoIn::goesTo()
{
    QFETCH(int, pan);
    QFETCH(int, tilt);
    QFETCH(QString, expected);

    PtzDevice device;
    PtzSource source(device.url(), device.sim.passwordDigest());
    cPTZvideoIn control(&source.setup);
    QTRY_VERIFY(control.isLinked());
    control.slot_PTZ_goto(at(pan, tilt));
    QTRY_VERIFY(device.moves().contains(expected));
}

void tst_cPTZvideoIn::storesReportedPositionAsDefault()
{
    ScriptedPeer peer;
    PtzSource source(peer.url());
    cPTZvideoIn control(&source.setup);
    QSignalSpy ready(&control, &cPTZvideoIn::signal_Pixmap_ready);
    QTRY_COMPARE(peer.clients.size(), 1);
    QTRY_VERIFY(control.isLinked());

    peer.send(ptzwire::positionLine(12345, 905, 3));
    QTRY_COMPARE(ready.size(), 1);
    QCOMPARE(control.camera(), -1);
    QCOMPARE(control.Get_PTZ_pos().pan, 12345);
    QCOMPARE(control.Get_PTZ_pos().tilt, 905);
    QCOMPARE(source.value("general/PTZCalibrator/Pan"), QStringLiteral("123.45"));
    QCOMPARE(source.value("general/PTZCalibrator/Tilt"), QStringLiteral("9.05"));
    QCOMPARE(source.value("general/PTZCalibrator/Zoom"), QStringLiteral("3"));

    control.slot_Pin_default_PTZ_pos();
    QTRY_VERIFY(peer.received.endsWith("PUT PTZ DEFAULT\r\n"));
    QCOMPARE(source.value("Velk-Rimbal/Camera_PTZ/Default_pan"), QStringLiteral("12345"));
    QCOMPARE(source.value("Velk-Rimbal/Camera_PTZ/Default_tilt"), QStringLiteral("905"));
    QCOMPARE(source.value("Velk-Rimbal/Camera_PTZ/Default_zoom"), QStringLiteral("3"));
}

void tst_cPTZvideoIn::choosesPort_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("port");

    QTest::newRow("r00 without a port") << "127.0.0.254"
                                        << "201004300000-r00" << 5071;
    QTest::newRow("r01 without a port") << "127.0.0.254"
                                        << "201004300000-r01" << 5049;
    QTest::newRow("later version") << "127.0.0.254"
                                   << "201105010000-r00" << 5049;
    QTest::newRow("no version") << "127.0.0.254"
                                << "" << 5071;
    QTest::newRow("explicit port, old version") << "127.0.0.254:6000"
                                                << "201004300000-r00" << 6000;
    QTest::newRow("explicit port, new version") << "127.0.0.254:6000"
                                                << "201004300000-r01" << 6000;
}

void tst_cPTZvideoIn::choosesPort()
{
    QFETCH(QString, url);
    QFETCH(QString, version);
    QFETCH(int, port);

    PtzSource source(url, QStringLiteral("secret"), version);
    cPTZvideoIn control(&source.setup);
    QCOMPARE(control.host(), QStringLiteral("127.0.0.254"));
    QCOMPARE(int(control.port()), port);
}

void tst_cPTZvideoIn::logsInWithServiceByte_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<int>("firstByte");

    QTest::newRow("gimbal platform") << "NVR:Velk5-rimbal,4ch" << 0x10;
    QTest::newRow("gimbal platform last") << "NVR:Velk5-rimbal" << 0x10;
    QTest::newRow("other platform") << "NVR:Velk5,4ch" << 0x13;
    QTest::newRow("platform without a name") << "Velk5-rimbal" << 0x13;
    QTest::newRow("no platform") << "" << 0x13;
}

void tst_cPTZvideoIn::logsInWithServiceByte()
{
    QFETCH(QString, platform);
    QFETCH(int, firstByte);

    ScriptedPeer peer;
    PtzSource source(peer.url(), QStringLiteral("d1g3st"), QString(), platform);
    cPTZvideoIn control(&source.setup);
    const QByteArray login = QByteArray(1, char(firstByte)) + "LOGIN=admin\r\nPASS=d1g3st\r\n";
    QTRY_VERIFY(peer.received.size() >= login.size());
    QCOMPARE(peer.received.left(login.size()), login);
}

// A device that accepts and closes at once is tried again, on the same
// port, but never more than once a second.
void tst_cPTZvideoIn::reconnectsNoSoonerThanASecond()
{
    ScriptedPeer peer;
    peer.closeAtOnce = true;
    PtzSource source(peer.url());
    cPTZvideoIn control(&source.setup);
    QTRY_COMPARE_WITH_TIMEOUT(peer.acceptedAtMs.size(), 3, 10000);
    for (int i = 1; i < peer.acceptedAtMs.size(); ++i) {
        const qint64 gap = peer.acceptedAtMs.at(i) - peer.acceptedAtMs.at(i - 1);
        QVERIFY2(gap >= cPTZvideoIn::kReconnectMs, qPrintable(QString::number(gap)));
    }
}

void tst_cPTZvideoIn::acknowledgesEveryFrame()
{
    ScriptedPeer peer;
    PtzSource source(peer.url());
    cPTZvideoIn control(&source.setup);
    QTRY_VERIFY(control.isLinked());
    QTRY_VERIFY(peer.received.contains("PASS="));
    peer.received.clear();

    const QByteArray payload = ptzwire::greyPayload(8, 8);
    peer.send(ptzwire::greyFrame(8, 8) + ptzwire::ptzFrame({4, 8, 8, 5}, "bogus") +
              ptzwire::frame(ptzwire::cameraLine(0, 32 + 64), {3, 8, 8, 64}, payload));
    QTRY_COMPARE(peer.received.count("VIDEO_OK\r\n"), 3);
    QCOMPARE(control.pixmap().size(), QSize(8, 8));
}

void tst_cPTZvideoIn::picturesSurviveDeviceFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("garbage between frames") << "ptz-garbage";
    QTest::newRow("header size that does not match") << "ptz-size-mismatch";
    QTest::newRow("huge width") << "ptz-huge-width";
}

void tst_cPTZvideoIn::picturesSurviveDeviceFaults()
{
    QFETCH(QString, fault);
    PtzDevice device;
    QVERIFY(DeviceFaults::parse(fault, device.sim.faults()));
    PtzSource source(device.url(), device.sim.passwordDigest());
    cPTZvideoIn control(&source.setup);
    int pictures = 0;
    connect(&control, &cPTZvideoIn::signal_Pixmap_ready, this, [&] {
        if (control.camera() == 0 && control.pixmap().size() == QSize(704, 576))
            ++pictures;
    });
    QTRY_VERIFY_WITH_TIMEOUT(pictures >= 3, 10000);
}

// Steers the emulated camera somewhere and checks that the reported
// position and the picture show it there.
void tst_cPTZvideoIn::closedLoopGoTo()
{
    PtzDevice device;
    PtzSource source(device.url(), device.sim.passwordDigest());
    cPTZvideoIn control(&source.setup);
    QList<QImage> pictures;
    connect(&control, &cPTZvideoIn::signal_Pixmap_ready, this, [&] {
        if (control.camera() == 0)
            pictures << control.pixmap().toImage();
    });
    QTRY_VERIFY(control.isLinked());

    const int pan = 35000;
    const int tilt = 3000;
    control.slot_PTZ_goto(at(pan, tilt));
    QTRY_VERIFY_WITH_TIMEOUT(control.Get_PTZ_pos().pan == pan && control.Get_PTZ_pos().tilt == tilt,
                             10000);
    QTRY_VERIFY(!device.camera().isMoving());
    QCOMPARE(source.value("general/PTZCalibrator/Pan"), QStringLiteral("350.00"));
    QCOMPARE(source.value("general/PTZCalibrator/Tilt"), QStringLiteral("30.00"));

    // Pictures made before it stopped may still be on the way.
    const qsizetype settledAt = pictures.size();
    QTRY_VERIFY_WITH_TIMEOUT(pictures.size() >= settledAt + 2, 10000);
    PtzCamera::Position there;
    there.pan = pan;
    there.tilt = tilt;
    const QImage expected = PtzCamera::render(there);
    const double difference = meanDifference(pictures.last(), expected);
    QVERIFY2(difference < 4.0, qPrintable(QString::number(difference)));
    // The comparison tells places apart: twenty degrees off is far worse.
    there.pan = pan - 2000;
    const double elsewhere = meanDifference(pictures.last(), PtzCamera::render(there));
    QVERIFY2(elsewhere > 5 * difference,
             qPrintable(QStringLiteral("%1 against %2").arg(elsewhere).arg(difference)));
}

QTEST_MAIN(tst_cPTZvideoIn)
#include "tst_cptzvideoin.moc"
