// Seeds for the device answer target: one byte with the frame flag and the
// count of chunk sizes, the sizes, then the bytes.
#include "seedcorpus.h"

#include <QList>

namespace {

QByteArray header(bool framed, const QList<quint8>& sizes)
{
    QByteArray out(1, char((framed ? 1 : 0) | ((sizes.size() - 1) << 1)));
    for (quint8 s : sizes)
        out += char(s);
    return out;
}

} // namespace

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray received[] = {
        "LENGTH=21\r\nabcdeVELK_ANSWER=OK\r\n",
        "LENGTH=16\r\nVELK_ANSWER=OK\r\n",
        "LENGTH=29\r\nVELK_ANSWER=ERROR:disk busy\r\n",
        "LENGTH=19\r\nVELK_ANSWER=ERROR\r\n",
        "LENGTH=19\r\nVELK_ANSWER=MAYBE\r\n",
        QByteArray("x\0LENGTH=16\r\nVELK_ANSWER=OK\r\n", 29),
        "LENGTH=3\r\nabc",
        "LENGTH=268435457\r\nVELK_ANSWER=OK\r\n",
        "LENGTH=99999999999999999999999\r\n",
        "LENGTH=LENGTH=16\r\nVELK_ANSWER=OK\r\nVELK_ANSWER=OK\r\n",
        QByteArray(4085, 'j') + "LENGTH=16\r\nVELK_ANSWER=OK\r\n",
        QByteArray(5000, 'j'),
    };
    int n = 0;
    for (const QByteArray& bytes : received) {
        corpus.add(QStringLiteral("whole-%1").arg(n), header(false, {255}) + bytes);
        corpus.add(QStringLiteral("split-%1").arg(n++), header(false, {0, 6, 2}) + bytes);
    }
    const QByteArray payloads[] = {"", "[ untitled ]\r\na=1\r\n",
                                   QByteArray("LENGTH=3\r\nVELK_ANSWER=OK\r\n\0bin", 30),
                                   QByteArray(600, 'p')};
    n = 0;
    for (const QByteArray& payload : payloads)
        corpus.add(QStringLiteral("framed-%1").arg(n++), header(true, {3, 0, 200, 9}) + payload);
}
