// Seeds for the JPEG target: one byte of longest side (see the target),
// then pictures as Qt writes them (colour, grey, progressive, of odd
// sizes), one cut short and one behind a side too long for its first byte.
#include "jpegbytes.h"
#include "seedcorpus.h"

#include <QImage>

namespace {

QImage gradient(int width, int height, QImage::Format format)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
    }
    return picture.convertToFormat(format);
}

} // namespace

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray wide(1, char(0xff));
    const QByteArray colour = jpeg(gradient(64, 48, QImage::Format_RGB32));
    corpus.add(QStringLiteral("colour"), wide + colour);
    corpus.add(QStringLiteral("grey"), wide + jpeg(gradient(40, 30, QImage::Format_Grayscale8)));
    corpus.add(QStringLiteral("progressive"),
               wide + jpeg(gradient(33, 17, QImage::Format_RGB32), true));
    corpus.add(QStringLiteral("one-pixel"), wide + jpeg(gradient(1, 1, QImage::Format_RGB32)));
    corpus.add(QStringLiteral("cut-short"), wide + colour.left(colour.size() / 2));
    corpus.add(QStringLiteral("too-wide"), QByteArray(1, '\0') + colour);
}
