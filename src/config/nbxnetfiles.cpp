// The local copies of NBXNetSetup: the list of files to fetch and what is
// kept of each received file.

#include "nbxnetsetup.h"

#include "cdescriptionscanner.h"
#include "cgzdecompressor.h"
#include "cworkfolder.h"
#include "difilelist.h"
#include "nbxsettings.h"

#include <QFile>

namespace {

// The marker put in front of a sectionless file so the settings reader has a
// section to file its keys under; it never goes back to the device.
const QByteArray kMarkerCrLf("[ untitled ]\r\n");

// The device's clock in its time file; only the clock's own button sets it.
const QString kTimeFile = QStringLiteral("time");
const QString kClockKey = QStringLiteral("untitled/YYYYMMDDHHMMSS");

// The name under which the unedited copy of a received file is read.
const QString kOriginalSuffix = QStringLiteral(".original");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray toCommandLine(const QString& attribute)
{
    if (attribute.isEmpty())
        return QByteArray();
    return (attribute + QStringLiteral("\r\n")).toLocal8Bit();
}

} // namespace

const QList<NBXNetSetup::compcommand> NBXNetSetup::mCommands = {
    {"GET SETUP\r\n", "", "interface", &NBXNetSetup::_push_interfacefile},
    {"GET CONFIG\r\n", "PUT CONFIG\r\n", "streams", &NBXNetSetup::_push_file},
    {"GET NET CONFIG\r\n", "PUT NET CONFIG\r\n", "net", &NBXNetSetup::_push_inifile},
    {"GET TIME CONFIG\r\n", "PUT TIME CONFIG\r\n", "time", &NBXNetSetup::_push_inifile},
    {"GET TIMER CONFIG\r\n", "PUT TIMER CONFIG\r\n", "timers", &NBXNetSetup::_push_file},
    {"GET SOFT CONFIG\r\n", "", "soft", &NBXNetSetup::_push_inifile},
    {"GET DISK CONFIG\r\n", "PUT DISK CONFIG\r\n", "disk", &NBXNetSetup::_push_inifile},
    {"GET USER CONFIG\r\n", "PUT USER CONFIG\r\n", "users", &NBXNetSetup::_push_inifile},
    {"GET STATE CONFIG\r\n", "PUT STATE CONFIG\r\n", "state", &NBXNetSetup::_push_statefile},
};

bool NBXNetSetup::_overwrite_cmdlist(const QString& name, QString* refusal)
{
    // Without a description the list stands as it is.
    const QString path = filePath(name);
    if (path.isEmpty())
        return true;
    QList<DiFile> files;
    bool hasDi = false;
    cDescriptionScanner check;
    if (!readDiFileList(path, files, &hasDi, &check)) {
        if (refusal)
            *refusal = check.errorString(_descriptionName());
        return false;
    }
    if (hasDi)
        _replace_cmdlist(files);
    return true;
}

void NBXNetSetup::_replace_cmdlist(const QList<DiFile>& files)
{
    static const struct
    {
        const char* type;
        Handler handler;
    } handlers[] = {
        {"inifile", &NBXNetSetup::_push_file},
        {"sectionless", &NBXNetSetup::_push_inifile},
        {"state", &NBXNetSetup::_push_statefile},
    };
    m_commands.clear();
    for (const DiFile& f : files) {
        Handler handler = &NBXNetSetup::_push_file;
        for (const auto& row : handlers) {
            if (f.type == QLatin1String(row.type))
                handler = row.handler;
        }
        m_commands.append(
            {toCommandLine(f.getCommand), toCommandLine(f.putCommand), f.name.toUtf8(), handler});
    }
}

QString NBXNetSetup::deviceName() const
{
    // The host and port part of the address; never the credentials.
    return address().section(QLatin1Char('@'), -1);
}

QString NBXNetSetup::_descriptionName()
{
    return tr("from %1").arg(deviceName());
}

bool NBXNetSetup::_isFileChanged(const QString& name)
{
    return m_exchange != Exchange::Store || m_storeFiles.contains(name);
}

QStringList NBXNetSetup::_changedFiles(const QMap<QString, QByteArray>& written)
{
    QStringList changed;
    QStringList states;
    m_uploads.clear();
    for (const compcommand& c : qAsConst(m_commands)) {
        const QString name = QString::fromUtf8(c.name);
        if (c.put.isEmpty() || !fileExists(name))
            continue;
        const QByteArray upload = _uploadBytes(name, written);
        m_uploads.insert(name, upload);
        const bool differs = !m_originals.contains(name) || upload != _originalUpload(name);
        const bool state = c.handler == &NBXNetSetup::_push_statefile;
        if (differs)
            changed.append(name);
        else if (state)
            states.append(name);
    }
    // A state file goes out with the files it is compiled from, even where
    // the values it quotes did not change.
    if (!changed.isEmpty())
        changed += states;
    return changed;
}

