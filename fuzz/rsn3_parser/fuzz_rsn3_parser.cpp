// Feeds arbitrary bytes through the RSN3 parser and demuxer. The first input
// byte picks the chunk size, the rest is the stream. The same stream is also
// delivered whole: both deliveries must give the same records.
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"

#include <QStringList>

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

QByteArrayList run(const char* data, size_t size, size_t chunk)
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

    for (size_t at = 0; at < size; at += chunk)
        parser.append(QByteArray::fromRawData(data + at, int(qMin(chunk, size - at))));
    return log;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t chunk = 1 + data[0];
    const char* stream = reinterpret_cast<const char*>(data + 1);
    if (run(stream, size - 1, chunk) != run(stream, size - 1, size))
        abort();
    return 0;
}

#include "fuzz_rsn3_parser.moc"
