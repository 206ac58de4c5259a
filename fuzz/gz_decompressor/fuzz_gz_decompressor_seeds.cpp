// Seeds for the gzip target: the sample description compressed, members
// back to back, cut short, with bytes behind, plain text, and a member of
// zeros that the fill byte repeats past the output cap.
#include "seedcorpus.h"

#include <zlib.h>

namespace {

QByteArray gzipped(const QByteArray& plain)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(plain.size()))) + 32, '\0');
    z.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(plain.constData()));
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<unsigned char*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

} // namespace

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray once(1, '\0');
    const QByteArray description =
        gzipped(SeedCorpus::read(QStringLiteral(SAMPLE_DEVICE_SOURCE "/setup-m.xml")));
    const QByteArray hello = gzipped("hello");
    corpus.add(QStringLiteral("description"), once + description);
    corpus.add(QStringLiteral("two-members"), once + hello + gzipped(" world"));
    corpus.add(QStringLiteral("bytes-behind"), once + hello + "junk");
    corpus.add(QStringLiteral("cut-short"), once + description.left(description.size() / 2));
    corpus.add(QStringLiteral("plain"), once + "<pxsetup version=\"1.0\"/>");
    corpus.add(QStringLiteral("empty-member"), once + gzipped(QByteArray()));
    corpus.add(QStringLiteral("repeated"), char(0xF4) + hello);
    corpus.add(QStringLiteral("past-the-cap"), char(0xFF) + gzipped(QByteArray(1 << 20, '\0')));
}
