#include "cgzdecompressor.h"

#include <QFile>

#include <zlib.h>

#include <limits>

bool cGzDecompressor::extract(const QString& source, const QString& target)
{
    m_target = target;
    QFile out(target);
    const bool outOpen = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    gzFile in = gzopen(source.toLocal8Bit().constData(), "rb");
    m_result = !in ? Unreadable : !outOpen ? Unwritable : copy(in, out);
    // A truncated archive shows itself only here.
    if (in && gzclose(in) != Z_OK && m_result == Complete)
        m_result = Damaged;
    return m_result == Complete;
}

cGzDecompressor::Result cGzDecompressor::copy(gzFile_s* in, QFile& out)
{
    char buffer[1024];
    qint64 total = 0;
    for (;;) {
        const int n = gzread(in, buffer, sizeof buffer);
        if (n <= 0)
            return n == 0 ? Complete : Damaged;
        total += n;
        if (total > kMaxOutput)
            return TooLarge;
        if (out.write(buffer, n) != n)
            return Unwritable;
    }
}

bool cGzDecompressor::unpack(const QByteArray& packed, QByteArray& plain)
{
    m_target.clear();
    m_result = inflateMembers(packed, plain);
    return m_result == Complete;
}

namespace {

bool startsMember(const unsigned char* p, uInt left)
{
    return left >= 2 && p[0] == 0x1f && p[1] == 0x8b;
}

} // namespace

// As gzread reads a file: gzip members back to back, bytes after a member
// that do not start another ignored, and data that does not start with a
// member taken as it is.
cGzDecompressor::Result cGzDecompressor::inflateMembers(const QByteArray& packed, QByteArray& plain)
{
    plain.clear();
    auto* next = reinterpret_cast<unsigned char*>(const_cast<char*>(packed.constData()));
    // zlib counts its input in 32 bits; an answer is bounded far below that.
    if (packed.size() > std::numeric_limits<uInt>::max())
        return TooLarge;
    if (!startsMember(next, uInt(packed.size()))) {
        if (packed.size() > kMaxOutput)
            return TooLarge;
        plain = packed;
        return Complete;
    }
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return Damaged;
    z.next_in = next;
    z.avail_in = uInt(packed.size());
    // Inflated straight into `plain`, grown by doubling up to one byte past
    // the cap, which tells a complete archive at the cap from a larger one.
    constexpr qsizetype kFirstChunk = 64 * 1024;
    qsizetype used = 0;
    Result result = Damaged;
    for (;;) {
        if (used == plain.size()) {
            if (used > kMaxOutput) {
                result = TooLarge;
                break;
            }
            plain.resize(qMin<qsizetype>(kMaxOutput + 1, qMax(kFirstChunk, used * 2)));
        }
        z.next_out = reinterpret_cast<unsigned char*>(plain.data() + used);
        z.avail_out = uInt(plain.size() - used);
        const int r = inflate(&z, Z_NO_FLUSH);
        used = plain.size() - z.avail_out;
        if (r == Z_STREAM_END && startsMember(z.next_in, z.avail_in)) {
            inflateReset(&z);
            continue;
        }
        if (r != Z_OK) {
            // Z_BUF_ERROR: the input ended before its member did.
            result = r == Z_STREAM_END ? Complete : Damaged;
            break;
        }
    }
    if (used > kMaxOutput)
        result = TooLarge;
    plain.resize(qMin(used, kMaxOutput));
    inflateEnd(&z);
    return result;
}

QString cGzDecompressor::errorString(const QString& name) const
{
    switch (m_result) {
    case Complete:
        break;
    case Unreadable:
        return tr("Cannot read the setup description %1.").arg(name);
    case Damaged:
        return tr("The setup description %1 is truncated or damaged.").arg(name);
    case TooLarge:
        return tr("The setup description %1 unpacks to more than %2 MiB.")
            .arg(name)
            .arg(kMaxOutput / (1024 * 1024));
    case Unwritable:
        return tr("Can not write \"%1\"").arg(m_target);
    }
    return QString();
}
