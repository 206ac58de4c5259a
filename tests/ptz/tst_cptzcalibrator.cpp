// The PTZ calibrator widget: loading rules of both types, pan unrolling,
// the nine-point grid (interpolation, pins, frame drags), regions and the
// goto request, driven through its slots and real mouse events offscreen.
#include "config/nbxsetup.h"
#include "ptz/ccalibrationresiduals.h"
#include "ptz/cptzcalibrator.h"
#include "setupharness.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

sCalibrationPoint point(int x, int y, int pan, int tilt, int zone = 0, int state = 1)
{
    sCalibrationPoint p;
    p.x = x;
    p.y = y;
    p.pan = pan;
    p.tilt = tilt;
    p.zone = zone;
    p.state = state;
    return p;
}

using Points = QVector<sCalibrationPoint>;

// A 720 x 576 widget: widget and picture coordinates agree.
struct Calibrator
{
    cPTZCalibrator widget;

    explicit Calibrator(int type)
    {
        widget.setFixedSize(cPTZCalibrator::kPictureWidth, cPTZCalibrator::kPictureHeight);
        widget.slot_Calibration_type(QString::number(type));
    }
    void leftClick(QPoint at) { QTest::mouseClick(&widget, Qt::LeftButton, {}, at); }
    void rightClick(QPoint at) { QTest::mouseClick(&widget, Qt::RightButton, {}, at); }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(&widget, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), widget.mapToGlobal(QPointF(to)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &move);
        QTest::mouseRelease(&widget, Qt::LeftButton, {}, to);
    }
};

// The grid at its default frame, pan 1000 x column + 100 x row, tilt
// -(100 x row + 10 x column) - 1, every point calibrated.
Points gridPoints()
{
    const int xs[3] = {70, 360, 650};
    const int ys[3] = {50, 288, 526};
    Points out;
    for (int i = 0; i < 9; ++i)
        out << point(xs[i / 3], ys[i % 3], 1000 * (i / 3) + 100 * (i % 3) + 1000,
                     -(100 * (i % 3) + 10 * (i / 3)) - 1);
    return out;
}

QVector<int> states(const Points& points)
{
    QVector<int> out;
    for (const sCalibrationPoint& p : points)
        out << p.state;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Points)

class TestPTZCalibrator : public QObject
{
    Q_OBJECT

private slots:
    void ninePointLoading_data();
    void ninePointLoading();
    void normalisation_data();
    void normalisation();
    void ninePointInterpolation_data();
    void ninePointInterpolation();
    void pinPredictsRowAndColumn_data();
    void pinPredictsRowAndColumn();
    void frameDrag_data();
    void frameDrag();
    void shiftMovesEveryPoint();
    void regions();
    void residuals_data();
    void residuals();
    void advancedEditing();
    void rightClickRequestsGoto_data();
    void rightClickRequestsGoto();
    void loadAndStore_data();
    void loadAndStore();
    void engineLoadsAndStores();
};

void TestPTZCalibrator::ninePointLoading_data()
{
    QTest::addColumn<sCalibrationPoint>("stored");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("state");
    QTest::newRow("pan past a full turn") << point(70, 50, 36123, 5) << 123 << 1;
    QTest::newRow("pan 0 and tilt 0: not calibrated") << point(70, 50, 0, 0) << 0 << 0;
    QTest::newRow("a whole turn and tilt 0: not calibrated") << point(70, 50, 36000, 0) << 0 << 0;
    QTest::newRow("pan 0 with a tilt: calibrated") << point(70, 50, 0, -300) << 0 << 1;
    QTest::newRow("too near the left border") << point(19, 50, 500, 5) << 500 << 0;
    QTest::newRow("too near the top border") << point(70, 19, 500, 5) << 500 << 0;
}

void TestPTZCalibrator::ninePointLoading()
{
    QFETCH(sCalibrationPoint, stored);
    QFETCH(int, pan);
    QFETCH(int, state);
    Calibrator c(cPTZCalibrator::kNinePoint);
    Points points = gridPoints();
    points[0] = stored;
    c.widget.Set_points(points);
    QCOMPARE(c.widget.Nine_points().at(0).pan, pan);
    QCOMPARE(c.widget.Nine_points().at(0).state, state);
}

