// Seeds for the PTZ receive target: one byte of cut pairs (see the target),
// the pairs, then a stream of lines and frames as a device sends them.
#include "ptzwire.h"
#include "seedcorpus.h"

using namespace ptzwire;

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray whole("\x00", 1);
    const QByteArray bytewise("\x01\x00\xff", 3);
    const QByteArray mixed("\x02\x05\x03\x40\x01", 5);
    const QByteArray streams[] = {
        positionLine(12345, 905, 100) + greyFrame(16, 8),
        jpegFrame(32, 24) + positionLine(1, 2, 3),
        frame(cameraLine(3, 32 + 64), {3, 8, 8, 64}, greyPayload(8, 8)) +
            ptzFrame({3, 8, 8, 64, 0}, greyPayload(8, 8)),
        QByteArray("LENGTH=16\r\nVELK_ANSWER=OK\r\n") + ptzFrame({1, 2, 2, 4}, QByteArray(12, 'x')),
        ptzLine(32 + 5) + header({4, 100000, 8, 5}) + "bogus" + greyFrame(4, 4),
    };
    int n = 0;
    for (const QByteArray& stream : streams) {
        corpus.add(QStringLiteral("whole-%1").arg(n), whole + stream);
        corpus.add(QStringLiteral("bytewise-%1").arg(n), bytewise + stream);
        corpus.add(QStringLiteral("mixed-%1").arg(n), mixed + stream);
        ++n;
    }
}
