#pragma once

// Packed setup descriptions that a configuration source must refuse before
// it fetches or copies any file they name. Each one lists the file "streams"
// ahead of its fault, so a source that reads only the file list, or ignores
// how the unpacking ended, goes on to fetch it.

#include <QByteArray>
#include <QList>
#include <QString>

#include <zlib.h>

struct BadDescription
{
    const char* row;
    QByteArray packed; // the bytes of setup-m.xml.gz
    QString message;   // %1 names the description, as the source does
};

// `head` followed by `zeros` zero bytes, gzip-compressed as a stream, so that
// a file far beyond the unpacking cap costs little to make.
inline QByteArray gzipped(const QByteArray& head, qint64 zeros = 0)
{
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out;
    const QByteArray block(1 << 20, '\0');
    char chunk[1 << 16];
    const auto pump = [&](const QByteArray& in, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        z.avail_in = uInt(in.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(chunk);
            z.avail_out = sizeof chunk;
            deflate(&z, flush);
            out.append(chunk, qsizetype(sizeof chunk - z.avail_out));
        } while (z.avail_out == 0);
    };
    pump(head, Z_NO_FLUSH);
    for (; zeros > 0; zeros -= block.size())
        pump(block.left(qsizetype(qMin<qint64>(zeros, block.size()))), Z_NO_FLUSH);
    pump(QByteArray(), Z_FINISH);
    deflateEnd(&z);
    return out;
}

// `getCommand` is how the source's kind of device names the streams file.
inline QList<BadDescription> badDescriptions(const QByteArray& getCommand)
{
    const QByteArray head = "<pxsetup version=\"1.0\"><di><difile name=\"streams\" get_command=\"" +
                            getCommand + "\" put_command=\"" + getCommand + "\"/></di>";
    const QByteArray window = "<window><title>" + QByteArray(4000, 't') + "</title></window>";
    const QByteArray mismatch = "<window><title>x</window>";
    const QByteArray whole = gzipped(head + window + "</pxsetup>");
    const qint64 cap = qint64(64) * 1024 * 1024;
    return {
        {"larger than 4 MiB", gzipped(head + window + QByteArray(4 << 20, ' ') + "</pxsetup>"),
         "The setup description %1 is larger than 4 MiB."},
        {"nested 257 levels",
         gzipped(head + QByteArray("<a>").repeated(256) + QByteArray("</a>").repeated(256) +
                 "</pxsetup>"),
         "The setup description %1 nests elements deeper than 256 levels (line 1, column " +
             QString::number(head.size() + 256 * 3) + ")."},
        // Reported where the mismatched end tag ends.
        {"broken after the file list", gzipped(head + mismatch + "</pxsetup>"),
         "The setup description %1 is not well-formed (line 1, column " +
             QString::number(head.size() + mismatch.size()) + "): "},
        {"truncated archive", whole.left(whole.size() - 12),
         "The setup description %1 is truncated or damaged."},
        {"archive over the unpacking cap", gzipped(head + "<window><title>", cap),
         "The setup description %1 unpacks to more than 64 MiB."},
    };
}
