#pragma once

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <opencv2/core.hpp>

#include <vector>

// Calibrates a stereo pair from chessboard views and builds what the
// device needs to rectify it: the per-pixel lookup tables. Images are 8-bit
// grey, row after row, width × height bytes.
class cStereoCalibrator
{
public:
    // The pattern is counted in inner corners: per row, per column.
    cStereoCalibrator(cv::Size image, cv::Size pattern);

    // Finds the pattern in both images; the pair counts, and its corners are
    // kept, only when both show it.
    bool addPair(const uchar* left, const uchar* right);
    int pairs() const { return int(m_corners[0].size()); }

    // Calibrates the pair, measures the epipolar error and computes the
    // rectification maps. False when OpenCV gives up on the views.
    bool calibrate();
    double epipolarError() const { return m_epipolarError; }
    double rms() const { return m_rms; }
    const cv::Mat& cameraMatrix(int camera) const { return m_camera[camera]; }
    const cv::Mat& distortion(int camera) const { return m_distortion[camera]; }

    // Writes both cameras' matrices and distortions as M1, D1, M2, D2.
    bool writeIntrinsics(const QString& path) const;

    // Both images rectified, side by side, with red lines every 16 rows so
    // that the rows can be compared across the pair.
    QImage rectifiedPair(const uchar* left, const uchar* right) const;

    // For each output pixel of the camera, the index of its source pixel,
    // or width × height where the source lies outside the image.
    std::vector<qint32> table(int camera) const;
    static std::vector<qint32> tableFromMaps(const cv::Mat& mapX, const cv::Mat& mapY);

    static constexpr int kLineSpacing = 16;

private:
    bool findCorners(const uchar* image, std::vector<cv::Point2f>& corners) const;
    double nearestNeighbour(const std::vector<cv::Point2f>& corners) const;
    std::vector<std::vector<cv::Point3f>> objectPoints() const;
    double measureEpipolarError(const cv::Mat& fundamental) const;

    cv::Size m_image;
    cv::Size m_pattern;
    std::vector<std::vector<cv::Point2f>> m_corners[2];
    cv::Mat m_camera[2];
    cv::Mat m_distortion[2];
    cv::Mat m_mapX[2];
    cv::Mat m_mapY[2];
    double m_epipolarError = 0;
    double m_rms = 0;
};