QByteArray NBXNetSetup::_originalUpload(const QString& name)
{
    // Worked out once for each original: the time file's costs a settings
    // write.
    auto cached = m_originalUploads.find(name);
    if (cached == m_originalUploads.end())
        cached = m_originalUploads.insert(name, _uploadForm(name, m_originals.value(name)));
    return *cached;
}

QByteArray NBXNetSetup::_uploadBytes(const QString& name, const QMap<QString, QByteArray>& written)
{
    const auto fresh = written.constFind(name);
    return _uploadForm(name, fresh != written.cend() ? *fresh : readAll(m_files.value(name)));
}

QByteArray NBXNetSetup::_uploadForm(const QString& name, const QByteArray& data)
{
    return name == kTimeFile ? _clockless(data) : data;
}

QByteArray NBXNetSetup::_clockless(const QByteArray& data)
{
    // The settings writer itself empties the key, so the line goes out as a
    // store has always sent it.
    NBXSettings settings = NBXSettings::inMemory(data);
    if (settings.setValue(kClockKey, QString()) && settings.flush())
        return settings.memoryBytes();
    return data;
}

void NBXNetSetup::_rebaseStored()
{
    if (m_exchange != Exchange::Store)
        return;
    for (const QString& name : qAsConst(m_storeFiles)) {
        QFile copy(m_files.value(name));
        // Without the new bytes the old original stays, and the file goes
        // out again.
        if (!copy.open(QIODevice::ReadOnly))
            continue;
        m_originals.insert(name, copy.readAll());
        m_originalUploads.remove(name);
        _dropCopy(name + kOriginalSuffix);
    }
}

// Received files -------------------------------------------------------------

QString NBXNetSetup::copyOnDemand(const QString& name)
{
    // The unedited copy of a received file is kept in memory, and becomes a
    // file only for whoever reads it as one.
    if (!name.endsWith(kOriginalSuffix))
        return QString();
    const auto original = m_originals.constFind(name.chopped(kOriginalSuffix.size()));
    if (original == m_originals.cend())
        return QString();
    const QString copy = m_folder->write(name, *original);
    if (!copy.isEmpty())
        setFilePath(name, copy);
    return copy;
}

QString NBXNetSetup::_keepCopy(const QString& name, const QByteArray& data)
{
    const QString copy = m_folder->write(name, data);
    if (copy.isEmpty())
        return m_folder->errorString();
    const QString old = m_files.value(name);
    setFilePath(name, copy);
    if (!old.isEmpty())
        m_folder->remove(old);
    return QString();
}

bool NBXNetSetup::isPrivateCopy(const QString& path) const
{
    return m_folder->holds(path);
}

void NBXNetSetup::_dropCopy(const QString& name)
{
    const QString path = m_files.value(name);
    if (path.isEmpty())
        return;
    setFilePath(name, QString());
    m_folder->remove(path);
}

QString NBXNetSetup::_push_file(const QString& name, const QByteArray& data)
{
    const QString refusal = _keepCopy(name, data);
    if (!refusal.isEmpty())
        return refusal;
    m_originals.insert(name, data);
    m_originalUploads.remove(name);
    // An original made for the previous copy is made again when asked for.
    _dropCopy(name + kOriginalSuffix);
    return QString();
}

QString NBXNetSetup::_push_inifile(const QString& name, const QByteArray& data)
{
    return _push_file(name, kMarkerCrLf + data);
}

QString NBXNetSetup::_push_statefile(const QString& name, const QByteArray& data)
{
    return _push_file(name, data);
}

QString NBXNetSetup::_read_description(const QByteArray& data, QByteArray& plain,
                                       QList<DiFile>& files, bool& hasDi)
{
    cGzDecompressor gz;
    if (!gz.unpack(data, plain))
        return gz.errorString(_descriptionName());
    cDescriptionScanner check;
    if (!readDiFileList(plain, files, &hasDi, &check))
        return check.errorString(_descriptionName());
    // A list without files leaves the walk nowhere to go on from, and the
    // dialog nothing to set up.
    if (hasDi && files.isEmpty())
        return tr("The setup description %1 lists no files.").arg(_descriptionName());
    return QString();
}

QString NBXNetSetup::_push_interfacefile(const QString& name, const QByteArray& data)
{
    // The description is checked whole before it is registered or any file it
    // names is fetched: the dialog would refuse it anyway.
    QByteArray plain;
    QList<DiFile> files;
    bool hasDi = false;
    QString refusal = _read_description(data, plain, files, hasDi);
    if (refusal.isEmpty())
        refusal = _push_file(name, plain);
    if (!refusal.isEmpty() || !hasDi)
        return refusal;
    _replace_cmdlist(files);
    // The walk goes on at position 1 of the new list, taking position 0 as
    // the description just fetched. A list that does not begin with that
    // request must be walked from its start, or its first file is lost.
    if (m_commands.first().get != mCommands.first().get)
        --m_state;
    return QString();
}
