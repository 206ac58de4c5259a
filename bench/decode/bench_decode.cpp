// Decoding and converting a 60-second 720x576 stream at 25 fps through the
// parser, demuxer and decoder, beside the ffmpeg program decoding the same
// elementary stream single-threaded into the same pixel format. Times are
// processor seconds.
#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"
#include "video/cffmpegdecoder.h"
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

// Processor seconds of this process or of its finished children: the
// machine may be busy with other work, which wall time would count.
double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const int kFrames = 60 * 25;

struct Codec
{
    const char* codec;
    const char* ffmpegFormat;
};

double oursSeconds(const QByteArray& stream, int* frames)
{
    cRsn3Parser parser;
    cRsn3Demuxer demuxer;
    cFfmpegDecoder decoder;
    demuxer.targets[0] = &decoder;
    QObject::connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
    QObject::connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
    QObject::connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);
    quint64 sum = 0;
    *frames = 0;
    QObject::connect(&decoder, &cFfmpegDecoder::onFrame, [&](const QImage& img) {
        ++*frames;
        sum += img.pixel(img.width() / 2, img.height() / 2);
    });

    const double start = cpuSeconds(RUSAGE_SELF);
    for (qsizetype at = 0; at < stream.size(); at += 1500)
        parser.append(QByteArray::fromRawData(stream.constData() + at,
                                              int(qMin<qsizetype>(1500, stream.size() - at))));
    decoder.flush();
    const double s = cpuSeconds(RUSAGE_SELF) - start;
    if (sum == 42)
        std::printf(" "); // keeps the pixel reads from being optimised away
    return s;
}

double ffmpegSeconds(const QString& ffmpeg, const QString& file, const char* format)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double start = cpuSeconds(RUSAGE_CHILDREN);
    p.start(ffmpeg,
            {"-hide_banner", "-loglevel", "error", "-nostdin", "-threads", "1", "-f", format, "-i",
             file, "-threads", "1", "-filter_threads", "1", "-pix_fmt", "bgra", "-f", "null", "-"});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    return cpuSeconds(RUSAGE_CHILDREN) - start;
}

} // namespace

int main()
{
    cTestVideoEncoder::silenceCodecLogs();
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QTemporaryDir dir;

    for (const Codec& c : {Codec{"mpeg4", "m4v"}, Codec{"h264", "h264"}}) {
        if (!cTestVideoEncoder::available(c.codec)) {
            std::fprintf(stderr, "bench decode_%s: no encoder, skipped\n", c.codec);
            continue;
        }
        cTestVideoEncoder::Options o;
        o.codec = c.codec;
        o.width = 720;
        o.height = 576;
        o.frames = kFrames;
        const QVector<QByteArray> packets = cTestVideoEncoder::encode(o);
        QByteArray elementary;
        for (const QByteArray& p : packets)
            elementary += p;
        const QString file = dir.filePath(QStringLiteral("stream.%1").arg(c.ffmpegFormat));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(elementary) != elementary.size())
            qFatal("cannot write %s", qPrintable(file));
        f.close();
        const QByteArray stream =
            cRsn3Writer::videoStream(cTestVideoEncoder::streamFormat(c.codec), packets, o.fps);

        double ours = 1e9, reference = 1e9;
        int frames = 0;
        for (int run = 0; run < 2; ++run) {
            ours = qMin(ours, oursSeconds(stream, &frames));
            if (!ffmpeg.isEmpty())
                reference = qMin(reference, ffmpegSeconds(ffmpeg, file, c.ffmpegFormat));
        }
        if (frames != kFrames)
            qFatal("%s: decoded %d frames of %d", c.codec, frames, kFrames);
        if (ffmpeg.isEmpty() || reference <= 0) {
            std::printf("bench decode_%s: ours=%.3fs reference=missing ratio=0\n", c.codec, ours);
            continue;
        }
        std::printf("bench decode_%s: ours=%.3fs reference=%.3fs ratio=%.3f\n", c.codec, ours,
                    reference, ours / reference);
    }
    return 0;
}
