#pragma once

#include <QImage>

struct jpeg_decompress_struct;

// Decodes JPEG pictures straight into the pixel format a screen takes as it
// is: RGB32 for colour, Grayscale8 for grey, the formats Qt's own reader
// gives, with the same pixels. Qt's reader unpacks a colour picture to 24
// bits and widens it to 32 in a second pass over every pixel; here the
// JPEG library writes the 32-bit pixels itself. Pictures in other colour
// spaces (CMYK) go through Qt's reader.
class cJpegDecoder
{
public:
    // More scans than this make a picture fail.
    static constexpr int kMaxScans = 100;

    // Decodes `size` bytes into `picture`, whose pixels are reused when the
    // picture has the size and format of the result and no one else holds
    // it. A picture whose header states a side longer than `maxSide` is not
    // decoded (it could ask for gigabytes). False for bytes that are not a
    // JPEG picture; `picture` then holds nothing worth showing.
    static bool decode(const char* data, qsizetype size, int maxSide, QImage& picture);

    // Makes `picture` an image of `size` and `format`, keeping its pixels
    // when it already is one that no one else holds. False when the memory
    // is not there.
    static bool fit(QImage& picture, const QSize& size, QImage::Format format);

private:
    enum Result
    {
        Decoded,
        Failed,
        NotOurs // a colour space left to Qt's reader
    };
    static Result decodeDirect(const char* data, qsizetype size, int maxSide, QImage& picture);
    static Result readPicture(jpeg_decompress_struct& info, const char* data, qsizetype size,
                              int maxSide, QImage& picture);
    static bool decodeWithQt(const char* data, qsizetype size, int maxSide, QImage& picture);
};