void TestPTZCalibrator::normalisation_data()
{
    QTest::addColumn<QVector<int>>("pans");
    QTest::addColumn<QVector<int>>("expected");
    QTest::newRow("across north") << QVector<int>{100, 200, 35900}
                                  << QVector<int>{36100, 36200, 35900};
    QTest::newRow("within half a turn") << QVector<int>{100, 18100} << QVector<int>{100, 18100};
    QTest::newRow("just past half a turn")
        << QVector<int>{100, 18101} << QVector<int>{36100, 18101};
    QTest::newRow("several turns below")
        << QVector<int>{-72000, 35000} << QVector<int>{36000, 35000};
    QTest::newRow("extreme values end at once")
        << QVector<int>{INT_MIN, INT_MAX} << QVector<int>{INT_MAX, INT_MAX};
}

void TestPTZCalibrator::normalisation()
{
    QFETCH(QVector<int>, pans);
    QFETCH(QVector<int>, expected);
    Points points;
    for (int pan : pans)
        points << point(0, 0, pan, 0);
    cPTZCalibrator::Normalize_pan_values(points);
    QVector<int> got;
    for (const sCalibrationPoint& p : points)
        got << p.pan;
    QCOMPARE(got, expected);
}

void TestPTZCalibrator::ninePointInterpolation_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");
    // The centre itself (the top-left quadrant answers), grid points, and
    // halfway points of each quadrant.
    QTest::newRow("centre") << QPoint(360, 288) << 2100 << -111;
    QTest::newRow("top-left corner") << QPoint(70, 50) << 1000 << -1;
    QTest::newRow("bottom-right corner") << QPoint(650, 526) << 3200 << -221;
    QTest::newRow("top-left quadrant middle") << QPoint(215, 169) << 1550 << -56;
    QTest::newRow("bottom-right quadrant middle") << QPoint(505, 407) << 2650 << -166;
    QTest::newRow("left of the grid extrapolates") << QPoint(0, 50) << 758 << 1;
}

void TestPTZCalibrator::ninePointInterpolation()
{
    QFETCH(QPoint, at);
    QFETCH(int, pan);
    QFETCH(int, tilt);
    Calibrator c(cPTZCalibrator::kNinePoint);
    c.widget.Set_points(gridPoints());
    sCalibrationPoint p = point(at.x(), at.y(), 0, 0);
    QVERIFY(c.widget.Calc_pan_tilt(p));
    QCOMPARE(p.pan, pan);
    QCOMPARE(p.tilt, tilt);
}

void TestPTZCalibrator::pinPredictsRowAndColumn_data()
{
    QTest::addColumn<int>("pinned");
    QTest::addColumn<QVector<int>>("panFrom");  // per point: its pan comes from the pin (1)
    QTest::addColumn<QVector<int>>("tiltFrom"); // per point: its tilt comes from the pin (1)
    QTest::newRow("point 0: pan down its column, tilt along its row")
        << 0 << QVector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0} << QVector<int>{1, 0, 0, 1, 0, 0, 1, 0, 0};
    QTest::newRow("point 8: pan up its column, tilt along its row")
        << 8 << QVector<int>{0, 0, 0, 0, 0, 0, 1, 1, 1} << QVector<int>{0, 0, 1, 0, 0, 1, 0, 0, 1};
}

