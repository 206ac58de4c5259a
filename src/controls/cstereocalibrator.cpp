#include "cstereocalibrator.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kFindFlags = cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE;
constexpr int kCalibrationFlags = cv::CALIB_FIX_ASPECT_RATIO | cv::CALIB_ZERO_TANGENT_DIST |
                                  cv::CALIB_SAME_FOCAL_LENGTH | cv::CALIB_FIX_K3;
const cv::TermCriteria kCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 100, 1e-5);
const cv::TermCriteria kRefineCriteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 30, 0.01);
// Half the side of the corner refinement window at most, in pixels.
constexpr int kMaxRefineHalf = 11;

// Distance of a point from a line (a, b, c) normalised as OpenCV gives it.
double lineDistance(const cv::Point2f& p, const cv::Vec3f& l)
{
    return std::fabs(double(p.x) * l[0] + double(p.y) * l[1] + l[2]);
}

} // namespace

cStereoCalibrator::cStereoCalibrator(cv::Size image, cv::Size pattern)
    : m_image(image), m_pattern(pattern)
{
}

bool cStereoCalibrator::addPair(const uchar* left, const uchar* right)
{
    std::vector<cv::Point2f> found[2];
    if (!findCorners(left, found[0]) || !findCorners(right, found[1]))
        return false;
    for (int camera = 0; camera < 2; ++camera)
        m_corners[camera].push_back(std::move(found[camera]));
    return true;
}

bool cStereoCalibrator::findCorners(const uchar* image, std::vector<cv::Point2f>& corners) const
{
    // OpenCV does not write through the pointer: the header only wraps it.
    const cv::Mat view(m_image, CV_8UC1, const_cast<uchar*>(image));
    if (!cv::findChessboardCorners(view, m_pattern, corners, kFindFlags) ||
        corners.size() != std::size_t(m_pattern.area()))
        return false;
    // The detector places corners to about a pixel; the epipolar geometry
    // of real views needs a fraction of one. The search window stays
    // within half a square so that it never reaches a neighbouring corner.
    const int half = std::clamp(int(nearestNeighbour(corners) / 2) - 1, 1, kMaxRefineHalf);
    cv::cornerSubPix(view, corners, cv::Size(half, half), cv::Size(-1, -1), kRefineCriteria);
    return true;
}

// The shortest distance between neighbouring corners along the rows.
double cStereoCalibrator::nearestNeighbour(const std::vector<cv::Point2f>& corners) const
{
    double nearest = std::numeric_limits<double>::max();
    for (int row = 0; row < m_pattern.height; ++row) {
        for (int col = 1; col < m_pattern.width; ++col) {
            const cv::Point2f d = corners[std::size_t(row * m_pattern.width + col)] -
                                  corners[std::size_t(row * m_pattern.width + col - 1)];
            nearest = std::min(nearest, std::hypot(double(d.x), double(d.y)));
        }
    }
    return nearest;
}

// The unit grid: point (i, j, 0) for row i and column j, row after row.
std::vector<std::vector<cv::Point3f>> cStereoCalibrator::objectPoints() const
{
    std::vector<cv::Point3f> grid;
    for (int i = 0; i < m_pattern.height; ++i) {
        for (int j = 0; j < m_pattern.width; ++j)
            grid.emplace_back(float(i), float(j), 0.f);
    }
    return std::vector<std::vector<cv::Point3f>>(m_corners[0].size(), grid);
}

bool cStereoCalibrator::calibrate()
{
    if (pairs() < 1)
        return false;
    cv::Mat rotation, translation, essential, fundamental;
    try {
        for (int camera = 0; camera < 2; ++camera) {
            m_camera[camera] = cv::Mat::eye(3, 3, CV_64F);
            m_distortion[camera] = cv::Mat::zeros(1, 5, CV_64F);
        }
        m_rms =
            cv::stereoCalibrate(objectPoints(), m_corners[0], m_corners[1], m_camera[0],
                                m_distortion[0], m_camera[1], m_distortion[1], m_image, rotation,
                                translation, essential, fundamental, kCalibrationFlags, kCriteria);
        m_epipolarError = measureEpipolarError(fundamental);
        cv::Mat rectify[2], project[2], disparity;
        cv::stereoRectify(m_camera[0], m_distortion[0], m_camera[1], m_distortion[1], m_image,
                          rotation, translation, rectify[0], rectify[1], project[0], project[1],
                          disparity, cv::CALIB_ZERO_DISPARITY);
        for (int camera = 0; camera < 2; ++camera)
            cv::initUndistortRectifyMap(m_camera[camera], m_distortion[camera], rectify[camera],
                                        project[camera], m_image, CV_32FC1, m_mapX[camera],
                                        m_mapY[camera]);
    } catch (const cv::Exception&) {
        return false;
    }
    return std::isfinite(m_epipolarError);
}

