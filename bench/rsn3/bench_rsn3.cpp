// Parsing 256 MiB of RSN3 stream delivered in 64-byte, 1500-byte and 64 KiB
// chunks, beside one memcpy of the same bytes. The 64-byte figure beside the
// 64 KiB one shows whether the cost per byte stays flat as chunks shrink.
// Then a header whose table spans 64 KiB, delivered one byte at a time,
// beside as many bytes of index records delivered the same way: a header
// must not cost more per byte than the simplest record.
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

// A header of small descriptors whose table ends just short of 64 KiB.
QByteArray bigHeader(int* streamCount)
{
    QVector<cRsn3Writer::Stream> streams;
    // The fixed fields and the name, then id, type, "pcm", title and the
    // empty charset of each descriptor.
    for (int i = 0, end = 14; end < 0xFFFF - 32; ++i) {
        streams.append({quint8(i), 2, "pcm", "a" + QByteArray::number(i), ""});
        end += 8 + int(streams.last().title.size());
    }
    *streamCount = int(streams.size());
    cRsn3Writer w;
    return w.header("bench", streams, {{1, "-utf8"}, {2, "UTC"}});
}

QByteArray indexRecords(qsizetype total)
{
    QByteArray out;
    for (quint32 i = 0; out.size() < total; ++i)
        out += cRsn3Writer::index(i, i, i);
    return out;
}

// Milliseconds for feeding body one byte per append after prefix was
// appended whole; the records it gives, and the streams their headers list,
// are counted into *records.
double bytewiseMs(const QByteArray& prefix, const QByteArray& body, int* records)
{
    return 1e3 * best(3, [&] {
               cRsn3Parser parser;
               int n = 0;
               QObject::connect(&parser, &cRsn3Parser::onHDR,
                                [&n](const HDR_T& h) { n += 1 + int(h.streams.size()); });
               QObject::connect(&parser, &cRsn3Parser::onIDX, [&n](const IDX_T&) { ++n; });
               parser.append(prefix);
               const char* p = body.constData();
               for (qsizetype at = 0; at < body.size(); ++at)
                   parser.append(QByteArray::fromRawData(p + at, 1));
               *records = n;
           });
}

void benchHeaderBytewise()
{
    int streams = 0;
    const QByteArray header = bigHeader(&streams);
    cRsn3Writer w;
    const QByteArray small = w.header("bench", {{0, 1, "mp4v", "video", ""}});
    // Each stream is followed by an index record, so its last record ends too.
    const QByteArray lastIndex = cRsn3Writer::index(0);
    const QByteArray records = indexRecords(header.size());

    int headers = 0, indexes = 0;
    const double ours = bytewiseMs({}, header + lastIndex, &headers);
    const double reference = bytewiseMs(small, records + lastIndex, &indexes);
    if (headers != streams + 2 || indexes != 3 + records.size() / lastIndex.size())
        qFatal("bytewise delivery lost records (%d, %d)", headers, indexes);
    std::printf("bench rsn3_header_bytewise: ours=%.1fms reference=%.1fms ratio=%.2f\n", ours,
                reference, ours / reference);
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
    benchHeaderBytewise();
    return 0;
}