// Only the centre is calibrated before the pin; calibrated points keep
// their values.
void TestPTZCalibrator::pinPredictsRowAndColumn()
{
    QFETCH(int, pinned);
    QFETCH(QVector<int>, panFrom);
    QFETCH(QVector<int>, tiltFrom);
    Calibrator c(cPTZCalibrator::kNinePoint);
    Points points = gridPoints();
    for (int i = 0; i < 9; ++i) {
        points[i].pan = 0;
        points[i].tilt = 0; // not calibrated
    }
    points[4] = point(360, 288, 2100, -111);
    c.widget.Set_points(points);
    const QPoint at(c.widget.Nine_points().at(pinned).x, c.widget.Nine_points().at(pinned).y);
    c.leftClick(at);
    QCOMPARE(c.widget.Selected_index(), pinned);
    QSignalSpy calibrated(&c.widget, &cPTZCalibrator::signal_Point_calibrated);
    c.widget.slot_Set_PTZ_pos(point(0, 0, 5555, -777));
    c.widget.slot_Pin_current_PTZ_pos();
    QCOMPARE(calibrated.size(), 1);
    QCOMPARE(calibrated.at(0).at(0).toInt(), pinned);
    const Points& after = c.widget.Nine_points();
    QCOMPARE(after.at(pinned).state, 1);
    QCOMPARE(after.at(4).pan, 2100); // calibrated: untouched
    for (int i = 0; i < 9; ++i) {
        if (i == 4)
            continue;
        QCOMPARE(after.at(i).pan, panFrom.at(i) ? 5555 : 0);
        QCOMPARE(after.at(i).tilt, tiltFrom.at(i) ? -777 : 0);
    }
}

void TestPTZCalibrator::frameDrag_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QPoint>("corner0");
    QTest::addColumn<QPoint>("corner8");
    QTest::addColumn<QVector<int>>("calibrated");
    const QVector<int> all{1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("point 0 past the left border changes nothing")
        << 0 << QPoint(10, 50) << QPoint(70, 50) << QPoint(650, 526) << all;
    QTest::newRow("point 0 moves the left and top edges")
        << 0 << QPoint(100, 60) << QPoint(100, 60) << QPoint(650, 526)
        << QVector<int>{0, 0, 0, 0, 1, 1, 0, 1, 1};
    QTest::newRow("the middle of the left edge moves that edge only")
        << 1 << QPoint(100, 200) << QPoint(100, 50) << QPoint(650, 526)
        << QVector<int>{0, 0, 0, 1, 1, 1, 1, 1, 1};
    QTest::newRow("point 8 moves the right and bottom edges")
        << 8 << QPoint(600, 500) << QPoint(70, 50) << QPoint(600, 500)
        << QVector<int>{1, 1, 0, 1, 1, 0, 0, 0, 0};
    QTest::newRow("point 8 into the middle moves only the edge in range")
        << 8 << QPoint(370, 500) << QPoint(70, 50) << QPoint(650, 500)
        << QVector<int>{1, 1, 0, 1, 1, 0, 1, 1, 0};
}

void TestPTZCalibrator::frameDrag()
{
    QFETCH(int, from);
    QFETCH(QPoint, to);
    QFETCH(QPoint, corner0);
    QFETCH(QPoint, corner8);
    QFETCH(QVector<int>, calibrated);
    Calibrator c(cPTZCalibrator::kNinePoint);
    c.widget.Set_points(gridPoints());
    const sCalibrationPoint start = c.widget.Nine_points().at(from);
    c.drag(QPoint(start.x, start.y), to);
    const Points& after = c.widget.Nine_points();
    QCOMPARE(QPoint(after.at(0).x, after.at(0).y), corner0);
    QCOMPARE(QPoint(after.at(8).x, after.at(8).y), corner8);
    QCOMPARE(states(after), calibrated);
    QCOMPARE(QPoint(after.at(4).x, after.at(4).y), QPoint(360, 288));
}

void TestPTZCalibrator::shiftMovesEveryPoint()
{
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.Set_points(
        {point(100, 100, 1000, -10), point(300, 100, 2000, -20), point(100, 300, 3000, -30)});
    c.leftClick(QPoint(300, 100));
    QCOMPARE(c.widget.Selected_index(), 1);
    c.widget.slot_Set_PTZ_pos(point(0, 0, 2500, -25));
    c.widget.slot_Shift_calibration();
    QVector<int> pans;
    for (const sCalibrationPoint& p : c.widget.Get_points())
        pans << p.pan << p.tilt;
    QCOMPARE(pans, (QVector<int>{1500, -15, 2500, -25, 3500, -35}));
    sCalibrationPoint p = point(100, 100, 0, 0);
    QVERIFY(c.widget.Calc_pan_tilt(p)); // the mesh follows the shift
    QCOMPARE(p.pan, 1500);
}

