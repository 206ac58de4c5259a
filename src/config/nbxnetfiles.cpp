// The local copies of NBXNetSetup: the list of files to fetch and what is
// kept of each received file.

#include "nbxnetsetup.h"

#include "cdescriptionscanner.h"
#include "cgzdecompressor.h"
#include "difilelist.h"
#include "nbxsettings.h"

#include <QFile>
#include <QTemporaryFile>

namespace {

// The marker put in front of a sectionless file so the settings reader has a
// section to file its keys under; it never goes back to the device.
const QByteArray kMarkerCrLf("[ untitled ]\r\n");

// The device's clock in its time file; only the clock's own button sets it.
const QString kTimeFile = QStringLiteral("time");
const QString kClockKey = QStringLiteral("untitled/YYYYMMDDHHMMSS");

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

QStringList NBXNetSetup::_changedFiles()
{
    QStringList changed;
    QStringList states;
    for (const compcommand& c : qAsConst(m_commands)) {
        const QString name = QString::fromUtf8(c.name);
        if (c.put.isEmpty() || !fileExists(name))
            continue;
        const QString original = name + QStringLiteral(".original");
        const bool differs =
            !fileExists(original) || _uploadBytes(name) != _uploadBytes(name, original);
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

QByteArray NBXNetSetup::_uploadBytes(const QString& name, const QString& copy)
{
    const QByteArray data = readAll(m_files.value(copy.isEmpty() ? name : copy));
    return name == kTimeFile ? _clockless(data) : data;
}

QByteArray NBXNetSetup::_clockless(const QByteArray& data) const
{
    // The settings writer itself empties the key, so the line goes out as a
    // store has always sent it.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(data) != data.size() || !copy.flush())
        return data;
    copy.close();
    {
        NBXSettings settings(copy.fileName());
        if (!settings.setValue(kClockKey, QString()) || !settings.flush())
            return data;
    }
    return readAll(copy.fileName());
}

void NBXNetSetup::_rebaseStored()
{
    if (m_exchange != Exchange::Store)
        return;
    for (const QString& name : qAsConst(m_storeFiles)) {
        QString refusal;
        const QString copy = _newTemporary(readAll(m_files.value(name)), refusal);
        // Without a new copy the old one stays, and the file goes out again.
        if (!copy.isEmpty())
            setFilePath(name + QStringLiteral(".original"), copy);
    }
}

// Received files -------------------------------------------------------------

QString NBXNetSetup::_newTemporary(const QByteArray& data, QString& refusal)
{
    auto* file = new QTemporaryFile;
    m_temporaries.push_back(file);
    if (!file->open() || file->write(data) != data.size() || !file->flush()) {
        refusal = tr("Can not write \"%1\"").arg(file->fileName());
        return QString();
    }
    file->close();
    return file->fileName();
}

QString NBXNetSetup::_push_file(const QString& name, const QByteArray& data)
{
    QString refusal;
    const QString copy = _newTemporary(data, refusal);
    const QString original = copy.isEmpty() ? QString() : _newTemporary(data, refusal);
    if (original.isEmpty())
        return refusal;
    setFilePath(name, copy);
    setFilePath(name + QStringLiteral(".original"), original);
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

QString NBXNetSetup::_read_description(const QByteArray& data, QTemporaryFile& plain,
                                       QList<DiFile>& files, bool& hasDi)
{
    QTemporaryFile packed;
    if (!packed.open() || packed.write(data) != data.size() || !packed.flush() || !plain.open())
        return tr("Can not write \"%1\"").arg(packed.fileName());
    cGzDecompressor gz;
    if (!gz.extract(packed.fileName(), plain.fileName()))
        return gz.errorString(_descriptionName());
    cDescriptionScanner check;
    if (!readDiFileList(plain.fileName(), files, &hasDi, &check))
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
    QTemporaryFile plain;
    QList<DiFile> files;
    bool hasDi = false;
    QString refusal = _read_description(data, plain, files, hasDi);
    if (refusal.isEmpty()) {
        plain.seek(0);
        refusal = _push_file(name, plain.readAll());
    }
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
