// The calibration mesh: zones, triangulation, zone choice, interpolation and
// region outlines, against hand-made fixtures and synthetic ground truth.
#include "ptz/cadvancedcalibrator.h"
#include "ptz/calibrationmesh.h"
#include "ptz/cnode.h"
#include "ptz/ctriangle.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <functional>
#include <random>

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
using Field = std::function<double(double, double)>;

// A node at a picture position, as the mesh keeps it.
cNode node(int x, int y, int pan = 0, int tilt = 0, int zone = 0)
{
    return cNode(8 * x, 8 * y, pan, tilt, zone, 1);
}

QString position(const cNode& n)
{
    return QStringLiteral("%1,%2").arg(n.Node_get_x() / 8).arg(n.Node_get_y() / 8);
}

QString triangleKey(QStringList corners)
{
    corners.sort();
    return corners.join(' ');
}

// The mesh's triangles as a sorted list of sorted corner lists.
QStringList triangleSet(const cAdvancedCalibrator& mesh, int zone)
{
    QStringList out;
    for (const cTriangle& t : mesh.Triangles()) {
        if (t.Zone() == zone)
            out << triangleKey({position(t.Q0()), position(t.Q1()), position(t.Q2())});
    }
    out.sort();
    return out;
}

// Every triangle whose circumcircle holds no other point: the Delaunay
// triangulation of points in general position.
QStringList delaunay(const Points& p)
{
    QStringList out;
    const int n = p.size();
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            for (int c = b + 1; c < n; ++c) {
                const double ax = p[a].x, ay = p[a].y, bx = p[b].x, by = p[b].y;
                const double cx = p[c].x, cy = p[c].y;
                const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
                if (d == 0)
                    continue;
                const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
                const double ux = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
                const double uy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
                const double r2 = (ax - ux) * (ax - ux) + (ay - uy) * (ay - uy);
                bool empty = true;
                for (int k = 0; k < n && empty; ++k) {
                    const double dx = p[k].x - ux, dy = p[k].y - uy;
                    if (k != a && k != b && k != c && dx * dx + dy * dy < r2 * (1 - 1e-12))
                        empty = false;
                }
                if (empty) {
                    out << triangleKey({QStringLiteral("%1,%2").arg(p[a].x).arg(p[a].y),
                                        QStringLiteral("%1,%2").arg(p[b].x).arg(p[b].y),
                                        QStringLiteral("%1,%2").arg(p[c].x).arg(p[c].y)});
                }
            }
        }
    }
    out.sort();
    return out;
}

Points randomPoints(int count, unsigned seed, int zone = 0)
{
    std::mt19937 rng(seed);
    Points out;
    for (int i = 0; i < count; ++i) {
        const int x = int(rng() % 720);
        const int y = int(rng() % 576);
        out << point(x, y, 1000 + i, i, zone);
    }
    return out;
}

// The chain of zone lists as "zone: x,y x,y ..." in chain order.
QStringList chain(const cAdvancedCalibrator& mesh)
{
    QStringList out;
    for (const qvNode_List* list = &mesh.Zones(); list; list = list->Next()) {
        if (list->isEmpty())
            continue;
        QStringList nodes;
        for (const cNode& n : list->Nodes())
            nodes << position(n);
        out << QStringLiteral("%1: %2")
                   .arg(list->Nodes().first().Node_get_zone())
                   .arg(nodes.join(' '));
    }
    return out;
}

// A fixed camera beside the PTZ camera: pan and tilt (hundredths of a
// degree) of the direction through a picture pixel, focal length 600 px.
const Field kCameraPan = [](double x, double) {
    return 20000 + std::atan2(x - 360, 600) * 18000 / M_PI;
};
const Field kCameraTilt = [](double x, double y) {
    return -std::atan2(y - 288, std::hypot(600.0, x - 360)) * 18000 / M_PI;
};
const Field kAffinePan = [](double x, double y) { return 10000 + 3 * x + 2 * y; };
const Field kAffineTilt = [](double x, double y) { return -500 + x - 4 * y; };

