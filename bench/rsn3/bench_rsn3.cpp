// Parsing 256 MiB of RSN3 stream delivered in 64-byte, 1500-byte and 64 KiB
// chunks, beside one memcpy of the same bytes. The 64-byte figure beside the
// 64 KiB one shows whether the cost per byte stays flat as chunks shrink.
#include "rsn3writer/crsn3writer.h"
#include "rsn3writer/ctestvideoencoder.h"
#include "video/crsn3parser.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const qsizetype kTotal = qsizetype(256) << 20;

QByteArray makeStream()
{
    cTestVideoEncoder::Options o;
    o.width = 720;
    o.height = 576;
    o.frames = 50;
    const QVector<QByteArray> frames = cTestVideoEncoder::encode(o);
    if (frames.isEmpty())
        qFatal("cannot encode the test video");

    cRsn3Writer w;
    QByteArray out = w.header("bench", {{0, 1, "mp4v", "video", ""}, {1, 2, "pcm", "audio", ""}});
    out.reserve(kTotal + (1 << 20));
    const QByteArray sound(640, 'a');
    for (int i = 0; out.size() < kTotal; ++i) {
        if (i % o.fps == 0)
            out += cRsn3Writer::index(quint32(i / o.fps));
        out += w.data(0, frames[i % frames.size()], quint16((i % o.fps) * 40));
        out += w.data(1, sound);
    }
    out.truncate(kTotal);
    return out;
}

// Seconds for the best of a few runs.
template <typename F> double best(int runs, F f)
{
    double t = 1e9;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        f();
        t = qMin(t, timer.nsecsElapsed() / 1e9);
    }
    return t;
}

qint64 parseInChunks(const QByteArray& stream, int chunk)
{
    cRsn3Parser parser;
    qint64 payload = 0;
    QObject::connect(&parser, &cRsn3Parser::onDATA,
                     [&payload](const DATA_T& d) { payload += d.payload.size(); });
    const char* p = stream.constData();
    for (qsizetype at = 0; at < stream.size(); at += chunk)
        parser.append(
            QByteArray::fromRawData(p + at, int(qMin<qsizetype>(chunk, stream.size() - at))));
    return payload;
}

} // namespace

int main()
{
    cTestVideoEncoder::silenceCodecLogs();
    const QByteArray stream = makeStream();
    const double mb = stream.size() / 1e6;

    std::vector<char> target(size_t(stream.size()), 1); // touched, so no page faults are timed
    const double copy =
        best(3, [&] { std::memcpy(target.data(), stream.constData(), target.size()); });
    const double copyRate = mb / copy;

    struct Size
    {
        const char* name;
        int bytes;
        double rate = 0;
    } sizes[] = {{"64B", 64}, {"1500B", 1500}, {"64KiB", 65536}};

    qint64 expected = -1;
    for (Size& s : sizes) {
        qint64 payload = 0;
        const double t = best(2, [&] { payload = parseInChunks(stream, s.bytes); });
        if (expected >= 0 && payload != expected)
            qFatal("chunk size %d gave %lld payload bytes, not %lld", s.bytes, payload, expected);
        expected = payload;
        s.rate = mb / t;
        std::printf("bench rsn3_%s: ours=%.1fMB/s reference=%.1fMB/s ratio=%.3f\n", s.name, s.rate,
                    copyRate, s.rate / copyRate);
    }
    std::printf("bench rsn3_64B_vs_64KiB: ours=%.1fMB/s reference=%.1fMB/s ratio=%.3f\n",
                sizes[0].rate, sizes[2].rate, sizes[0].rate / sizes[2].rate);
    return 0;
}