// Sixteen regions at most; a new one then reuses the first empty region.
void TestPTZCalibrator::regions()
{
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.Set_points({point(10, 10, 100, 1, 0), point(20, 20, 100, 1, 2)});
    QCOMPARE(c.widget.Region_count(), 3);
    QCOMPARE(c.widget.Region_points(), (QVector<int>{1, 0, 1}));
    for (int i = 3; i < 16; ++i) {
        c.widget.slot_New_region(QString());
        QCOMPARE(c.widget.Current_region(), i);
    }
    QCOMPARE(c.widget.Region_count(), 16);
    c.widget.slot_New_region(QString()); // the 17th
    QCOMPARE(c.widget.Region_count(), 16);
    QCOMPARE(c.widget.Current_region(), 1);

    c.widget.Set_points({point(10, 10, 100, 1, 1000000000)}); // a stored zone far out
    QCOMPARE(c.widget.Region_count(), 0);
    c.widget.slot_Clear_regions(QString());
    QCOMPARE(c.widget.Region_count(), 1);
    QCOMPARE(c.widget.Region_points(), (QVector<int>{0}));
    QVERIFY(c.widget.Advanced_points().isEmpty());
}

// A 4 x 4 grid of free points whose pan and tilt follow the picture
// linearly; `offIndex` is pinned `offPan` hundredths away from that.
Points linearGrid(int offIndex = -1, int offPan = 0, int pinned = 16)
{
    Points out;
    for (int i = 0; i < 16; ++i) {
        const int x = 100 + 150 * (i % 4);
        const int y = 80 + 120 * (i / 4);
        out << point(x, y, 5000 + 10 * x + (i == offIndex ? offPan : 0), -5 * y, 0,
                     i < pinned ? 1 : 0);
    }
    return out;
}

void TestPTZCalibrator::residuals_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QVector<double>>("expected"); // degrees; -1: none shown

    // The corners lie outside the mesh of the others; a point on an edge
    // between two others lies on it.
    QVector<double> consistent(16, 0);
    for (int i : {0, 3, 12, 15})
        consistent[i] = -1;
    QTest::newRow("points that agree") << linearGrid() << consistent;

    QTest::newRow("one point pinned 5 degrees off") << linearGrid(5, 500) << QVector<double>{};

    QTest::newRow("too few pinned to predict") << linearGrid(-1, 0, 3) << QVector<double>(16, -1);
    Points many;
    for (int i = 0; i < cCalibrationResiduals::kMaxPinned + 1; ++i)
        many << point(20 + 10 * (i % 60), 20 + 10 * (i / 60), 1000 + i, 100 + i);
    QTest::newRow("more pinned than is cheap to check") << many << QVector<double>(many.size(), -1);
}

void TestPTZCalibrator::residuals()
{
    QFETCH(Points, points);
    QFETCH(QVector<double>, expected);
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.Set_points(points);
    const QVector<double> got = c.widget.Residuals();
    QCOMPARE(got.size(), points.size());
    if (expected.isEmpty()) {
        // The badly pinned point stands out; its neighbours, predicted
        // with it, less so; the points outside the others' mesh show none.
        QVERIFY2(qAbs(got.at(5) - 5.0) < 0.05, qPrintable(QString::number(got.at(5))));
        for (int i : {6, 9, 10})
            QVERIFY(got.at(i) >= 0 && got.at(i) < got.at(5));
        QCOMPARE(got.at(0), -1.0);
        return;
    }
    for (int i = 0; i < got.size(); ++i) {
        QVERIFY2(expected.at(i) < 0 ? got.at(i) < 0 : qAbs(got.at(i) - expected.at(i)) < 0.05,
                 qPrintable(QStringLiteral("point %1: %2").arg(i).arg(got.at(i))));
    }
}