// A 6 x 5 grid over the whole picture, inner points moved off the grid so
// that no four of them share a circle.
Points gridSamples(const Field& pan, const Field& tilt)
{
    Points out;
    const int xs[] = {0, 150, 290, 430, 580, 719};
    const int ys[] = {0, 140, 290, 430, 575};
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            const bool inner = i > 0 && i < 5 && j > 0 && j < 4;
            const int x = xs[i] + (inner ? (i * 7 + j * 13) % 23 - 11 : 0);
            const int y = ys[j] + (inner ? (i * 11 + j * 5) % 19 - 9 : 0);
            out << point(x, y, int(std::lround(pan(x, y))), int(std::lround(tilt(x, y))));
        }
    }
    return out;
}

struct Answer
{
    bool ok = false;
    int pan = 0;
    int tilt = 0;
};

Answer ask(const cAdvancedCalibrator& mesh, int x, int y)
{
    Answer a;
    a.ok = mesh.Calc_pan_tilt(x, y, &a.pan, &a.tilt);
    return a;
}

} // namespace

Q_DECLARE_METATYPE(Points)
Q_DECLARE_METATYPE(QVector<cNode>)
Q_DECLARE_METATYPE(Field)

class TestAdvancedCalibrator : public QObject
{
    Q_OBJECT

private slots:
    void classify_data();
    void classify();
    void nodesFromPoints_data();
    void nodesFromPoints();
    void calcPanTilt_data();
    void calcPanTilt();
    void triangulationIsDelaunay_data();
    void triangulationIsDelaunay();
    void laterZoneMeshedInFull();
    void groundTruthInsideHull_data();
    void groundTruthInsideHull();
    void makeBorder_data();
    void makeBorder();
    void pictureCornersFitTheArithmetic();
    void degenerateTriangle_data();
    void degenerateTriangle();
    void extremeCoordinatesEnd();
};

void TestAdvancedCalibrator::classify_data()
{
    QTest::addColumn<cNode>("p");
    QTest::addColumn<int>("expected");
    // Against the segment (0,0) -> (100,0) in eighths; y grows downwards.
    QTest::newRow("clearly left (above)") << cNode(50, -10) << int(cNode::Left);
    QTest::newRow("clearly right (below)") << cNode(50, 10) << int(cNode::Right);
    QTest::newRow("off the line by the tolerance counts as on it")
        << cNode(50, 5) << int(cNode::Between);
    QTest::newRow("just past the tolerance") << cNode(50, 6) << int(cNode::Right);
    QTest::newRow("behind the start") << cNode(-20, 0) << int(cNode::Behind);
    QTest::newRow("beyond the end") << cNode(120, 0) << int(cNode::Beyond);
    QTest::newRow("the start node") << cNode(0, 0) << int(cNode::Origin);
    QTest::newRow("the end node") << cNode(100, 0) << int(cNode::Destination);
    QTest::newRow("between") << cNode(30, 0) << int(cNode::Between);
    QTest::newRow("at the start with another pan")
        << cNode(0, 0, 5, 0, 0, 0) << int(cNode::Between);
}

void TestAdvancedCalibrator::classify()
{
    QFETCH(cNode, p);
    QFETCH(int, expected);
    QCOMPARE(p.classify(cNode(0, 0), cNode(100, 0)), expected);
}

