#include "pxsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace {

// The open array and where its self-advancing cursor stands.
struct ArrayCursor
{
    bool open = false;
    int index = -1;
    QSet<QString> fieldsInElement;

    void reset()
    {
        open = false;
        index = -1;
        fieldsInElement.clear();
    }

    // Moves to the next element when `field` was already used in this one.
    void touch(QSettings& s, const QString& field)
    {
        if (index < 0 || fieldsInElement.contains(field)) {
            ++index;
            fieldsInElement.clear();
            s.setArrayIndex(index);
        }
        fieldsInElement.insert(field);
    }
};

struct Store
{
    std::unique_ptr<QSettings> settings;
    ArrayCursor cursor;
};

const QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

Store& store()
{
    static Store s;
    if (!s.settings) {
        const QString path = PXSettings::fileName();
        QDir().mkpath(QFileInfo(path).absolutePath());
        // Create the file before QSettings does so that it never exists with
        // wider permissions: it holds password digests.
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.close();
        f.setPermissions(kOwnerOnly);
        s.settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        s.cursor.reset();
    }
    return s;
}

} // namespace

QString PXSettings::fileName()
{
    const QString env = qEnvironmentVariable("PXSETTINGS_FILE");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Panorix/pxsettings.ini");
}

void PXSettings::reopen()
{
    Store& s = store();
    s.settings.reset();
    s.cursor.reset();
}

QVariant PXSettings::value(const QString& key, const QVariant& defaultValue, bool)
{
    Store& s = store();
    if (s.cursor.open)
        s.cursor.touch(*s.settings, key);
    return s.settings->value(key, defaultValue);
}

void PXSettings::setValue(const QString& key, const QVariant& value, bool)
{
    Store& s = store();
    if (s.cursor.open)
        s.cursor.touch(*s.settings, key);
    s.settings->setValue(key, value);
}

int PXSettings::beginReadArray(const QString& prefix, bool)
{
    Store& s = store();
    const int size = s.settings->beginReadArray(prefix);
    s.cursor.reset();
    s.cursor.open = true;
    return size;
}

void PXSettings::beginWriteArray(const QString& prefix, int size, bool)
{
    Store& s = store();
    // The array must hold exactly the elements written now; stale elements
    // beyond the new size would otherwise linger in the file.
    s.settings->remove(prefix);
    s.settings->beginWriteArray(prefix, size);
    s.cursor.reset();
    s.cursor.open = true;
}

void PXSettings::endArray(bool)
{
    Store& s = store();
    if (!s.cursor.open)
        return;
    s.settings->endArray();
    s.cursor.reset();
}

void PXSettings::sync()
{
    Store& s = store();
    s.settings->sync();
    QFile::setPermissions(s.settings->fileName(), kOwnerOnly);
}

int PXSettings::defaultVideoChannelCount()
{
    return 16;
}

int PXSettings::defaultSoundChannelCount()
{
    return 4;
}
