// Writes the seed corpus of fuzz_rsn3_parser: real streams from the RSN3
// writer, each behind the bytes that say how it is cut into chunks.
#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

// A header whose table of descriptors of every type fills 64 KiB, then a
// little of the stream it describes.
QByteArray largeHeaderStream()
{
    QVector<cRsn3Writer::Stream> streams;
    for (int table = 16; table < 0xFFFF - 40;) {
        const int i = int(streams.size());
        streams.append({quint8(i), quint8(1 << (i % 5)), "mp4v", QByteArray(i % 9, 't'), "-utf8"});
        table += 14 + i % 9;
    }
    cRsn3Writer w;
    QByteArray out = w.header("large", streams, {{1, "-koi8"}, {2, "UTC"}, {8, "last"}});
    out +=
        cRsn3Writer::index(1) + w.data(0, QByteArray(300, 'v'), 40, 3, 0, 128) + w.data(1, "sound");
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-directory\n", argv[0]);
        return 2;
    }
    cTestVideoEncoder::silenceCodecLogs();
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    cTestVideoEncoder::Options o;
    o.width = 64;
    o.height = 48;
    o.frames = 4;
    o.gop = 2;
    const QVector<QByteArray> frames = cTestVideoEncoder::encode(o);

    cRsn3Writer w;
    QByteArray mixed = w.header(
        "seed",
        {{0, 1, "mp4v", "video", ""}, {1, 2, "pcm", "audio", ""}, {2, 4, "txt", "text", "-koi8"}},
        {{1, "-koi8"}, {2, "UTC"}, {5, "extra"}});
    for (int i = 0; i < frames.size(); ++i) {
        mixed += cRsn3Writer::index(quint32(i), 1, 2, "x");
        mixed += w.data(0, frames[i], quint16(i * 900), quint8(i), 0, 100);
        mixed += w.data(1, QByteArray(20, 'a'));
        mixed += w.data(2, "caption");
    }

    const QByteArray seeds[] = {
        mixed,
        cRsn3Writer::videoStream("mp4v", frames, 2),
        cRsn3Writer::videoStream("H264", {QByteArray(300, 'h')}, 25),
        w.header("tiny", {{0, 1, "mjpeg", "", ""}}) + cRsn3Writer::index(3) +
            w.block(0, cRsn3Writer::First, "ab", 4500, 3) + w.block(0, cRsn3Writer::Middle, "cd") +
            w.block(0, cRsn3Writer::Last, "ef") + w.block(9, cRsn3Writer::Complete, "zz"),
        largeHeaderStream(),
    };
    // In one piece; one byte at a time; 16 bytes at a time; 201 single
    // bytes, then 255 bytes, and again.
    const QByteArray cuts[] = {
        QByteArray(1, '\0'),
        QByteArray("\x01\x00\xff", 3),
        QByteArray("\x01\x0f\xff", 3),
        QByteArray("\x02\x00\xc8\xfe\x00", 5),
    };
    int n = 0;
    for (const QByteArray& seed : seeds) {
        for (const QByteArray& cut : cuts) {
            QFile f(dir.filePath(QStringLiteral("seed-%1").arg(n++)));
            if (!f.open(QIODevice::WriteOnly) || f.write(cut + seed) != cut.size() + seed.size())
                return 1;
        }
    }
    return 0;
}
