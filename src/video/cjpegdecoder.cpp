#include "cjpegdecoder.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <iterator>

// The JPEG library's header wants these declared first.
#include <cstddef>
#include <cstdio>

#include <csetjmp>
#include <jpeglib.h>

namespace {

#ifdef JCS_EXTENSIONS
// The byte order of one Format_RGB32 pixel in memory; the library sets the
// unused byte to 0xff, as the format requires.
constexpr J_COLOR_SPACE kRgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// What each colour space of a JPEG picture is decoded to; the rest is left
// to Qt's reader.
const struct
{
    J_COLOR_SPACE stored;
    J_COLOR_SPACE shown;
    QImage::Format format;
} kOutputs[] = {
    {JCS_GRAYSCALE, JCS_GRAYSCALE, QImage::Format_Grayscale8},
    {JCS_YCbCr, kRgb32, QImage::Format_RGB32},
    {JCS_RGB, kRgb32, QImage::Format_RGB32},
};
#endif

struct ErrorExit
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->jump, 1);
}

// A damaged picture is shown as far as it decodes; a device that keeps
// sending one must not fill the log with a line per frame.
void quiet(j_common_ptr) {}

// Each scan of a progressive picture is a pass over the whole picture and
// may take only a few bytes, so a frame of thousands of scans would cost
// seconds; encoders write about ten.
void limitScans(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > cJpegDecoder::kMaxScans)
        leave(info);
}

} // namespace

bool cJpegDecoder::decode(const char* data, qsizetype size, int maxSide, QImage& picture)
{
    switch (decodeDirect(data, size, maxSide, picture)) {
    case Decoded:
        return true;
    case NotOurs:
        return decodeWithQt(data, size, maxSide, picture);
    default:
        return false;
    }
}

bool cJpegDecoder::fit(QImage& picture, const QSize& size, QImage::Format format)
{
    if (picture.isDetached() && picture.size() == size && picture.format() == format)
        return true;
    picture = QImage(size, format);
    return !picture.isNull();
}

#ifdef JCS_EXTENSIONS
// The library leaves through leave() on any error, past this function: it
// must hold nothing that needs destroying.
cJpegDecoder::Result cJpegDecoder::readPicture(jpeg_decompress_struct& info, const char* data,
                                               qsizetype size, int maxSide, QImage& picture)
{
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data),
                 static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width > JDIMENSION(maxSide) || info.image_height > JDIMENSION(maxSide))
        return Failed;
    const auto* output =
        std::find_if(std::begin(kOutputs), std::end(kOutputs),
                     [&](const auto& row) { return row.stored == info.jpeg_color_space; });
    if (output == std::end(kOutputs))
        return NotOurs;
    info.out_color_space = output->shown;
    jpeg_start_decompress(&info);
    if (!fit(picture, QSize(int(info.output_width), int(info.output_height)), output->format))
        return Failed;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.scanLine(int(info.output_scanline));
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return Failed;
    }
    jpeg_finish_decompress(&info);
    return Decoded;
}
#endif

cJpegDecoder::Result cJpegDecoder::decodeDirect(const char* data, qsizetype size, int maxSide,
                                                QImage& picture)
{
#ifdef JCS_EXTENSIONS
    if (size <= 0)
        return Failed;
    jpeg_decompress_struct info{};
    ErrorExit errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leave;
    errors.manager.output_message = quiet;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limitScans;
    volatile Result result = Failed;
    if (setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&info); // clears all but the error manager
        info.progress = &progress;
        result = readPicture(info, data, size, maxSide, picture);
    }
    jpeg_destroy_decompress(&info);
    return result;
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
    Q_UNUSED(maxSide);
    Q_UNUSED(picture);
    return NotOurs;
#endif
}

bool cJpegDecoder::decodeWithQt(const char* data, qsizetype size, int maxSide, QImage& picture)
{
    QBuffer device;
    device.setData(data, int(size));
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, "JPG");
    const QSize stated = reader.size();
    if (!stated.isValid() || stated.width() > maxSide || stated.height() > maxSide)
        return false;
    return reader.read(&picture);
}