void TestAdvancedCalibrator::nodesFromPoints_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one calibrated point")
        << Points{point(10, 10, 100, 0), point(20, 20, 0, 0, 0, 0)} << QStringList{"0: 10,10"};
    QTest::newRow("points not calibrated never become nodes")
        << Points{point(10, 10, 100, 0, 0, 0), point(20, 20, 200, 0), point(30, 30, 300, 0, 0, 0),
                  point(40, 40, 400, 0)}
        << QStringList{"0: 20,20 40,40"};
    QTest::newRow("a calibrated last point alone is dropped")
        << Points{point(10, 10, 100, 0, 0, 0), point(20, 20, 200, 0, 0, 0), point(30, 30, 300, 0)}
        << QStringList{};
    QTest::newRow("sorted by x + y, equal sums in arrival order")
        << Points{point(50, 50, 1, 0), point(10, 30, 2, 0), point(30, 10, 3, 0),
                  point(20, 20, 4, 0), point(0, 0, 5, 0)}
        << QStringList{"0: 0,0 10,30 30,10 20,20 50,50"};
    QTest::newRow("new zones go right after the first")
        << Points{point(10, 10, 1, 0, 5), point(20, 20, 2, 0, 1), point(30, 30, 3, 0, 2),
                  point(40, 40, 4, 0, 1), point(50, 50, 5, 0, 5)}
        << QStringList{"5: 10,10 50,50", "2: 30,30", "1: 20,20 40,40"};
}

void TestAdvancedCalibrator::nodesFromPoints()
{
    QFETCH(Points, points);
    QFETCH(QStringList, expected);
    cAdvancedCalibrator mesh;
    mesh.Init(points);
    QCOMPARE(chain(mesh), expected);
}

void TestAdvancedCalibrator::calcPanTilt_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");
    // pan = 10000 + 3x + 2y and tilt = -500 + x - 4y at the corners.
    const Points triangle{point(100, 100, 10500, -800), point(300, 100, 11100, -600),
                          point(100, 400, 11100, -2000)};
    QTest::newRow("one calibrated point: no answer")
        << Points{point(100, 100, 5000, 300), point(0, 0, 0, 0, 0, 0)} << QPoint(100, 100) << false
        << 0 << 0;
    QTest::newRow("three points, inside: linear")
        << triangle << QPoint(150, 200) << true << 10850 << -1150;
    QTest::newRow("three points, on an edge: linear")
        << triangle << QPoint(200, 100) << true << 10800 << -700;
    QTest::newRow("three points, outside: nearest node")
        << triangle << QPoint(320, 380) << true << 11100 << -2000;
    QTest::newRow("points not calibrated take no part")
        << Points{point(100, 100, 10500, -800), point(200, 200, 1, 1, 0, 0),
                  point(300, 100, 11100, -600), point(100, 400, 11100, -2000)}
        << QPoint(150, 200) << true << 10850 << -1150;
    QTest::newRow("a negative value rounds to nearest like a positive one")
        << Points{point(0, 0, 9000, -5), point(100, 0, 9000, -5), point(0, 100, 9000, -5)}
        << QPoint(20, 20) << true << 9000 << -5;
    QTest::newRow("an interpolated pan of 0 takes the nearest node")
        << Points{point(0, 0, -100, 7), point(100, 0, 300, 8), point(0, 100, -100, 9)}
        << QPoint(25, 10) << true << -100 << 7;
    QTest::newRow("three points on one line: nearest node")
        << Points{point(0, 0, 1000, 1), point(100, 0, 2000, 2), point(200, 0, 3000, 3)}
        << QPoint(90, 40) << true << 2000 << 2;
    // Region 1's rectangle holds the point though region 2's triangle
    // lies nearer than any of region 1's: region 1's nearest node answers.
    QTest::newRow("inside region 1's rectangle, region 2's triangle nearer")
        << Points{point(0, 0, 1000, 10, 1),     point(200, 0, 2000, 20, 1),
                  point(0, 200, 3000, 30, 1),   point(210, 150, 7000, 70, 2),
                  point(300, 150, 8000, 80, 2), point(210, 250, 9000, 90, 2)}
        << QPoint(190, 170) << true << 2000 << 20;
    // 10 px past region 1's corner is nearer than 30 px beside region 2.
    QTest::newRow("a corner counts by its plain distance")
        << Points{point(0, 0, 1000, 10, 1),    point(100, 0, 2000, 20, 1),
                  point(0, 100, 3000, 30, 1),  point(100, 100, 4000, 40, 1),
                  point(140, 0, 7000, 70, 2),  point(240, 0, 8000, 80, 2),
                  point(140, 300, 9000, 90, 2)}
        << QPoint(110, 110) << true << 4000 << 40;
}

