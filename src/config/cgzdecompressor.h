#pragma once

#include <QString>

// Unpacks a gzip file (the compressed setup description) into a plain file.
class cGzDecompressor
{
public:
    // Output beyond this is cut off: a description is a few hundred
    // kilobytes, and a crafted archive must not fill the disk.
    static constexpr qint64 kMaxOutput = 64 * 1024 * 1024;

    // Writes the unpacked bytes of `source` to `target`, creating or
    // truncating it. A missing or unreadable source leaves `target` empty;
    // data that is not gzip is copied as it is. Returns false when the source
    // could not be read to its end or the output was cut off.
    bool extract(const QString& source, const QString& target);
};