void TestPTZCalibrator::advancedEditing()
{
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.slot_Set_point_action("0"); // add
    c.leftClick(QPoint(100, 100));
    c.leftClick(QPoint(104, 104)); // on the first point: nothing added
    c.leftClick(QPoint(200, 100));
    QCOMPARE(c.widget.Advanced_points().size(), 2);
    QCOMPARE(c.widget.Selected_index(), 1);
    QCOMPARE(c.widget.Advanced_points().at(1).state, 0);
    QCOMPARE(c.widget.Region_points(), (QVector<int>{2}));

    c.widget.slot_Set_point_action("2"); // remove
    QSignalSpy calibrated(&c.widget, &cPTZCalibrator::signal_Point_calibrated);
    c.leftClick(QPoint(100, 100));
    QCOMPARE(calibrated.size(), 1);
    QCOMPARE(calibrated.at(0).at(0).toInt(), -1);
    QCOMPARE(c.widget.Advanced_points().size(), 1);
    QCOMPARE(c.widget.Advanced_points().at(0).number, 0);
    QCOMPARE(c.widget.Advanced_points().at(0).x, 200);
    QCOMPARE(c.widget.Selected_index(), -1);
    QCOMPARE(c.widget.Region_points(), (QVector<int>{1}));
}

void TestPTZCalibrator::rightClickRequestsGoto_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("requested");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");
    // Points (100,100), (300,100) and (100,300): pan 10000 + 5x, tilt -2y;
    // (500,500) is not calibrated.
    QTest::newRow("on a calibrated point: its own values")
        << QPoint(303, 98) << true << QPoint(300, 100) << 11500 << -200;
    QTest::newRow("inside the triangle: interpolated")
        << QPoint(150, 150) << true << QPoint(150, 150) << 10750 << -300;
    QTest::newRow("on a point not calibrated: its position interpolated")
        << QPoint(500, 500) << true << QPoint(500, 500) << 11500 << -200;
}

void TestPTZCalibrator::rightClickRequestsGoto()
{
    QFETCH(QPoint, at);
    QFETCH(bool, requested);
    QFETCH(QPoint, position);
    QFETCH(int, pan);
    QFETCH(int, tilt);
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.Set_points({point(100, 100, 10500, -200), point(300, 100, 11500, -200),
                         point(100, 300, 10500, -600), point(500, 500, 0, 0, 0, 0)});
    QSignalSpy goto_(&c.widget, &cPTZCalibrator::signal_Goto_point_selected);
    c.rightClick(at);
    sCalibrationPoint request;
    QCOMPARE(c.widget.Get_right_click_point(&request), requested);
    QCOMPARE(goto_.size(), requested ? 1 : 0);
    if (!requested)
        return;
    QCOMPARE(QPoint(request.x, request.y), position);
    QCOMPARE(request.pan, pan);
    QCOMPARE(request.tilt, tilt);
    QVERIFY(!c.widget.Get_right_click_point(&request)); // taken once
}

void TestPTZCalibrator::loadAndStore_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("loaded"); // the first point
    QTest::addColumn<QStringList>("stored");
    const QString point0 = "Remap_point0.Pan = %1\nRemap_point0.Tilt = 5\nRemap_point0.X = 10\n"
                           "Remap_point0.Y = %2\nRemap_point0.Zone = 3\n";
    // Whole turns change no position: an unchanged calibration is not
    // written back, and the recorder is not told to rebuild its map.
    QTest::newRow("a pan past a full turn is stored as it was")
        << "Remap_type = 2\nRemap_poins = 1\n" + point0.arg(36123).arg(20) << 2
        << QStringList{"0: 10,20 123,5 zone 3"}
        << QStringList{"Remap_poins=1", "Remap_point0.Pan=36123", "Remap_point0.Y=20",
                       "Map_version="};
    QTest::newRow("the mode flag doubles Y and stores it halved")
        << "Remap_type = 2\nRemap_poins = 1\nNetViewer_mode = 1\n" + point0.arg(500).arg(100) << 2
        << QStringList{"0: 10,200 500,5 zone 3"}
        << QStringList{"Remap_point0.Y=100", "Remap_point0.Zone=3"};
    QTest::newRow("an unchanged calibration keeps its map version")
        << "Remap_type = 2\nRemap_poins = 1\nMap_version = 7\n" + point0.arg(500).arg(20) << 2
        << QStringList{"0: 10,20 500,5 zone 3"} << QStringList{"Map_version=7"};
    QTest::newRow("an unknown type keeps the current one")
        << "Remap_type = 3\nRemap_poins = 1\n" + point0.arg(500).arg(20) << 2
        << QStringList{"0: 10,20 500,5 zone 3"} << QStringList{"Remap_poins=1"};
    QTest::newRow("a nine-point grid")
        << "Remap_type = 1\nRemap_poins = 1\n" + point0.arg(36123).arg(20) << 1
        << QStringList{"0: 70,50 123,5 zone 0"} << QStringList{"Remap_poins=9", "Map_version=1"};
    QTest::newRow("a stored count far beyond any calibration")
        << "Remap_type = 2\nRemap_poins = 2000000000\n"
        << 2 << QStringList{"0: 0,0 0,0 zone 0"} << QStringList{"Remap_poins=4096"};
}