void TestAdvancedCalibrator::calcPanTilt()
{
    QFETCH(Points, points);
    QFETCH(QPoint, at);
    QFETCH(bool, ok);
    QFETCH(int, pan);
    QFETCH(int, tilt);
    cAdvancedCalibrator mesh;
    mesh.Init(points);
    const Answer a = ask(mesh, at.x(), at.y());
    QCOMPARE(a.ok, ok);
    if (!ok)
        return;
    QCOMPARE(a.pan, pan);
    QCOMPARE(a.tilt, tilt);
}

void TestAdvancedCalibrator::triangulationIsDelaunay_data()
{
    QTest::addColumn<Points>("points");
    QTest::newRow("three points") << Points{point(10, 10, 1, 1), point(300, 40, 2, 2),
                                            point(100, 500, 3, 3)};
    QTest::newRow("picture corners and centre")
        << Points{point(0, 0, 1, 1), point(719, 0, 2, 2), point(0, 575, 3, 3),
                  point(719, 575, 4, 4), point(360, 288, 5, 5)};
    for (unsigned seed : {1u, 2u, 3u})
        QTest::addRow("10 random points, seed %u", seed) << randomPoints(10, seed);
    for (unsigned seed : {4u, 5u})
        QTest::addRow("20 random points, seed %u", seed) << randomPoints(20, seed);
    // Here the front reaches edges whose far side is meshed already; laying
    // those triangles again used up the triangle bound and left holes.
    QTest::newRow("40 points the front reaches twice") << randomPoints(40, 45);
}

void TestAdvancedCalibrator::triangulationIsDelaunay()
{
    QFETCH(Points, points);
    cAdvancedCalibrator mesh;
    mesh.Init(points);
    QCOMPARE(triangleSet(mesh, 0), delaunay(points));
}

// The triangle bound of a zone counts that zone's triangles only.
void TestAdvancedCalibrator::laterZoneMeshedInFull()
{
    const Points big = randomPoints(20, 5, 0);
    const Points small{point(400, 300, 1, 1, 1), point(500, 280, 2, 2, 1), point(560, 350, 3, 3, 1),
                       point(520, 450, 4, 4, 1), point(420, 460, 5, 5, 1), point(380, 380, 6, 6, 1),
                       point(470, 370, 7, 7, 1)};
    cAdvancedCalibrator mesh;
    mesh.Init(big + small);
    QCOMPARE(triangleSet(mesh, 0), delaunay(big));
    QCOMPARE(triangleSet(mesh, 1), delaunay(small));
}

void TestAdvancedCalibrator::groundTruthInsideHull_data()
{
    QTest::addColumn<QVariant>("pan");
    QTest::addColumn<QVariant>("tilt");
    QTest::addColumn<int>("tolerance");
    // Linear inside each triangle: exact.
    QTest::newRow("affine mapping")
        << QVariant::fromValue(kAffinePan) << QVariant::fromValue(kAffineTilt) << 0;
    // Grid steps of about 140 px over a 62 degree wide view: within half a
    // degree.
    QTest::newRow("camera geometry")
        << QVariant::fromValue(kCameraPan) << QVariant::fromValue(kCameraTilt) << 50;
}

