#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>

#include <opencv2/core.hpp>

class QGridLayout;
class QLabel;

// Shows a rectified pair with what the calibration found for each camera,
// for the user to accept or reject; says what each answer does, and fits
// the screen it opens on.
class cStereoResults : public QDialog
{
    Q_OBJECT
public:
    struct Camera
    {
        cv::Mat matrix;     // 3 × 3, double
        cv::Mat distortion; // k1, k2, p1, p2, k3
    };

    cStereoResults(const QImage& pair, double error, int pixelSize, const Camera& left,
                   const Camera& right, QWidget* parent = nullptr);

    // The focal length as shown: matrix (0, 0) × pixel size / 1000, in mm.
    static QString focalText(const cv::Mat& matrix, int pixelSize);
    static QString principalText(const cv::Mat& matrix);
    static QString radialText(const cv::Mat& distortion);

private:
    void addCamera(QGridLayout& grid, int column, const QString& title, const Camera& camera,
                   int pixelSize);
    void fitToScreen();

    QPixmap m_pair;
    QLabel* m_picture = nullptr;
};
