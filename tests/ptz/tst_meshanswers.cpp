// The mesh's zones, triangles (in the order built), rectangles and answers
// for a table of point sets, recorded from the plain construction that scans
// every node for every edge. Any faster construction must reproduce them
// exactly: a changed digest means a changed result somewhere.
#include "ptz/cadvancedcalibrator.h"

#include <QCryptographicHash>
#include <QtTest>

#include <functional>

namespace {

using Points = QVector<sCalibrationPoint>;

// A fixed linear congruential sequence, so the point sets are the same with
// every standard library.
class Sequence
{
public:
    explicit Sequence(quint32 seed) : m_state(seed) {}
    int below(int bound)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return int((m_state >> 8) % quint32(bound));
    }

private:
    quint32 m_state;
};

sCalibrationPoint point(int x, int y, int zone = 0, int state = 1)
{
    sCalibrationPoint p;
    p.x = x;
    p.y = y;
    // A smooth field with a wrinkle, so interpolation depends on the triangle.
    p.pan = 18000 + 9 * x + y / 3 + (x * y) % 17;
    p.tilt = -5 * y + x / 7 - (x + 3 * y) % 11;
    p.zone = zone;
    p.state = state;
    return p;
}

Points scattered(int count, quint32 seed, int zone = 0)
{
    Sequence s(seed);
    Points out;
    for (int i = 0; i < count; ++i) {
        const int x = s.below(720);
        out << point(x, s.below(576), zone);
    }
    return out;
}

Points grid(int columns, int rows, int step, int x0 = 20, int y0 = 20)
{
    Points out;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i)
            out << point(x0 + i * step, y0 + j * step);
    }
    return out;
}

Points joined(Points a, const Points& b)
{
    a += b;
    return a;
}

// Runs of points on a few lines (horizontal, vertical, diagonal, and one
// steep enough that neighbours sit inside the line tolerance) with scattered
// points between them.
Points collinearRuns()
{
    Points out;
    for (int i = 0; i < 30; ++i) {
        out << point(30 + 20 * i, 100) << point(400, 40 + 17 * i) << point(50 + 15 * i, 60 + 15 * i)
            << point(600 + i / 3, 50 + 16 * i);
    }
    return joined(out, scattered(40, 77));
}

Points duplicates()
{
    Points base = scattered(60, 5);
    Points out = base;
    for (int i = 0; i < base.size(); i += 4)
        out << base.at(i); // the same point twice
    for (int i = 1; i < base.size(); i += 6) {
        sCalibrationPoint moved = base.at(i);
        moved.pan += 250; // the same position with another direction
        out << moved;
    }
    return out;
}

Points zones()
{
    Points out;
    const Points a = scattered(80, 11, 3);
    const Points b = scattered(50, 12, 1);
    const Points c = scattered(3, 13, 7);
    for (int i = 0; i < 80; ++i) {
        out << a.at(i);
        if (i < b.size())
            out << b.at(i);
        if (i < c.size())
            out << c.at(i);
    }
    Points overlapping = grid(5, 5, 40, 300, 200);
    for (sCalibrationPoint& p : overlapping)
        p.zone = 9;
    return joined(out, overlapping);
}

// Some points not calibrated, including the first and the last.
Points partlyCalibrated()
{
    Points out = scattered(70, 21);
    for (int i = 0; i < out.size(); i += 3)
        out[i].state = 0;
    out.last().state = 0;
    return out;
}

// Points closer to each other than the line and circle tolerances.
Points clustered()
{
    Sequence s(31);
    Points out;
    for (int c = 0; c < 6; ++c) {
        const int cx = 60 + s.below(600);
        const int cy = 60 + s.below(450);
        for (int i = 0; i < 12; ++i)
            out << point(cx + s.below(13), cy + s.below(13));
    }
    return out;
}

void add(QCryptographicHash& h, const cNode& n)
{
    h.addData(QByteArray::number(n.Node_get_x()) + ',' + QByteArray::number(n.Node_get_y()) + ',' +
              QByteArray::number(n.Node_get_pan()) + ',' + QByteArray::number(n.Node_get_tilt()) +
              ',' + QByteArray::number(n.Node_get_zone()) + ';');
}

QByteArray digest(const std::function<void(QCryptographicHash&)>& fill)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    fill(h);
    return h.result().toHex().left(16);
}

QByteArray zonesDigest(const cAdvancedCalibrator& mesh)
{
    return digest([&](QCryptographicHash& h) {
        for (const qvNode_List* list = &mesh.Zones(); list; list = list->Next()) {
            for (const cNode& n : list->Nodes())
                add(h, n);
            h.addData("|");
        }
    });
}

QByteArray trianglesDigest(const cAdvancedCalibrator& mesh)
{
    return digest([&](QCryptographicHash& h) {
        for (const cTriangle& t : mesh.Triangles()) {
            add(h, t.Q0());
            add(h, t.Q1());
            add(h, t.Q2());
            h.addData(QByteArray::number(t.Zone()) + '|');
        }
    });
}

