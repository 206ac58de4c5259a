// Any bytes as a compressed description. The first byte repeats the rest
// (from 0xF0 on: 2 to 16 times, 0xFF: up to 16 MiB), so that a few bytes of
// concatenated members can unpack past the output cap. The unpacked file
// never exceeds the cap, and it is exactly what an in-memory inflate of the
// same members gives whenever the unpacker reports success; a complete
// archive within the cap must be reported as such. Unpacking the same bytes
// in memory gives the same verdict and, on success, the same bytes.
#include "config/cgzdecompressor.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QFile>

#include <zlib.h>

#include <cstdint>
#include <unistd.h>

namespace {

constexpr qint64 kMaxFile = 16 * 1024 * 1024;

enum class Outcome
{
    Complete,
    Broken,
    TooLong
};

bool startsMember(const unsigned char* p, uInt left)
{
    return left >= 2 && p[0] == 0x1f && p[1] == 0x8b;
}

// gzip members back to back; bytes after a member that do not start another
// are ignored, and data that does not start with one is taken as it is.
Outcome inflateMembers(const QByteArray& in, QByteArray& out)
{
    auto* next = reinterpret_cast<unsigned char*>(const_cast<char*>(in.constData()));
    if (!startsMember(next, uInt(in.size()))) {
        out = in;
        return Outcome::Complete;
    }
    z_stream z{};
    require(inflateInit2(&z, 15 + 16) == Z_OK);
    z.next_in = next;
    z.avail_in = uInt(in.size());
    Outcome outcome = Outcome::Broken;
    static char buffer[1 << 16];
    for (;;) {
        z.next_out = reinterpret_cast<unsigned char*>(buffer);
        z.avail_out = sizeof buffer;
        const int r = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        if (out.size() > cGzDecompressor::kMaxOutput) {
            outcome = Outcome::TooLong;
            break;
        }
        if (r == Z_STREAM_END && startsMember(z.next_in, z.avail_in)) {
            inflateReset(&z);
            continue;
        }
        if (r != Z_OK) {
            outcome = r == Z_STREAM_END ? Outcome::Complete : Outcome::Broken;
            break;
        }
    }
    inflateEnd(&z);
    return outcome;
}

QString scratch(const char* what)
{
    return QDir::temp().filePath(QStringLiteral("fuzz_gz_%1_%2").arg(::getpid()).arg(what));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray unit(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    qint64 repeats = data[0] < 0xF0 ? 1 : data[0] - 0xEE;
    if (data[0] == 0xFF)
        repeats = kMaxFile / unit.size();
    const QByteArray archive = unit.repeated(qsizetype(qMax<qint64>(1, repeats)));

    const QString source = scratch("in");
    const QString target = scratch("out");
    {
        QFile f(source);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                f.write(archive) == archive.size());
    }
    const bool reported = cGzDecompressor().extract(source, target);
    QFile f(target);
    require(f.open(QIODevice::ReadOnly));
    require(f.size() <= cGzDecompressor::kMaxOutput);
    const QByteArray unpacked = f.readAll();

    QByteArray expected;
    switch (inflateMembers(archive, expected)) {
    case Outcome::Complete:
        require(reported && unpacked == expected);
        break;
    case Outcome::TooLong:
        require(!reported && expected.startsWith(unpacked));
        break;
    case Outcome::Broken:
        require(!reported);
        break;
    }
    // In memory the same archive gives the same verdict and the same bytes.
    QByteArray inMemory;
    require(cGzDecompressor().unpack(archive, inMemory) == reported);
    require(inMemory.size() <= cGzDecompressor::kMaxOutput);
    if (reported)
        require(inMemory == unpacked);
    return 0;
}
