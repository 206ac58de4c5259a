// The PTZ pictures' JPEG decoder against Qt's own reader, on pictures as Qt
// and the JPEG library write them, and the pixels it reuses.

#include "jpegbytes.h"
#include "video/cjpegdecoder.h"

#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

QImage pattern(QSize size, QImage::Format format, int seed = 0)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y,
                             qRgb((x * 255 / size.width() + seed) & 0xff, y * 255 / size.height(),
                                  ((x ^ y) * 3 + seed) & 0xff));
    }
    return picture.convertToFormat(format);
}

// A CMYK picture, which Qt does not write.
QByteArray cmykJpeg(QSize size)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &out, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(size.width()) * 4);
    while (info.next_scanline < info.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = JSAMPLE((i * 5 + info.next_scanline * 3) & 0xff);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(length));
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

QImage decodedByQt(const QByteArray& bytes)
{
    QImage picture;
    picture.loadFromData(bytes, "JPG");
    return picture;
}

bool decode(const QByteArray& bytes, QImage& picture, int maxSide = 8192)
{
    return cJpegDecoder::decode(bytes.constData(), bytes.size(), maxSide, picture);
}

} // namespace

class tst_cJpegDecoder : public QObject
{
    Q_OBJECT
private slots:
    void decodesAsQtsReader_data();
    void decodesAsQtsReader();
    void refuses_data();
    void refuses();
    void reusesOnlyPixelsNoOneElseHolds();
};

void tst_cJpegDecoder::decodesAsQtsReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray camera = jpeg(pattern(QSize(704, 576), QImage::Format_RGB32));
    QTest::newRow("colour, the camera's size") << camera;
    QTest::newRow("grey") << jpeg(pattern(QSize(40, 30), QImage::Format_Grayscale8));
    QTest::newRow("progressive") << jpeg(pattern(QSize(64, 48), QImage::Format_RGB32), true);
    QTest::newRow("odd size") << jpeg(pattern(QSize(33, 17), QImage::Format_RGB32));
    QTest::newRow("one pixel") << jpeg(pattern(QSize(1, 1), QImage::Format_RGB32));
    QTest::newRow("cut short: the rest grey") << camera.left(camera.size() / 2);
    QTest::newRow("CMYK, left to Qt's reader") << cmykJpeg(QSize(24, 16));
    QTest::newRow("a scan repeated")
        << withLastScanRepeated(jpeg(pattern(QSize(64, 48), QImage::Format_RGB32), true), 3);
}

// The same format and the same pixels as Qt's reader gives: a user sees
// the same picture.
void tst_cJpegDecoder::decodesAsQtsReader()
{
    QFETCH(QByteArray, bytes);
    const QImage expected = decodedByQt(bytes);
    QVERIFY(!expected.isNull());
    QImage ours;
    QVERIFY(decode(bytes, ours));
    QCOMPARE(ours.format(), expected.format());
    QCOMPARE(ours, expected);
}

void tst_cJpegDecoder::refuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxSide");
    const QByteArray picture = jpeg(pattern(QSize(64, 48), QImage::Format_RGB32));
    QTest::newRow("no bytes") << QByteArray() << 8192;
    QTest::newRow("not a JPEG") << QByteArray("Camera 0001 Frame 0000000100 bytes") << 8192;
    QTest::newRow("cut inside the header") << picture.left(20) << 8192;
    QTest::newRow("wider than allowed") << picture << 63;
    QTest::newRow("higher than allowed") << picture << 47;
    QTest::newRow("CMYK, wider than allowed") << cmykJpeg(QSize(24, 16)) << 23;
    // Each scan is a pass over the picture: many tiny ones are a cheap way
    // to make a frame cost seconds.
    QTest::newRow("more scans than allowed")
        << withLastScanRepeated(jpeg(pattern(QSize(64, 48), QImage::Format_RGB32), true),
                                cJpegDecoder::kMaxScans)
        << 8192;
}

// Refused before a pixel is allocated.
void tst_cJpegDecoder::refuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxSide);
    QImage picture;
    QVERIFY(!decode(bytes, picture, maxSide));
    QVERIFY(picture.isNull());
}

// A picture of the same size takes the pixels of the last one, unless
// someone still holds that one: a view showing it keeps what it shows.
void tst_cJpegDecoder::reusesOnlyPixelsNoOneElseHolds()
{
    const QSize size(64, 48);
    const QByteArray first = jpeg(pattern(size, QImage::Format_RGB32, 0));
    const QByteArray second = jpeg(pattern(size, QImage::Format_RGB32, 100));
    QImage picture;
    QVERIFY(decode(first, picture));
    const uchar* pixels = picture.constBits();
    QVERIFY(decode(second, picture));
    QCOMPARE(picture.constBits(), pixels);
    QCOMPARE(picture, decodedByQt(second));

    const QImage shown = picture;
    QVERIFY(decode(first, picture));
    QCOMPARE(picture, decodedByQt(first));
    QCOMPARE(shown, decodedByQt(second));
    QVERIFY(shown.constBits() != picture.constBits());

    QVERIFY(decode(jpeg(pattern(QSize(32, 24), QImage::Format_RGB32)), picture));
    QCOMPARE(picture.size(), QSize(32, 24));
}

QTEST_GUILESS_MAIN(tst_cJpegDecoder)
#include "tst_cjpegdecoder.moc"
