#pragma once

#include "stereopairsource.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QVector>

#include <array>

// A synthetic stereo head looking at a chessboard: two pinhole cameras
// with mild radial distortion, a known baseline and a slight relative
// rotation, and a list of board poses. It renders the views the service
// serves and knows where every board corner truly lands, so the tables a
// client sends back can be checked against the real geometry.
class StereoRig : public StereoPairSource
{
public:
    struct Camera
    {
        double focal; // pixels; both axes, both cameras
        double cx;
        double cy;
        double k1;
        double k2;
    };
    using Matrix = std::array<double, 9>; // row-major 3 × 3
    using Vector = std::array<double, 3>;
    struct Pose
    {
        Matrix rotation; // board to left camera
        Vector translation;
    };

    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    // Inner corners per row and per column; the board is one square more
    // each way, inside a white margin one square wide.
    static constexpr int kCornersRow = 9;
    static constexpr int kCornersColumn = 6;
    static constexpr int kPoses = 12;
    // The pose no served pair shows, for checking tables.
    static constexpr int kHeldBack = -1;

    StereoRig();

    QSize size() const override { return QSize(kWidth, kHeight); }
    int count() const override { return kPoses; }
    void pair(int index, QByteArray& left, QByteArray& right) override;
    void heldBackPair(QByteArray& left, QByteArray& right);

    // Where corner (row i, column j) of the pose lands in the camera's
    // image, row after row; camera 0 is the left one.
    QList<QPointF> corners(int pose, int camera) const;

    // For each corner of the held-back pose: the output row that each
    // camera's table sends it to, compared between the two. The largest
    // difference in rows, or a negative value when a corner cannot be
    // found through a table.
    double rowMisalignment(const QVector<qint32>& left, const QVector<qint32>& right) const;
    // The output row (subpixel) whose table entries surround `source`, or
    // a negative value when no output pixel looks there.
    static double outputRow(const QVector<qint32>& table, QPointF source);

private:
    QByteArray render(int pose, int camera) const;
    Vector toCamera(int pose, int camera, const Vector& board) const;
    QPointF project(int camera, const Vector& point) const;
    void prepareRays();
    const Pose& pose(int index) const;

    Camera m_cameras[2];
    Pose m_toRight; // left camera to right camera
    QList<Pose> m_poses;
    Pose m_heldBack;
    // Undistorted normalised rays through every pixel corner of each camera,
    // (width + 1) × (height + 1) pairs of x, y.
    QVector<float> m_rays[2];
    QHash<int, std::array<QByteArray, 2>> m_cache;
};
