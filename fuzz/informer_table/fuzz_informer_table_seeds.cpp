// Seeds for the informer target: one byte of mode (1 framed, 8 to 15
// repeated; bits 1-2 the count of chunk sizes after it), the sizes, for a
// repeated record one byte of count (from 0xc0: 4095 to 4098, else 2 to 9),
// then the bytes.
#include "seedcorpus.h"

#include <QtEndian>

#include <cstring>

namespace {

QByteArray record(const QByteArray& address, const QByteArray& name, const QByteArray& platform)
{
    QByteArray r(2892, '\0');
    std::memcpy(r.data() + 8, name.constData(), size_t(name.size()));
    std::memcpy(r.data() + 56, platform.constData(), size_t(platform.size()));
    r[256] = 1;
    std::memcpy(r.data() + 257, address.constData(), size_t(address.size()));
    qToLittleEndian<qint32>(3, r.data() + 780);
    return r;
}

} // namespace

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray door = record("127.0.0.9", "front door", "type:velk-r,ver:2");
    const QByteArray yard = record("127.0.0.10", "yard", "type:velk-c,ver:1:ptz");
    const QByteArray framedWhole("\x01\xff", 2);
    const QByteArray framedSplit("\x05\x07\x30\x02", 4);
    corpus.add(QStringLiteral("one"), framedWhole + door);
    corpus.add(QStringLiteral("two-split"), framedSplit + door + yard);
    corpus.add(QStringLiteral("shared-address"), framedWhole + door + record("127.0.0.9", "b", ""));
    corpus.add(QStringLiteral("cut-short"), framedSplit + door.left(2000));
    corpus.add(QStringLiteral("length-only"), QByteArray("\x00\xff\x00\x00\x00\x00", 6));
    // 4096 and 4097 copies of one record: the largest table and one more.
    corpus.add(QStringLiteral("largest"), QByteArray("\x08\xff\xc1", 3) + door);
    corpus.add(QStringLiteral("one-too-many"), QByteArray("\x08\xff\xc2", 3) + door);
    corpus.add(QStringLiteral("a-few"), QByteArray("\x08\xff\x03", 3) + door);
}
