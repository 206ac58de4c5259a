// Any bytes as a JPEG picture from a device. The first byte gives the
// longest side accepted (32 to 8192 pixels in steps of 32), the rest is the
// picture. A picture reported decoded is no larger than that, in a format a
// view shows, and decoding it again into its own pixels gives the same
// picture, as does decoding it into a picture someone else still holds,
// which keeps its own pixels.
#include "fuzzcheck.h"
#include "video/cjpegdecoder.h"

#include <QCoreApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Pictures the decoder leaves to Qt's reader need its image plug-ins.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1)
        return 0;
    const int maxSide = 32 * (1 + bytes[0]);
    const char* data = reinterpret_cast<const char*>(bytes) + 1;
    const qsizetype length = qsizetype(size - 1);
    QImage picture;
    const bool decoded = cJpegDecoder::decode(data, length, maxSide, picture);
    if (!decoded)
        return 0;
    require(!picture.isNull() && picture.width() <= maxSide && picture.height() <= maxSide);
    const QImage first = picture.copy();
    require(cJpegDecoder::decode(data, length, maxSide, picture));
    require(picture == first);
    const QImage held = picture;
    QImage shared = picture;
    require(cJpegDecoder::decode(data, length, maxSide, shared));
    require(shared == first && held == first);
    return 0;
}