void TestAdvancedCalibrator::groundTruthInsideHull()
{
    QFETCH(QVariant, pan);
    QFETCH(QVariant, tilt);
    QFETCH(int, tolerance);
    const Field panOf = pan.value<Field>();
    const Field tiltOf = tilt.value<Field>();
    cAdvancedCalibrator mesh;
    mesh.Init(gridSamples(panOf, tiltOf));
    std::mt19937 rng(99);
    double worst = 0;
    for (int i = 0; i < 300; ++i) {
        const int x = 1 + int(rng() % 718);
        const int y = 1 + int(rng() % 574);
        const Answer a = ask(mesh, x, y);
        QVERIFY(a.ok);
        worst = std::max({worst, std::abs(a.pan - panOf(x, y)), std::abs(a.tilt - tiltOf(x, y))});
        if (worst > tolerance + 0.5)
            QFAIL(qPrintable(QStringLiteral("at %1,%2: %3,%4 instead of %5,%6")
                                 .arg(x)
                                 .arg(y)
                                 .arg(a.pan)
                                 .arg(a.tilt)
                                 .arg(panOf(x, y))
                                 .arg(tiltOf(x, y))));
    }
    qInfo("largest error %.2f hundredths of a degree", worst);
}

void TestAdvancedCalibrator::makeBorder_data()
{
    QTest::addColumn<QVector<cNode>>("nodes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("square with a node inside")
        << QVector<cNode>{node(0, 0), node(100, 0), node(50, 50), node(100, 100), node(0, 100)}
        << QStringList{"0,0", "100,0", "100,100", "0,100"};
    QTest::newRow("two nodes at one position")
        << QVector<cNode>{node(0, 0, 1), node(100, 0, 1), node(100, 100, 1), node(100, 100, 2),
                          node(0, 100, 1)}
        << QStringList{"0,0", "100,0", "100,100", "0,100"};
    QTest::newRow("the start's position twice")
        << QVector<cNode>{node(0, 0, 1), node(0, 0, 2), node(100, 0), node(100, 100), node(0, 100)}
        << QStringList{"0,0", "100,0", "100,100", "0,100"};
    QTest::newRow("nodes on one line")
        << QVector<cNode>{node(41, 0), node(31, 0), node(57, 0), node(10, 0), node(52, 0)}
        << QStringList{"10,0", "31,0", "41,0", "52,0", "57,0"};
    QTest::newRow("nodes within the line tolerance")
        << QVector<cNode>{node(36, 0), node(35, 0), node(28, 1)}
        << QStringList{"28,1", "35,0", "36,0"};
    QTest::newRow("all at one position")
        << QVector<cNode>{node(5, 5, 1), node(5, 5, 2), node(5, 5, 3)} << QStringList{"5,5"};
    QTest::newRow("one node") << QVector<cNode>{node(5, 5)} << QStringList{"5,5"};
    QTest::newRow("no nodes") << QVector<cNode>{} << QStringList{};
}

void TestAdvancedCalibrator::makeBorder()
{
    QFETCH(QVector<cNode>, nodes);
    QFETCH(QStringList, expected);
    QStringList outline;
    for (const cNode& n : Make_Border(nodes))
        outline << position(n);
    QCOMPARE(outline, expected);
}

// Corners of a 720 x 576 picture: the circumcentre's products pass 32 bits.
void TestAdvancedCalibrator::pictureCornersFitTheArithmetic()
{
    const cTriangle t(node(0, 0), node(719, 0), node(0, 575), 0);
    const auto exact = [](qint64 x, qint64 y) {
        const qint64 cx = 719 * 4, cy = 575 * 4; // the hypotenuse's midpoint
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) - (cx * cx + cy * cy);
    };
    QCOMPARE(t.Triangle_Check_Delone(node(719, 575)), qint64(0));
    QCOMPARE(t.Triangle_Check_Delone(node(360, 288)), exact(360 * 8, 288 * 8));
    QCOMPARE(t.Triangle_Check_Delone(node(800, 700)), exact(800 * 8, 700 * 8));

    Points corners;
    for (QPoint p : {QPoint(0, 0), QPoint(719, 0), QPoint(0, 575), QPoint(719, 575)})
        corners << point(p.x(), p.y(), int(kAffinePan(p.x(), p.y())),
                         int(kAffineTilt(p.x(), p.y())));
    cAdvancedCalibrator mesh;
    mesh.Init(corners);
    QCOMPARE(mesh.Triangles().size(), 2);
    for (QPoint p : {QPoint(719, 575), QPoint(0, 575), QPoint(360, 288), QPoint(700, 20)}) {
        const Answer a = ask(mesh, p.x(), p.y());
        QCOMPARE(a.pan, int(kAffinePan(p.x(), p.y())));
        QCOMPARE(a.tilt, int(kAffineTilt(p.x(), p.y())));
    }
}

