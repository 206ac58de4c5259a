// Feeds arbitrary bytes through the PTZ connection's receive steps. The
// leading input bytes say how the stream is cut into chunks, the rest is
// the stream; the same stream is also delivered whole, and both deliveries
// must report the same events. After every chunk the receiver holds less
// than a line or header of unparsed bytes, and never a frame buffer larger
// than the largest picture it accepts.
//
// Cutting: byte 0 gives the number of (size, run) pairs that follow, up to
// 8; a pair stands for 1 + run chunks of 1 + size bytes each, and the pairs
// repeat until the stream ends. No pairs: the stream comes in one piece.
#include "fuzzcheck.h"
#include "ptz/cptzreceiver.h"

#include <QCoreApplication>
#include <QVector>

#include <cstdint>

namespace {

struct Cut
{
    quint8 size;
    quint8 run;
};

constexpr qint64 kLargestFrame =
    qMax(qint64(cPTZReceiver::kMaxSide) * cPTZReceiver::kMaxSide, cPTZReceiver::kMaxJpeg);

QByteArrayList run(const char* data, size_t size, const QVector<Cut>& cuts)
{
    cPTZReceiver receiver;
    QByteArrayList log;
    QObject::connect(&receiver, &cPTZReceiver::positionReported, [&](int pan, int tilt, int zoom) {
        log << "P" + QByteArray::number(pan) + ' ' + QByteArray::number(tilt) + ' ' +
                   QByteArray::number(zoom);
    });
    QObject::connect(&receiver, &cPTZReceiver::pictureReady, [&] {
        const QImage& p = receiver.picture();
        require(p.width() <= cPTZReceiver::kMaxSide && p.height() <= cPTZReceiver::kMaxSide);
        log << "I" + QByteArray::number(receiver.camera()) + ' ' + QByteArray::number(p.width()) +
                   'x' + QByteArray::number(p.height());
    });
    QObject::connect(&receiver, &cPTZReceiver::frameReceived, [&] { log << "F"; });
    receiver.start();

    size_t at = 0;
    auto deliver = [&](size_t chunk) {
        chunk = qMin(chunk, size - at);
        receiver.feed(QByteArray::fromRawData(data + at, qsizetype(chunk)));
        at += chunk;
        require(receiver.bufferedBytes() < cPTZReceiver::kTextHeader);
        require(receiver.imageBufferBytes() <= kLargestFrame);
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

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image format plug-ins are found through the application's paths.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1)
        return 0;
    const size_t pairs = qMin<size_t>(bytes[0], 8);
    if (size < 1 + 2 * pairs)
        return 0;
    QVector<Cut> cuts;
    for (size_t i = 0; i < pairs; ++i)
        cuts.append({bytes[1 + 2 * i], bytes[2 + 2 * i]});
    const char* stream = reinterpret_cast<const char*>(bytes) + 1 + 2 * pairs;
    const size_t length = size - 1 - 2 * pairs;
    require(run(stream, length, cuts) == run(stream, length, {}));
    return 0;
}
