#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

namespace {

void mustWrite(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

Sandbox& Sandbox::instance()
{
    static Sandbox sandbox;
    return sandbox;
}

Sandbox::Sandbox() : m_root(QDir::temp().filePath(QStringLiteral("fuzz_setup_dialog-XXXXXX")))
{
    if (!m_root.isValid())
        std::abort();
    m_canonicalRoot = QDir(m_root.path()).canonicalPath();
    const QDir root(m_canonicalRoot);
    root.mkpath(QStringLiteral("tmp"));
    root.mkpath(QStringLiteral("config"));
    qputenv("TMPDIR", root.filePath(QStringLiteral("tmp")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("PXSETTINGS_FILE", root.filePath(QStringLiteral("pxsettings.ini")).toLocal8Bit());
}

bool Sandbox::contains(const QString& path) const
{
    // The folder the file goes into, with every link resolved; a file that
    // does not exist yet has no canonical path of its own.
    const QFileInfo file(path);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return !folder.isEmpty() && !file.fileName().isEmpty() &&
           (folder == m_canonicalRoot || folder.startsWith(m_canonicalRoot + QLatin1Char('/')));
}

QString Sandbox::drive() const
{
    return QDir(m_canonicalRoot).filePath(QStringLiteral("drive"));
}

void Sandbox::resetDrive(const QByteArray& description)
{
    QDir drive(this->drive());
    drive.removeRecursively();
    drive.mkpath(QStringLiteral("."));
    const QDir sample(QStringLiteral(SAMPLE_DEVICE_SOURCE));
    for (const QString& name : sample.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
        QFile in(sample.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            std::abort();
        mustWrite(drive.filePath(name), in.readAll());
    }
    mustWrite(drive.filePath(QStringLiteral("setup-m.xml.gz")), description);
}
