#include "nbxflashdrivesetup.h"

#include "cdescriptionscanner.h"
#include "cgzdecompressor.h"
#include "cworkfolder.h"
#include "difilelist.h"
#include "util/atomicwrite.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Unpacks the description and reads its file list. Returns why it is
// refused, leaving the list empty: nothing is copied for a description that
// the dialog will refuse, and the reason is given in words, not as an XML
// error deep in a cut-off file.
QString unpackDescription(const QString& packed, const QString& plain, QList<DiFile>& files)
{
    cGzDecompressor gz;
    if (!gz.extract(packed, plain))
        return gz.errorString(packed);
    cDescriptionScanner check;
    if (!readDiFileList(plain, files, nullptr, &check))
        return check.errorString(packed);
    return QString();
}

// Where a path finally leads: its chain of links followed (as opening and
// QSaveFile follow it, even to a file that does not exist yet) and its
// folder made canonical. Empty when that folder does not exist, where
// nothing can be read or written either.
QString resolvedPath(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 64; ++depth)
        info.setFile(info.symLinkTarget());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QString();
    return info.fileName().isEmpty() ? folder : folder + QLatin1Char('/') + info.fileName();
}

bool isPathInside(const QString& path, const QString& folder)
{
    const QString resolved = resolvedPath(path);
    if (resolved.isEmpty())
        return true;
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    return resolved == root ||
           resolved.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

// A file command names a file of the drive: no absolute path, no way up.
bool isPlainRelative(const QString& command)
{
    return !command.startsWith(QLatin1Char('/')) &&
           !command.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

} // namespace

NBXFlashDriveSetup::NBXFlashDriveSetup(const QString& directory)
    : NBXSetup(directory), m_folder(std::make_unique<cWorkFolder>())
{
}

NBXFlashDriveSetup::~NBXFlashDriveSetup()
{
    // The copies go with the folder: a last write of their settings, synced
    // to the disk just before the removal, would be lost work.
    discardSettings();
}

QString NBXFlashDriveSetup::newCopy(const QString& name, const QByteArray& data)
{
    const QString path = m_folder->write(name, data);
    if (path.isEmpty())
        emit pseudothrow(m_folder->errorString());
    return path;
}

QString NBXFlashDriveSetup::inDirectory(const QString& fileName) const
{
    return address() + QLatin1Char('/') + fileName;
}

void NBXFlashDriveSetup::load()
{
    const QString packed = inDirectory(QStringLiteral("setup-m.xml.gz"));
    const QString description = newCopy(QStringLiteral("interface"));
    QList<DiFile> files;
    const QString refusal =
        description.isEmpty() ? QString() : unpackDescription(packed, description, files);
    setFilePath(QStringLiteral("interface"), description);
    if (!fileExists(QStringLiteral("general")))
        setFilePath(QStringLiteral("general"), newCopy(QStringLiteral("general")));
    emit progress(50);

    if (!refusal.isEmpty())
        emit pseudothrow(refusal);
    for (const DiFile& f : qAsConst(files)) {
        if (!copyIn(f))
            break;
    }
    emit progress(100);
    emit loadDone();
}

QString NBXFlashDriveSetup::fileOfDrive(const QString& command)
{
    const QString path = inDirectory(command);
    if (isPlainRelative(command) && isPathInside(path, address()))
        return path;
    // A drive's description must not reach the user's own files.
    emit pseudothrow(tr("Refused \"%1\": it lies outside \"%2\"").arg(command, address()));
    return QString();
}

bool NBXFlashDriveSetup::copyIn(const DiFile& difile)
{
    const QString source = fileOfDrive(difile.getCommand);
    if (source.isEmpty())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Can not open \"%1\"").arg(source));
        return false;
    }
    const QString copy = newCopy(difile.name, in.readAll());
    if (copy.isEmpty())
        return false;
    setFilePath(difile.name, copy);
    return true;
}

void NBXFlashDriveSetup::store()
{
    // A settings file that could not be written would be copied to the
    // drive as it was before the edits, as if they had been stored.
    const QString unwritten = flushSettings();
    if (!unwritten.isEmpty()) {
        emit pseudothrow(unwritten);
        return;
    }
    QList<DiFile> files;
    if (readDiFileList(filePath(QStringLiteral("interface")), files)) {
        // A state file that could not be compiled would go to the drive
        // stale beside the new files: nothing is copied, and the edits stay
        // for another try.
        for (const DiFile& f : qAsConst(files)) {
            if (f.type == QLatin1String("state") && !f.putCommand.isEmpty() &&
                !filePath(f.name).isEmpty() && !_compile_state(f.name))
                return;
        }
        for (const DiFile& f : qAsConst(files))
            copyOut(f);
        writeOut(inDirectory(QStringLiteral("streams.ini.copy")), m_pendingTime.toLocal8Bit());
    }
    emit progress(100);
}

void NBXFlashDriveSetup::copyOut(const DiFile& difile)
{
    if (difile.putCommand.isEmpty())
        return;
    const QString target = fileOfDrive(difile.putCommand);
    if (target.isEmpty())
        return;
    QFile copy(filePath(difile.name));
    if (!copy.open(QIODevice::ReadOnly))
        return;
    writeOut(target, copy.readAll());
}

void NBXFlashDriveSetup::writeOut(const QString& path, const QByteArray& data)
{
    // Replaced whole, so a drive pulled out mid-write keeps the old file.
    if (!writeFileAtomically(path, data))
        emit pseudothrow(tr("Can not write \"%1\"").arg(path));
}

void NBXFlashDriveSetup::function(QString s, QString param)
{
    if (s != QLatin1String("set_time")) {
        NBXSetup::function(s, param);
        return;
    }
    m_pendingTime = QStringLiteral("[ v5m ]\ndate='%1'\nshifthour=%2\nshiftminute=%3\n"
                                   "shiftsecond=%4\n")
                        .arg(value(QStringLiteral("streams/v5m/date")))
                        .arg(value(QStringLiteral("streams/v5m/shifthour")))
                        .arg(value(QStringLiteral("streams/v5m/shiftminute")))
                        .arg(value(QStringLiteral("streams/v5m/shiftsecond")));
}
