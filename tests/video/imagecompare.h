#pragma once

#include <QImage>

#include <cmath>

// Peak signal-to-noise ratio of two pictures of the same size over their
// colour channels, in dB; 99 for identical pictures.
inline double psnr(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d[3] = {qRed(pa[x]) - qRed(pb[x]), qGreen(pa[x]) - qGreen(pb[x]),
                              qBlue(pa[x]) - qBlue(pb[x])};
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
