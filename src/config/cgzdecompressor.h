#pragma once

#include <QCoreApplication>
#include <QString>

class QFile;
struct gzFile_s;

// Unpacks a gzip file (the compressed setup description) into a plain file,
// or the same bytes in memory.
class cGzDecompressor
{
    Q_DECLARE_TR_FUNCTIONS(cGzDecompressor)

public:
    // Output beyond this is cut off: a description is a few hundred
    // kilobytes, and a crafted archive must not fill the disk.
    static constexpr qint64 kMaxOutput = 64 * 1024 * 1024;

    enum Result
    {
        Complete,
        Unreadable, // the source could not be opened
        Damaged,    // truncated or corrupt: its end was never reached
        TooLarge,   // cut off at kMaxOutput
        Unwritable  // the target could not be written
    };

    // Writes the unpacked bytes of `source` to `target`, creating or
    // truncating it. A missing or unreadable source leaves `target` empty;
    // data that is not gzip is copied as it is. Returns false when the source
    // could not be read to its end or the output was cut off; result() and
    // errorString() then say which.
    bool extract(const QString& source, const QString& target);
    // The same for an archive held in memory, unpacked into `plain`: no file
    // is read or written, so result() is never Unreadable or Unwritable.
    bool unpack(const QByteArray& packed, QByteArray& plain);

    Result result() const { return m_result; }
    // Why the last extract() failed, for a user; `name` says which archive.
    QString errorString(const QString& name) const;

private:
    Result copy(gzFile_s* in, QFile& out);
    static Result inflateMembers(const QByteArray& packed, QByteArray& plain);

    Result m_result = Complete;
    QString m_target;
};
