#include "stereorig.h"

#include <cmath>
#include <limits>

namespace {

using Matrix = StereoRig::Matrix;
using Vector = StereoRig::Vector;

constexpr double kPi = 3.14159265358979323846;
// Samples per pixel along each axis; enough for corners good to a tenth
// of a pixel.
constexpr int kSamples = 4;
constexpr uchar kBlack = 30;
constexpr uchar kWhite = 220;
constexpr uchar kBackground = 110;
// Baseline between the camera centres, in board squares.
constexpr double kBaseline = 2.0;

double rad(double degrees)
{
    return degrees * kPi / 180.0;
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k)
                m[r * 3 + c] += a[r * 3 + k] * b[k * 3 + c];
        }
    }
    return m;
}

Vector times(const Matrix& m, const Vector& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

// Rotations about x, then y, then z, in degrees.
Matrix rotation(double ax, double ay, double az)
{
    const double cx = std::cos(rad(ax)), sx = std::sin(rad(ax));
    const double cy = std::cos(rad(ay)), sy = std::sin(rad(ay));
    const double cz = std::cos(rad(az)), sz = std::sin(rad(az));
    const Matrix x{1, 0, 0, 0, cx, -sx, 0, sx, cx};
    const Matrix y{cy, 0, sy, 0, 1, 0, -sy, 0, cy};
    const Matrix z{cz, -sz, 0, sz, cz, 0, 0, 0, 1};
    return multiply(z, multiply(y, x));
}

bool invert(const Matrix& m, Matrix& out)
{
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (std::fabs(det) < 1e-12)
        return false;
    out = {(m[4] * m[8] - m[5] * m[7]) / det, (m[2] * m[7] - m[1] * m[8]) / det,
           (m[1] * m[5] - m[2] * m[4]) / det, (m[5] * m[6] - m[3] * m[8]) / det,
           (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
           (m[3] * m[7] - m[4] * m[6]) / det, (m[1] * m[6] - m[0] * m[7]) / det,
           (m[0] * m[4] - m[1] * m[3]) / det};
    return true;
}

// A board pose: tilted by the angles, its centre at (x, y, z) of the left
// camera, shifted half the baseline so both cameras see it.
StereoRig::Pose boardPose(double ax, double ay, double az, double x, double y, double z)
{
    const Matrix r = rotation(ax, ay, az);
    const Vector centre{(StereoRig::kCornersRow - 1) / 2.0, (StereoRig::kCornersColumn - 1) / 2.0,
                        0};
    const Vector turned = times(r, centre);
    return {r, {x + kBaseline / 2 - turned[0], y - turned[1], z - turned[2]}};
}

uchar boardShade(double u, double v)
{
    const double left = -1, top = -1;
    const double right = StereoRig::kCornersRow, bottom = StereoRig::kCornersColumn;
    if (u < left - 1 || u >= right + 1 || v < top - 1 || v >= bottom + 1)
        return kBackground;
    if (u < left || u >= right || v < top || v >= bottom)
        return kWhite;
    const long parity = long(std::floor(u)) + long(std::floor(v));
    return (parity & 1) ? kWhite : kBlack;
}

} // namespace

StereoRig::StereoRig()
{
    m_cameras[0] = {600, 322, 238, -0.12, 0.05};
    m_cameras[1] = {600, 316, 244, -0.09, 0.03};
    const Matrix turn = rotation(0.6, -1.2, 0.8);
    const Vector centre{kBaseline, 0, 0};
    const Vector moved = times(turn, centre);
    m_toRight = {turn, {-moved[0], -moved[1], -moved[2]}};
    // Varied tilts and places, as a person waving a board would give them.
    const double poses[kPoses][6] = {
        {0, 0, 0, 0, 0, 18},           {20, 0, 3, 0, 0.5, 19},     {-20, 5, -4, 0.5, -0.5, 18},
        {0, 22, 2, -1, 0, 19},         {5, -22, -3, 1, 0.3, 18},   {15, 15, 6, -0.5, 0.6, 20},
        {-15, -15, -6, 0.8, -0.4, 17}, {25, -10, 0, 0, 0, 20},     {-25, 12, 5, -0.6, 0.2, 19},
        {10, 25, -8, -1.2, -0.3, 21},  {-8, -25, 8, 1.2, 0.5, 20}, {0, 10, 10, 0.3, -0.8, 22},
    };
    for (const auto& p : poses)
        m_poses.append(boardPose(p[0], p[1], p[2], p[3], p[4], p[5]));
    m_heldBack = boardPose(12, -18, 4, 0.4, 0.4, 19);
    prepareRays();
}

void StereoRig::prepareRays()
{
    for (int camera = 0; camera < 2; ++camera) {
        const Camera& c = m_cameras[camera];
        QVector<float>& rays = m_rays[camera];
        rays.resize(2 * (kWidth + 1) * (kHeight + 1));
        for (int v = 0; v <= kHeight; ++v) {
            for (int u = 0; u <= kWidth; ++u) {
                // Pixel (0, 0) covers -0.5 to 0.5: its corner is at -0.5.
                const double xd = (u - 0.5 - c.cx) / c.focal;
                const double yd = (v - 0.5 - c.cy) / c.focal;
                double x = xd, y = yd;
                for (int i = 0; i < 20; ++i) {
                    const double r2 = x * x + y * y;
                    const double d = 1 + c.k1 * r2 + c.k2 * r2 * r2;
                    x = xd / d;
                    y = yd / d;
                }
                const int at = 2 * (v * (kWidth + 1) + u);
                rays[at] = float(x);
                rays[at + 1] = float(y);
            }
        }
    }
}

const StereoRig::Pose& StereoRig::pose(int index) const
{
    return index == kHeldBack ? m_heldBack : m_poses.at(index);
}

void StereoRig::pair(int index, QByteArray& left, QByteArray& right)
{
    auto it = m_cache.find(index);
    if (it == m_cache.end())
        it = m_cache.insert(index, {render(index, 0), render(index, 1)});
    left = it.value()[0];
    right = it.value()[1];
}

void StereoRig::heldBackPair(QByteArray& left, QByteArray& right)
{
    pair(kHeldBack, left, right);
}

StereoRig::Vector StereoRig::toCamera(int index, int camera, const Vector& board) const
{
    const Pose& p = pose(index);
    Vector v = times(p.rotation, board);
    for (int k = 0; k < 3; ++k)
        v[k] += p.translation[k];
    if (camera == 1) {
        v = times(m_toRight.rotation, v);
        for (int k = 0; k < 3; ++k)
            v[k] += m_toRight.translation[k];
    }
    return v;
}

QPointF StereoRig::project(int camera, const Vector& point) const
{
    const Camera& c = m_cameras[camera];
    const double x = point[0] / point[2];
    const double y = point[1] / point[2];
    const double r2 = x * x + y * y;
    const double d = 1 + c.k1 * r2 + c.k2 * r2 * r2;
    return QPointF(c.focal * x * d + c.cx, c.focal * y * d + c.cy);
}

QList<QPointF> StereoRig::corners(int index, int camera) const
{
    QList<QPointF> out;
    for (int i = 0; i < kCornersColumn; ++i) {
        for (int j = 0; j < kCornersRow; ++j)
            out.append(project(camera, toCamera(index, camera, {double(j), double(i), 0})));
    }
    return out;
}

// Each sample's ray meets the board plane where the inverse of the board's
// homography sends it.
QByteArray StereoRig::render(int index, int camera) const
{
    const Vector origin = toCamera(index, camera, {0, 0, 0});
    const Vector alongU = toCamera(index, camera, {1, 0, 0});
    const Vector alongV = toCamera(index, camera, {0, 1, 0});
    const Matrix h{alongU[0] - origin[0], alongV[0] - origin[0], origin[0],
                   alongU[1] - origin[1], alongV[1] - origin[1], origin[1],
                   alongU[2] - origin[2], alongV[2] - origin[2], origin[2]};
    Matrix toBoard;
    QByteArray out(kWidth * kHeight, char(kBackground));
    if (!invert(h, toBoard))
        return out;
    const QVector<float>& rays = m_rays[camera];
    const auto ray = [&rays](int u, int v, int k) {
        return double(rays[2 * (v * (kWidth + 1) + u) + k]);
    };
    for (int v = 0; v < kHeight; ++v) {
        for (int u = 0; u < kWidth; ++u) {
            int sum = 0;
            for (int sv = 0; sv < kSamples; ++sv) {
                const double fv = (sv + 0.5) / kSamples;
                for (int su = 0; su < kSamples; ++su) {
                    const double fu = (su + 0.5) / kSamples;
                    double xy[2];
                    for (int k = 0; k < 2; ++k) {
                        const double top = ray(u, v, k) * (1 - fu) + ray(u + 1, v, k) * fu;
                        const double bottom =
                            ray(u, v + 1, k) * (1 - fu) + ray(u + 1, v + 1, k) * fu;
                        xy[k] = top * (1 - fv) + bottom * fv;
                    }
                    const Vector b = times(toBoard, {xy[0], xy[1], 1});
                    sum += b[2] > 0 ? boardShade(b[0] / b[2], b[1] / b[2]) : kBackground;
                }
            }
            out[v * kWidth + u] = char(sum / (kSamples * kSamples));
        }
    }
    return out;
}

double StereoRig::rowMisalignment(const QVector<qint32>& left, const QVector<qint32>& right) const
{
    const QList<QPointF> l = corners(kHeldBack, 0);
    const QList<QPointF> r = corners(kHeldBack, 1);
    double worst = 0;
    for (int k = 0; k < l.size(); ++k) {
        const double rowLeft = outputRow(left, l.at(k));
        const double rowRight = outputRow(right, r.at(k));
        if (rowLeft < 0 || rowRight < 0)
            return -1;
        worst = std::max(worst, std::fabs(rowLeft - rowRight));
    }
    return worst;
}

// Fits the output row as a plane over the source pixels near `source` and
// reads it at `source`: the tables hold whole source pixels, the fit
// recovers the fraction.
double StereoRig::outputRow(const QVector<qint32>& table, QPointF source)
{
    constexpr int kReach = 2;
    const int cx = int(std::lround(source.x()));
    const int cy = int(std::lround(source.y()));
    double a[3][3] = {};
    double b[3] = {};
    int used = 0;
    for (qsizetype p = 0; p < table.size() && table.size() == kWidth * kHeight; ++p) {
        const qint32 s = table.at(p);
        if (s < 0 || s >= kWidth * kHeight)
            continue;
        const int sx = s % kWidth, sy = s / kWidth;
        if (std::abs(sx - cx) > kReach || std::abs(sy - cy) > kReach)
            continue;
        const double f[3] = {double(sx) - source.x(), double(sy) - source.y(), 1};
        const double row = double(p / kWidth);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                a[i][j] += f[i] * f[j];
            b[i] += f[i] * row;
        }
        ++used;
    }
    if (used < 3)
        return -1;
    const Matrix m{a[0][0], a[0][1], a[0][2], a[1][0], a[1][1], a[1][2], a[2][0], a[2][1], a[2][2]};
    Matrix inv;
    if (!invert(m, inv))
        return -1;
    // The constant term: the fitted row at the source point itself.
    return inv[6] * b[0] + inv[7] * b[1] + inv[8] * b[2];
}
