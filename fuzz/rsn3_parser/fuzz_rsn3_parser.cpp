// Feeds arbitrary bytes through the RSN3 parser and demuxer. The leading
// input bytes say how the stream is cut into chunks, the rest is the stream.
// The same stream is also delivered whole: both deliveries must give the
// same records.
//
// Cutting: byte 0 gives the number of (size, run) pairs that follow, up to
// 8; a pair stands for 1 + run chunks of 1 + size bytes each, and the pairs
// repeat until the stream ends. No pairs: the stream comes in one piece.
// So (0, 255) delivers one byte at a time, over the whole stream when it is
// the only pair, or in stretches of 256 bytes between larger chunks.
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"

#include <QStringList>
#include <QVector>

#include <cstdint>
#include <cstdlib>

namespace {

// A target for every reserved key; counts what reaches it.
class Sink : public QObject
{
    Q_OBJECT
public:
    qint64 calls = 0;
    Q_INVOKABLE void create(const QString& s) { calls += 1 + s.size(); }
    Q_INVOKABLE void create() { ++calls; }
    Q_INVOKABLE void append(const QByteArray& b) { calls += 1 + b.size(); }
    Q_INVOKABLE void append(quint64 t) { calls += 1 + qint64(t & 0xFF); }
};

struct Cut
{
    quint8 size;
    quint8 run;
};

QByteArrayList run(const char* data, size_t size, const QVector<Cut>& cuts)
{
    cRsn3Parser parser;
    cRsn3Demuxer demuxer;
    Sink sink;
    for (unsigned int key : {0u, 1u, 2u, 7u, cRsn3Demuxer::kHeaderTextKey, cRsn3Demuxer::kTimeKey,
                             cRsn3Demuxer::kTitleKeyBase, cRsn3Demuxer::kTitleKeyBase + 1})
        demuxer.targets[key] = &sink;
    QObject::connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
    QObject::connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
    QObject::connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);

    QByteArrayList log;
    QObject::connect(&parser, &cRsn3Parser::onHDR, [&](const HDR_T& h) {
        log << "H" + h.name + QByteArray::number(h.streams.size()) + h.info.join('|');
    });
    QObject::connect(&parser, &cRsn3Parser::onIDX,
                     [&](const IDX_T& x) { log << "I" + QByteArray::number(x.seconds) + x.extra; });
    QObject::connect(&parser, &cRsn3Parser::onDATA, [&](const DATA_T& d) {
        if (d.length != quint32(d.payload.size()) || d.payload.size() > cRsn3Parser::kMaxPayload)
            abort();
        log << "D" + QByteArray::number(d.streamId) + QByteArray::number(d.msec) + d.payload;
    });

    size_t at = 0;
    auto deliver = [&](size_t chunk) {
        chunk = qMin(chunk, size - at);
        parser.append(QByteArray::fromRawData(data + at, int(chunk)));
        at += chunk;
    };
    if (cuts.isEmpty())
        deliver(size);
    for (int i = 0; at < size && !cuts.isEmpty(); i = (i + 1) % cuts.size()) {
        for (int n = 0; n <= cuts[i].run && at < size; ++n)
            deliver(1 + size_t(cuts[i].size));
    }
    return log;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t pairs = qMin<size_t>(data[0] % 9, (size - 1) / 2);
    QVector<Cut> cuts;
    for (size_t i = 0; i < pairs; ++i)
        cuts.append({data[1 + 2 * i], data[2 + 2 * i]});
    const size_t skip = 1 + 2 * pairs;
    const char* stream = reinterpret_cast<const char*>(data + skip);
    if (run(stream, size - skip, cuts) != run(stream, size - skip, {}))
        abort();
    return 0;
}

#include "fuzz_rsn3_parser.moc"
