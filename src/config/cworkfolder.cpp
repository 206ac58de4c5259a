#include "cworkfolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// Characters of a file name that come from the caller's hint.
constexpr int kHintChars = 48;

// The start time of process `pid` in clock ticks since boot (field 22 of its
// stat line), which tells a live owner from a later process that was given
// the same pid. Empty when there is no such process.
QString startTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray line = stat.readAll();
    // The command name in parentheses may itself hold blanks and ")".
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return QString();
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    constexpr int kStartField = 22 - 3;
    return fields.size() > kStartField ? QString::fromLatin1(fields.at(kStartField)) : QString();
}

const QString& ownTag()
{
    static const QString tag = cWorkFolder::ownerTag(QCoreApplication::applicationPid());
    return tag;
}

QString sanitised(const QString& hint)
{
    QString name = hint.left(kHintChars);
    for (QChar& c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_');
        if (!plain)
            c = QLatin1Char('_');
    }
    return name;
}

// Removes the files of folder `name` (relative to `atFd`) and then the
// folder. The folder is opened without following a link, and its entries
// are unlinked relative to it, so nothing outside it is ever reached; a
// subfolder (which we never make) stays, and so does the folder then.
bool removeFolder(int atFd, const QByteArray& name)
{
    const int fd = openat(atFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    // Listed first: removing entries while reading the list is unspecified.
    std::vector<QByteArray> entries;
    while (const dirent* e = readdir(dir)) {
        const QByteArray entry(e->d_name);
        if (entry != "." && entry != "..")
            entries.push_back(entry);
    }
    for (const QByteArray& entry : entries)
        unlinkat(fd, entry.constData(), 0);
    closedir(dir);
    return unlinkat(atFd, name.constData(), AT_REMOVEDIR) == 0;
}

bool isOwnFolder(int parentFd, const QByteArray& name)
{
    struct stat st;
    return fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

} // namespace

cWorkFolder::~cWorkFolder()
{
    if (!m_path.isEmpty())
        removeFolder(AT_FDCWD, QFile::encodeName(m_path));
}

QString cWorkFolder::ownerTag(qint64 pid)
{
    const QString start = startTime(pid);
    return start.isEmpty() ? QString() : QStringLiteral("%1-%2").arg(pid).arg(start);
}

QString cWorkFolder::root()
{
    const QString path =
        QDir::tempPath() + QLatin1Char('/') + QLatin1String(kPrefix) + QString::number(geteuid());
    const QByteArray name = QFile::encodeName(path);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // Someone else may have made it first, in a location all users share.
    struct stat st;
    if (lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
        (st.st_mode & 077) != 0)
        return QString();
    return path;
}

bool cWorkFolder::make()
{
    QString parent = root();
    if (!parent.isEmpty())
        removeAbandoned(parent);
    const QString tag = ownTag().isEmpty()
                            ? QStringLiteral("%1-0").arg(QCoreApplication::applicationPid())
                            : ownTag();
    // Without a folder of folders, each folder stands in the temporary
    // location itself, named so that nobody takes it for someone else's.
    const QString prefix = parent.isEmpty() ? QLatin1String(kPrefix) : QString();
    if (parent.isEmpty())
        parent = QDir::tempPath();
    QByteArray name =
        QFile::encodeName(parent + QLatin1Char('/') + prefix + tag + QStringLiteral("-XXXXXX"));
    // mkdtemp makes the folder for its owner alone (0700).
    if (!mkdtemp(name.data())) {
        m_error = tr("Can not create a folder in \"%1\"").arg(parent);
        return false;
    }
    m_path = QFile::decodeName(name);
    return true;
}

QString cWorkFolder::write(const QString& hint, const QByteArray& data)
{
    if (m_path.isEmpty() && !make())
        return QString();
    const QString path = m_path + QLatin1Char('/') + QString::number(++m_serial) +
                         QLatin1Char('-') + sanitised(hint);
    QFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                                  QFile::ReadOwner | QFile::WriteOwner);
    if (opened && file.write(data) == data.size())
        return path;
    m_error = tr("Can not write \"%1\"").arg(path);
    // A short copy must not be taken for the whole file later.
    if (opened)
        file.remove();
    return QString();
}

void cWorkFolder::remove(const QString& path)
{
    if (holds(path))
        QFile::remove(path);
}

bool cWorkFolder::holds(const QString& path) const
{
    return !m_path.isEmpty() && path.startsWith(m_path + QLatin1Char('/'));
}

int cWorkFolder::removeAbandoned(const QString& parent)
{
    // Without a way to tell live owners from gone ones, every folder stays.
    if (ownTag().isEmpty())
        return 0;
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)-(\\d+)-[A-Za-z0-9]{6}$"));
    DIR* dir = opendir(QFile::encodeName(parent).constData());
    if (!dir)
        return 0;
    std::vector<QByteArray> gone;
    while (const dirent* e = readdir(dir)) {
        const QString name = QFile::decodeName(e->d_name);
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        const QString tag = m.captured(1) + QLatin1Char('-') + m.captured(2);
        if (ownerTag(m.captured(1).toLongLong()) != tag)
            gone.push_back(QByteArray(e->d_name));
    }
    int removed = 0;
    for (const QByteArray& name : gone) {
        if (isOwnFolder(dirfd(dir), name) && removeFolder(dirfd(dir), name))
            ++removed;
    }
    closedir(dir);
    return removed;
}
