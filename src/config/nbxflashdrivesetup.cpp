#include "nbxflashdrivesetup.h"

#include "cgzdecompressor.h"
#include "util/atomicwrite.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryFile>

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

bool NBXFlashDriveSetup::fileList(QList<QDomElement>& files)
{
    QFile description(filePath(QStringLiteral("interface")));
    QDomDocument doc;
    if (!description.open(QIODevice::ReadOnly) || !doc.setContent(&description))
        return false;
    const QDomElement di = doc.documentElement().firstChildElement(QStringLiteral("di"));
    for (QDomElement f = di.firstChildElement(QStringLiteral("difile")); !f.isNull();
         f = f.nextSiblingElement(QStringLiteral("difile")))
        files.append(f);
    return true;
}

void NBXFlashDriveSetup::load()
{
    QTemporaryFile* description = newCopy(true);
    cGzDecompressor().extract(inDirectory(QStringLiteral("setup-m.xml.gz")),
                              description->fileName());
    setFilePath(QStringLiteral("interface"), description->fileName());
    if (!fileExists(QStringLiteral("general")))
        setFilePath(QStringLiteral("general"), newCopy()->fileName());
    emit progress(50);

    QList<QDomElement> files;
    if (fileList(files)) {
        for (const QDomElement& f : qAsConst(files)) {
            if (!copyIn(f))
                break;
        }
    }
    emit progress(100);
    emit loadDone();
}

bool NBXFlashDriveSetup::copyIn(const QDomElement& difile)
{
    const QString source = inDirectory(difile.attribute(QStringLiteral("get_command")));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        emit pseudothrow(tr("Can not open \"%1\"").arg(source));
        return false;
    }
    QTemporaryFile* copy = newCopy();
    copy->write(in.readAll());
    copy->flush();
    setFilePath(difile.attribute(QStringLiteral("name")), copy->fileName());
    return true;
}

void NBXFlashDriveSetup::store()
{
    flush();
    QList<QDomElement> files;
    if (fileList(files)) {
        for (const QDomElement& f : qAsConst(files))
            copyOut(f);
        writeOut(inDirectory(QStringLiteral("streams.ini.copy")), m_pendingTime.toLocal8Bit());
    }
    emit progress(100);
}

void NBXFlashDriveSetup::copyOut(const QDomElement& difile)
{
    const QString target = difile.attribute(QStringLiteral("put_command"));
    if (target.isEmpty())
        return;
    const QString name = difile.attribute(QStringLiteral("name"));
    if (difile.attribute(QStringLiteral("type")) == QLatin1String("state"))
        _compile_state(name);
    QFile copy(filePath(name));
    if (!copy.open(QIODevice::ReadOnly))
        return;
    writeOut(inDirectory(target), copy.readAll());
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
