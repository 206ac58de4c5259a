// The calibrator and the PTZ control on one page against the device
// emulator: the fixed camera's picture reaches the calibrator, a right click
// turns the emulated PTZ camera, and a calibration made from the emulator's
// known geometry sends it where a clicked picture point looks.

#include "../setup/setupharness.h"
#include "ptz/cptzcalibrator.h"
#include "ptzfixtures.h"
#include "ptzwire.h"

#include <QtTest>

#include <cmath>

namespace {

// The PTZ control hands the fixed camera's picture and its positions to the
// calibrator, whose right clicks go back to the PTZ control.
const QByteArray kPage = SetupHarness::wrap(
    "<tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
    "<item type=\"PTZCalibrator\" row=\"0\" column=\"0\" width=\"720\" height=\"576\" "
    "camera=\"1\"><cal/><target type=\"PTZ_goto\">ptz</target></item>"
    "<item type=\"PTZvideoin\" row=\"1\" column=\"0\"><ptz/>"
    "<target type=\"1\">cal</target><target type=\"PTZ_pos\">cal</target></item>"
    "</item></tab></tabwidget>");

sCalibrationPoint point(int x, int y, int pan, int tilt)
{
    sCalibrationPoint p;
    p.x = x;
    p.y = y;
    p.pan = pan;
    p.tilt = tilt;
    p.state = 1;
    return p;
}

int wrapped(int pan)
{
    return (pan % PtzCamera::kFullTurn + PtzCamera::kFullTurn) % PtzCamera::kFullTurn;
}

// The true direction through a point of the calibrator's 720 x 576 picture
// space, pan wrapped as the camera reports it.
PtzCamera::Position truth(QPoint picturePoint)
{
    const QPointF d = PtzCamera::fixedViewDirection(QPointF(
        picturePoint.x() * double(PtzCamera::kFrameWidth) / cPTZCalibrator::kPictureWidth,
        picturePoint.y() * double(PtzCamera::kFrameHeight) / cPTZCalibrator::kPictureHeight));
    PtzCamera::Position p;
    p.pan = wrapped(int(std::lround(d.x())));
    p.tilt = int(std::lround(d.y()));
    return p;
}

// Hundredths of a degree between two pans, the shorter way round.
int panError(int a, int b)
{
    const int d = wrapped(a - b);
    return qMin(d, PtzCamera::kFullTurn - d);
}

struct Page
{
    PtzDevice device;
    SetupHarness h;
    cPTZCalibrator* cal = nullptr;
    cPTZvideoIn* ptz = nullptr;

    Page()
    {
        h.source.setValue(QStringLiteral("general/network/url/") + device.url());
        h.source.setValue(QStringLiteral("general/network/login/admin"));
        h.source.setValue(QStringLiteral("general/network/password/") +
                          device.sim.passwordDigest());
        h.build(kPage);
        cal = h.control<cPTZCalibrator>(QStringLiteral("cal"));
        ptz = h.control<cPTZvideoIn>(QStringLiteral("ptz"));
    }
    int gotoCount() { return int(device.moves().filter(QStringLiteral("GO-TO")).size()); }
    // Waits for a GO-TO beyond `before` and for the camera to stop after it.
    void cameraSettledAfter(int before)
    {
        QTRY_VERIFY_WITH_TIMEOUT(gotoCount() > before, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!device.camera().isMoving(), 10000);
    }
    // Turns the camera to `p` and waits until the calibrator knows it is there.
    void cameraAt(const PtzCamera::Position& p)
    {
        ptz->slot_PTZ_goto(point(0, 0, p.pan, p.tilt));
        const QString pan = cPTZvideoIn::hundredths(p.pan);
        const QString tilt = cPTZvideoIn::hundredths(p.tilt);
        QTRY_VERIFY_WITH_TIMEOUT(h.value(QStringLiteral("general/PTZCalibrator/Pan")) == pan &&
                                     h.value(QStringLiteral("general/PTZCalibrator/Tilt")) == tilt,
                                 10000);
    }
};

} // namespace

class tst_PTZCalibratorLoop : public QObject
{
    Q_OBJECT
private slots:
    void pinTakesReportedPosition();
    void rightClickTurnsCamera_data();
    void rightClickTurnsCamera();
    void clickedPointsReachTheirDirection();
};

// A position report alone, with no picture after it, is what a pin takes.
void tst_PTZCalibratorLoop::pinTakesReportedPosition()
{
    ScriptedPeer peer;
    SetupHarness h;
    h.source.setValue(QStringLiteral("general/network/url/") + peer.url());
    h.build(kPage);
    auto* cal = h.control<cPTZCalibrator>(QStringLiteral("cal"));
    QVERIFY(cal);
    QTRY_VERIFY(peer.received.contains("PASS="));
    cal->slot_Set_point_action(QStringLiteral("0"));
    QTest::mouseClick(cal, Qt::LeftButton, {}, QPoint(100, 100));

    peer.send(ptzwire::positionLine(12345, 905, 100));
    QTRY_COMPARE(h.value(QStringLiteral("general/PTZCalibrator/Pan")), QStringLiteral("123.45"));
    cal->slot_Pin_current_PTZ_pos();
    QCOMPARE(cal->Advanced_points().size(), 1);
    QCOMPARE(cal->Advanced_points().at(0).pan, 12345);
    QCOMPARE(cal->Advanced_points().at(0).tilt, 905);
    QCOMPARE(cal->Advanced_points().at(0).state, 1);
}

