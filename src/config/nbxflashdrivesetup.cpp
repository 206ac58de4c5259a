#include "nbxflashdrivesetup.h"

#include "cdescriptionscanner.h"
#include "cgzdecompressor.h"
#include "difilelist.h"
#include "util/atomicwrite.h"

#include <QFile>
#include <QTemporaryFile>

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

} // namespace

NBXFlashDriveSetup::NBXFlashDriveSetup(const QString& directory) : NBXSetup(directory) {}

NBXFlashDriveSetup::~NBXFlashDriveSetup()
{
    // Settings objects write once more as they go: let them do it before the
    // copies are removed, not recreate them afterwards.
    dropSettings();
    qDeleteAll(m_copies);
}

QTemporaryFile* NBXFlashDriveSetup::newCopy(bool first)
{
    auto* file = new QTemporaryFile;
    file->open();
    if (first)
        m_copies.prepend(file);
    else
        m_copies.append(file);
    return file;
}

QString NBXFlashDriveSetup::inDirectory(const QString& fileName) const
{
    return address() + QLatin1Char('/') + fileName;
}

void NBXFlashDriveSetup::load()
{
    const QString packed = inDirectory(QStringLiteral("setup-m.xml.gz"));
    QTemporaryFile* description = newCopy(true);
    QList<DiFile> files;
    const QString refusal = unpackDescription(packed, description->fileName(), files);
    setFilePath(QStringLiteral("interface"), description->fileName());
    if (!fileExists(QStringLiteral("general")))
        setFilePath(QStringLiteral("general"), newCopy()->fileName());
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

bool NBXFlashDriveSetup::copyIn(const DiFile& difile)
{
    const QString source = inDirectory(difile.getCommand);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Can not open \"%1\"").arg(source));
        return false;
    }
    QTemporaryFile* copy = newCopy();
    copy->write(in.readAll());
    copy->flush();
    setFilePath(difile.name, copy->fileName());
    return true;
}

void NBXFlashDriveSetup::store()
{
    flush();
    QList<DiFile> files;
    if (readDiFileList(filePath(QStringLiteral("interface")), files)) {
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
    if (difile.type == QLatin1String("state"))
        _compile_state(difile.name);
    QFile copy(filePath(difile.name));
    if (!copy.open(QIODevice::ReadOnly))
        return;
    writeOut(inDirectory(difile.putCommand), copy.readAll());
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