void TestAdvancedCalibrator::degenerateTriangle_data()
{
    QTest::addColumn<cTriangle>("triangle");
    QTest::newRow("third vertex between the others")
        << cTriangle(node(0, 0, 1, 1), node(100, 0, 2, 2), node(50, 0, 3, 3), 0);
    QTest::newRow("third vertex at the first's position")
        << cTriangle(node(0, 0, 1, 1), node(100, 0, 2, 2), node(0, 0, 3, 3), 0);
    QTest::newRow("first two at one position")
        << cTriangle(node(0, 0, 1, 1), node(0, 0, 2, 2), node(50, 50, 3, 3), 0);
    QTest::newRow("one node twice")
        << cTriangle(node(0, 0, 1, 1), node(0, 0, 1, 1), node(50, 50, 3, 3), 0);
    QTest::newRow("third vertex beyond")
        << cTriangle(node(0, 0, 1, 1), node(100, 0, 2, 2), node(200, 0, 3, 3), 0);
}

// No circumcircle and no interpolation: a defined answer, never a division
// by zero.
void TestAdvancedCalibrator::degenerateTriangle()
{
    QFETCH(cTriangle, triangle);
    const cNode probe = node(30, 20);
    QCOMPARE(triangle.Triangle_Check_Delone(probe), cTriangle::kDegenerate);
    QVERIFY(!triangle.Triangle_Check_Delone(
        QVector<cNode>{triangle.Q0(), triangle.Q1(), triangle.Q2(), probe}));
    cNode p = node(20, 0, 77, 88);
    QVERIFY(!triangle.Calc_Pan_Tilt(p));
    QCOMPARE(p.Node_get_pan(), 77);
    QCOMPARE(p.Node_get_tilt(), 88);
}

// Stored points may hold any value: coordinates are held at the limit, and
// values interpolate between the vertices' without overflow.
void TestAdvancedCalibrator::extremeCoordinatesEnd()
{
    QCOMPARE(cNode(INT_MAX, INT_MIN).Node_get_x(), cNode::kCoordinateLimit);
    QCOMPARE(cNode(INT_MAX, INT_MIN).Node_get_y(), -cNode::kCoordinateLimit);

    const Points wide{point(0, 0, INT_MIN, INT_MAX), point(INT_MAX, 0, INT_MAX, INT_MIN),
                      point(0, INT_MAX, 0, 0),       point(INT_MIN, INT_MIN, 5, 5, 3),
                      point(INT_MIN, 0, 6, 6, 3),    point(0, INT_MIN, 7, 7, 3)};
    cAdvancedCalibrator mesh;
    mesh.Init(wide);
    QCOMPARE(mesh.Squares().size(), 2);
    for (QPoint p : {QPoint(1000, 1000), QPoint(INT_MAX, INT_MAX), QPoint(INT_MIN, INT_MIN),
                     QPoint(INT_MAX, INT_MIN)})
        QVERIFY(ask(mesh, p.x(), p.y()).ok);
    const Answer inside = ask(mesh, 100000, 100000);
    QVERIFY(inside.pan != INT_MIN && inside.pan != INT_MAX); // a true blend, not clamped
}

QTEST_GUILESS_MAIN(TestAdvancedCalibrator)
#include "tst_advancedcalibrator.moc"