void tst_PTZCalibratorLoop::rightClickTurnsCamera_data()
{
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");

    // The grid's pans run 1000 per column, its tilts 1000 per row.
    QTest::newRow("on a calibrated point: its own position") << QPoint(650, 526) << 3000 << 5000;
    QTest::newRow("between points: interpolated") << QPoint(215, 169) << 1500 << 3500;
}

// The grid's columns are at x 70, 360 and 650, its rows at y 50, 288 and
// 526; the request leaves the calibrator through the page's wiring, not
// through a call of the test.
void tst_PTZCalibratorLoop::rightClickTurnsCamera()
{
    QFETCH(QPoint, click);
    QFETCH(int, pan);
    QFETCH(int, tilt);

    Page page;
    QVERIFY(page.cal && page.ptz);
    QTRY_VERIFY(page.ptz->isLinked());
    page.cal->slot_Calibration_type(QStringLiteral("1"));
    const int xs[3] = {70, 360, 650};
    const int ys[3] = {50, 288, 526};
    QVector<sCalibrationPoint> grid;
    for (int i = 0; i < 9; ++i)
        grid << point(xs[i / 3], ys[i % 3], 1000 * (i / 3) + 1000, 1000 * (i % 3) + 3000);
    page.cal->Set_points(grid);

    QTest::mouseClick(page.cal, Qt::RightButton, {}, click);
    page.cameraSettledAfter(0);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(page.device.moves().filter(QStringLiteral("GO-TO")),
             QStringList{QStringLiteral("GO-TO %1 %2 (%3)")
                             .arg(pan)
                             .arg(tilt)
                             .arg(QStringLiteral("GO-TO %1 %2\r\n").arg(pan).arg(tilt).size())});
    QCOMPARE(page.device.camera().position().pan, pan);
    QCOMPARE(page.device.camera().position().tilt, tilt);
    QVERIFY2(page.h.errorTexts().isEmpty(), qPrintable(page.h.errorTexts().join('\n')));
}

// Sixteen points calibrated as an operator does it (add a point, turn the
// camera to look there, pin), then five other points clicked: the camera
// ends within a degree of where each looks. The fixed picture straddles
// north, so the pans cross 0.
void tst_PTZCalibratorLoop::clickedPointsReachTheirDirection()
{
    Page page;
    QVERIFY(page.cal && page.ptz);
    QTRY_VERIFY_WITH_TIMEOUT(!page.cal->Picture().isNull(), 10000);
    QCOMPARE(page.cal->Picture().size(), PtzCamera::fixedView().size());

    page.cal->slot_Calibration_type(QStringLiteral("2"));
    page.cal->slot_Set_point_action(QStringLiteral("0"));
    const int xs[] = {20, 240, 480, 700};
    const int ys[] = {20, 200, 380, 556};
    for (int x : xs) {
        for (int y : ys) {
            QTest::mouseClick(page.cal, Qt::LeftButton, {}, QPoint(x, y));
            page.cameraAt(truth(QPoint(x, y)));
            if (QTest::currentTestFailed())
                return;
            page.cal->slot_Pin_current_PTZ_pos();
        }
    }
    QCOMPARE(page.cal->Advanced_points().size(), 16);

    const QPoint clicks[] = {{130, 110}, {360, 290}, {600, 470}, {250, 450}, {520, 150}};
    for (const QPoint& click : clicks) {
        const int before = page.gotoCount();
        QTest::mouseClick(page.cal, Qt::RightButton, {}, click);
        page.cameraSettledAfter(before);
        if (QTest::currentTestFailed())
            return;
        const PtzCamera::Position want = truth(click);
        const PtzCamera::Position got = page.device.camera().position();
        const double panOff = panError(got.pan, want.pan) / 100.0;
        const double tiltOff = qAbs(got.tilt - want.tilt) / 100.0;
        qInfo("click (%d, %d): pan %.2f wanted %.2f (off %.2f), tilt %.2f wanted %.2f (off %.2f)",
              click.x(), click.y(), got.pan / 100.0, want.pan / 100.0, panOff, got.tilt / 100.0,
              want.tilt / 100.0, tiltOff);
        QVERIFY(panOff <= 1.0);
        QVERIFY(tiltOff <= 1.0);
    }
    QVERIFY2(page.h.errorTexts().isEmpty(), qPrintable(page.h.errorTexts().join('\n')));
}

QTEST_MAIN(tst_PTZCalibratorLoop)
#include "tst_ptzcalibratorloop.moc"
