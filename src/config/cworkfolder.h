#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// The one private folder (mode 0700, in the temporary location) where a
// configuration source keeps its local copies. It is made on the first
// write and removed with everything in it when the object goes.
//
// The folders of one user live side by side in one folder of theirs (also
// 0700), so that looking for leftovers reads a short list rather than the
// whole temporary location. A folder's name records the owning process (pid
// and start time), so that the folders of a program that was killed before
// it could clean up are found and removed when the next one is made.
class cWorkFolder
{
    Q_DECLARE_TR_FUNCTIONS(cWorkFolder)

public:
    // The user's folder of folders is this followed by the user id; each
    // folder in it is named "<pid>-<start time>-" and six characters.
    static constexpr const char* kPrefix = "setupvelk-";

    cWorkFolder() = default;
    ~cWorkFolder();

    cWorkFolder(const cWorkFolder&) = delete;
    cWorkFolder& operator=(const cWorkFolder&) = delete;

    // Writes `data` to a new file of the folder, making the folder first if
    // need be. `hint` only makes the file name readable: it never becomes a
    // path. Returns the new file's path, or an empty string with
    // errorString() saying why.
    QString write(const QString& hint, const QByteArray& data);
    // Removes one file that write() made.
    void remove(const QString& path);
    // Whether `path` names a file of this folder.
    bool holds(const QString& path) const;

    // The folder, or empty while nothing has been written.
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // The user's folder of folders in the temporary location, made if need
    // be; empty when it cannot be made or is not a folder of the user's
    // alone (then each folder is made in the temporary location itself, and
    // no leftovers are looked for).
    static QString root();
    // Removes the folders in `parent` whose owning process is gone. Only
    // our own folders (by name, owner and type; never through a link) are
    // touched, and in them only their files. Returns how many went.
    static int removeAbandoned(const QString& parent);
    // "<pid>-<start time>" of a running process, as folder names hold it;
    // empty when there is no such process.
    static QString ownerTag(qint64 pid);

private:
    bool make();

    QString m_path;
    QString m_error;
    quint64 m_serial = 0;
};