// Through a real settings file: what is stored reads back as the keys say.
void TestPTZCalibrator::loadAndStore()
{
    QFETCH(QString, section);
    QFETCH(int, type);
    QFETCH(QStringList, loaded);
    QFETCH(QStringList, stored);
    QTemporaryDir dir;
    const QString path = dir.filePath("streams.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("[cam]\n" + section).toUtf8());
    file.close();
    NBXSetup setup(QString{});
    setup.setFilePath("streams", path);
    Calibrator c(cPTZCalibrator::kAdvanced);
    c.widget.Load_points(setup, "streams/cam");
    QCOMPARE(c.widget.Calibration_type(), type);
    const Points points = c.widget.Get_points();
    QStringList got;
    for (const sCalibrationPoint& p : points.mid(0, 1)) {
        got << QStringLiteral("%1: %2,%3 %4,%5 zone %6")
                   .arg(p.number)
                   .arg(p.x)
                   .arg(p.y)
                   .arg(p.pan)
                   .arg(p.tilt)
                   .arg(p.zone);
    }
    QCOMPARE(got, loaded);
    c.widget.Store_points(setup, "streams/cam");
    for (const QString& expected : stored) {
        const QString name = expected.section('=', 0, 0);
        QCOMPARE(setup.value("streams/cam/" + name), expected.section('=', 1));
    }
}

// As a control of the dialog: loaded when built, stored again when a pin
// reports the change.
void TestPTZCalibrator::engineLoadsAndStores()
{
    SetupHarness h;
    h.source.setFilePath("streams",
                         h.write("streams.ini", "[cam]\nRemap_type = 2\nRemap_poins = 3\n"
                                                "Map_version = 4\n"
                                                "Remap_point0.Pan = 1000\nRemap_point0.X = 100\n"
                                                "Remap_point0.Y = 100\n"
                                                "Remap_point1.Pan = 2000\nRemap_point1.X = 300\n"
                                                "Remap_point1.Y = 100\n"
                                                "Remap_point2.Pan = 3000\nRemap_point2.X = 100\n"
                                                "Remap_point2.Y = 300\n"));
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><item type=\"gridlayout\">"
        "<item type=\"PTZCalibrator\" width=\"720\" height=\"576\" camera=\"2\"><cal/>"
        "<Camera_section>streams/cam</Camera_section></item>"
        "</item></tab></tabwidget>"));
    QVERIFY(h.errorTexts().isEmpty());
    auto* c = h.control<cPTZCalibrator>("cal");
    QVERIFY(c);
    QCOMPARE(c->camera, 2);
    QCOMPARE(c->size(), QSize(720, 576));
    QCOMPARE(c->Advanced_points().size(), 3);
    QCOMPARE(h.source.value("general/PTZCalibrator/Update"), QStringLiteral("0"));
    // Building the dialog stores nothing: the map version stays.
    QCOMPARE(h.source.value("streams/cam/Map_version"), QStringLiteral("4"));

    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(300, 100));
    c->slot_Set_PTZ_pos(point(0, 0, 2222, -50));
    c->slot_Pin_current_PTZ_pos();
    QCOMPARE(h.source.value("streams/cam/Remap_point1.Pan"), QStringLiteral("2222"));
    QCOMPARE(h.source.value("streams/cam/Remap_point1.Tilt"), QStringLiteral("-50"));
    QCOMPARE(h.source.value("streams/cam/Map_version"), QStringLiteral("5"));
}

QTEST_MAIN(TestPTZCalibrator)
#include "tst_cptzcalibrator.moc"