QByteArray squaresDigest(const cAdvancedCalibrator& mesh)
{
    return digest([&](QCryptographicHash& h) {
        for (const sSquare& s : mesh.Squares()) {
            add(h, s.top_left);
            add(h, s.bottom_right);
            add(h, s.centre);
        }
    });
}

// Answers on a lattice over the picture and a margin around it.
QByteArray answersDigest(const cAdvancedCalibrator& mesh)
{
    return digest([&](QCryptographicHash& h) {
        for (int y = -30; y < 610; y += 11) {
            for (int x = -40; x < 760; x += 13) {
                int pan = 0;
                int tilt = 0;
                const bool ok = mesh.Calc_pan_tilt(x, y, &pan, &tilt);
                h.addData(QByteArray::number(ok) + ',' + QByteArray::number(pan) + ',' +
                          QByteArray::number(tilt) + ';');
            }
        }
    });
}

struct Recorded
{
    int triangles;
    QByteArray zones;
    QByteArray mesh;
    QByteArray squares;
    QByteArray answers;
};

} // namespace

Q_DECLARE_METATYPE(Points)
Q_DECLARE_METATYPE(Recorded)

class TestMeshAnswers : public QObject
{
    Q_OBJECT

private slots:
    void sameAsRecorded_data();
    void sameAsRecorded();
};

void TestMeshAnswers::sameAsRecorded_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<Recorded>("recorded");
    const auto row = [](const char* name, const Points& points, const Recorded& r) {
        QTest::newRow(name) << points << r;
    };
    row("two points", scattered(2, 1),
        {0, "5729876cc5c2cbd1", "da39a3ee5e6b4b0d", "da39a3ee5e6b4b0d", "239e573c928632b0"});
    row("three points", scattered(3, 1),
        {1, "692af102524fa284", "15706544721244b9", "50ded5b5d9bddd7d", "58429c4f93837281"});
    row("general position 40", scattered(40, 2),
        {69, "0930984b5adf0bd0", "4c57b88ad73f755d", "2328ec2e86b12068", "c47d1de6620f926f"});
    row("general position 300", scattered(300, 3),
        {580, "1e856938241a56bd", "9d451af2129ad1f4", "6d5e4b690b60688f", "5f8ddab276b6e6c3"});
    row("general position 1000", scattered(1000, 4),
        {1970, "c6f80425d0f12ca7", "c9f2440fb33e33ea", "4aa3403f8c51460b", "b2e896875e4d2baa"});
    row("grid 8 x 6", grid(8, 6, 60),
        {70, "1b8ab2afe38e7893", "17b89ea18512cb52", "22ee8aff91ee370d", "8ce06f89a257122e"});
    row("grid 20 x 15", grid(20, 15, 30),
        {532, "d04e58558771b088", "618eea3699c6b459", "b86a1ddfbc784e64", "16e91c1b5e2655cb"});
    row("grid with scattered points", joined(grid(10, 8, 55), scattered(30, 8)),
        {209, "77ba0134c7d90c84", "0750b6ba9b60fc94", "d87687aee045ba5e", "287ef5b67de43264"});
    row("one line", grid(40, 1, 15),
        {0, "d3f20db27bd54428", "da39a3ee5e6b4b0d", "be62ae6c36bc4926", "82c319568e522dc7"});
    row("collinear runs", collinearRuns(),
        {309, "daf6758cde0f767d", "8bd514cc95dc8700", "e0e6771ba91d2ef0", "17842b226569dd25"});
    row("duplicates", duplicates(),
        {106, "f55f2cc33d54efc2", "f3b07532ec7f0395", "e785f9737a1bcf0e", "fec0bf19ad3bfbb3"});
    row("several zones", zones(),
        {265, "e63ebbe0d0011093", "a8eba2335c1ec3b4", "1960e2ec829f8caf", "1a2a5b2bb1a02076"});
    row("partly calibrated", partlyCalibrated(),
        {79, "ba64dcf0facf40f2", "ff4d79a64e8abbe4", "34e719267bfd99ce", "5e8ee167bf9603ea"});
    row("clustered", clustered(),
        {1, "3433c84674dfde29", "d57d3e76f7d90605", "de14b41a36dadf45", "bd826955adacdd57"});
}

void TestMeshAnswers::sameAsRecorded()
{
    QFETCH(Points, points);
    QFETCH(Recorded, recorded);
    cAdvancedCalibrator mesh;
    mesh.Init(points);
    QCOMPARE(mesh.Triangles().size(), recorded.triangles);
    QCOMPARE(zonesDigest(mesh), recorded.zones);
    QCOMPARE(trianglesDigest(mesh), recorded.mesh);
    QCOMPARE(squaresDigest(mesh), recorded.squares);
    QCOMPARE(answersDigest(mesh), recorded.answers);
}

QTEST_GUILESS_MAIN(TestMeshAnswers)
#include "tst_meshanswers.moc"