// The sum over all points of each point's distance from the epipolar line
// of its partner, both undistorted, over the number of points.
double cStereoCalibrator::measureEpipolarError(const cv::Mat& fundamental) const
{
    double sum = 0;
    std::size_t points = 0;
    for (std::size_t pair = 0; pair < m_corners[0].size(); ++pair) {
        std::vector<cv::Point2f> undistorted[2];
        std::vector<cv::Vec3f> lines[2];
        for (int camera = 0; camera < 2; ++camera) {
            cv::undistortPoints(m_corners[camera][pair], undistorted[camera], m_camera[camera],
                                m_distortion[camera], cv::noArray(), m_camera[camera]);
            cv::computeCorrespondEpilines(undistorted[camera], camera + 1, fundamental,
                                          lines[camera]);
        }
        for (std::size_t k = 0; k < undistorted[0].size(); ++k)
            sum += lineDistance(undistorted[0][k], lines[1][k]) +
                   lineDistance(undistorted[1][k], lines[0][k]);
        points += undistorted[0].size();
    }
    return points ? sum / double(points) : 0;
}

bool cStereoCalibrator::writeIntrinsics(const QString& path) const
{
    try {
        cv::FileStorage fs(path.toStdString(),
                           cv::FileStorage::WRITE | cv::FileStorage::FORMAT_XML);
        if (!fs.isOpened())
            return false;
        fs << "M1" << m_camera[0] << "D1" << m_distortion[0] << "M2" << m_camera[1] << "D2"
           << m_distortion[1];
    } catch (const cv::Exception&) {
        return false;
    }
    return true;
}

QImage cStereoCalibrator::rectifiedPair(const uchar* left, const uchar* right) const
{
    const uchar* images[2] = {left, right};
    cv::Mat side(m_image.height, m_image.width * 2, CV_8UC1);
    for (int camera = 0; camera < 2; ++camera) {
        const cv::Mat view(m_image, CV_8UC1, const_cast<uchar*>(images[camera]));
        cv::Mat half = side(cv::Rect(camera * m_image.width, 0, m_image.width, m_image.height));
        cv::remap(view, half, m_mapX[camera], m_mapY[camera], cv::INTER_LINEAR);
    }
    cv::Mat colour;
    cv::cvtColor(side, colour, cv::COLOR_GRAY2RGB);
    for (int row = 0; row < colour.rows; row += kLineSpacing)
        cv::line(colour, cv::Point(0, row), cv::Point(colour.cols - 1, row), cv::Scalar(255, 0, 0));
    return QImage(colour.data, colour.cols, colour.rows, int(colour.step), QImage::Format_RGB888)
        .copy();
}

std::vector<qint32> cStereoCalibrator::table(int camera) const
{
    return tableFromMaps(m_mapX[camera], m_mapY[camera]);
}

std::vector<qint32> cStereoCalibrator::tableFromMaps(const cv::Mat& mapX, const cv::Mat& mapY)
{
    const int width = mapX.cols;
    const int height = mapX.rows;
    const qint32 outside = width * height;
    std::vector<qint32> out(std::size_t(width) * std::size_t(height), outside);
    for (int row = 0; row < height; ++row) {
        const float* xs = mapX.ptr<float>(row);
        const float* ys = mapY.ptr<float>(row);
        for (int col = 0; col < width; ++col) {
            const double x = double(xs[col]) + 0.5;
            const double y = double(ys[col]) + 0.5;
            // Written so that NaN, which fails every comparison, is outside.
            if (x >= 0 && x < width && y >= 0 && y < height)
                out[std::size_t(row) * width + col] =
                    qint32(std::floor(y)) * width + qint32(std::floor(x));
        }
    }
    return out;
}
