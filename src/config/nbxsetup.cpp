#include "nbxsetup.h"

#include "cstatecompiler.h"
#include "nbxsettings.h"
#include "util/atomicwrite.h"
#include "util/plainwrite.h"

#include <QFile>

namespace {

// file/section/name followed by an optional tail that may hold "/" itself,
// found by the positions of the first three "/" rather than by splitting:
// every value read and written by the dialog passes through here.
struct SplitKey
{
    QStringView key;
    qsizetype s1 = -1, s2 = -1, s3 = -1;

    explicit SplitKey(QStringView k) : key(k)
    {
        s1 = k.indexOf(QLatin1Char('/'));
        if (s1 >= 0)
            s2 = k.indexOf(QLatin1Char('/'), s1 + 1);
        if (s2 >= 0)
            s3 = k.indexOf(QLatin1Char('/'), s2 + 1);
    }

    // The number of components, up to 4 (a fourth means there is a tail).
    int count() const { return s1 < 0 ? 1 : s2 < 0 ? 2 : s3 < 0 ? 3 : 4; }
    QString file() const { return key.left(s1).toString(); }
    QString settingsKey() const
    {
        const qsizetype end = s3 < 0 ? key.size() : s3;
        return key.mid(s1 + 1, end - s1 - 1).toString();
    }
    QString tail() const { return s3 < 0 ? QString() : key.mid(s3 + 1).toString(); }
};

} // namespace

NBXSetup::NBXSetup(const QString& address) : m_address(address) {}

NBXSetup::~NBXSetup()
{
    dropSettings();
}

void NBXSetup::dropSettings()
{
    // Each settings object writes its file once more as it goes.
    qDeleteAll(m_settings);
    m_settings.clear();
}

void NBXSetup::discardSettings()
{
    for (NBXSettings* s : qAsConst(m_settings))
        s->discard();
    dropSettings();
}

QString NBXSetup::address() const
{
    return m_address;
}

void NBXSetup::setAddress(const QString& address)
{
    m_address = address;
}

void NBXSetup::setFilePath(const QString& name, const QString& path)
{
    QString& current = m_files[name];
    if (current == path)
        return;
    current = path;
    // A settings object cached for the old copy would keep reading and
    // writing that copy; the next access opens the new one. The old copy is
    // superseded, so what it did not write yet has nowhere to go.
    if (NBXSettings* old = m_settings.take(name)) {
        old->discard();
        delete old;
    }
}

QString NBXSetup::filePath(const QString& name)
{
    QString path = m_files.value(name);
    if (path.isEmpty())
        path = copyOnDemand(name);
    if (path.isEmpty())
        emit pseudothrow(tr("File \"%1\" does not exist").arg(name));
    return path;
}

bool NBXSetup::fileExists(const QString& name)
{
    return !m_files.value(name).isEmpty() || !copyOnDemand(name).isEmpty();
}

NBXSettings* NBXSetup::settings(const QString& name)
{
    NBXSettings*& s = m_settings[name];
    if (!s) {
        const QString path = filePath(name);
        s = new NBXSettings(path, isPrivateCopy(path) ? NBXSettings::Storage::PlainFile
                                                      : NBXSettings::Storage::AtomicFile);
    }
    return s;
}

QString NBXSetup::value(const QString& key)
{
    const SplitKey k(key);
    if (k.count() < 3) {
        emit pseudothrow(tr("Wrong key \"%1\"").arg(key));
        return QString();
    }
    return settings(k.file())->value(k.settingsKey(), k.tail()).toString();
}

void NBXSetup::setValue(const QString& key)
{
    const SplitKey k(key);
    if (k.count() < 4) {
        emit pseudothrow(wrongValueMessage(key));
        return;
    }
    if (m_writeWatcher)
        m_writeWatcher(key);
    QString reason;
    if (!settings(k.file())->setValue(k.settingsKey(), k.tail(), &reason))
        emit pseudothrow(cannotStoreMessage(key, reason));
}

QString NBXSetup::storeRefusal(const QString& key)
{
    const SplitKey k(key);
    if (k.count() < 4)
        return wrongValueMessage(key);
    const QString reason = settings(k.file())->refusalOf(k.settingsKey(), k.tail());
    return reason.isEmpty() ? QString() : cannotStoreMessage(key, reason);
}

QString NBXSetup::wrongValueMessage(const QString& key)
{
    return tr("Wrong value \"%1\"").arg(key);
}

QString NBXSetup::cannotStoreMessage(const QString& key, const QString& reason) const
{
    return tr("Can not store \"%1\": %2").arg(path(key), reason);
}

QString NBXSetup::defValue(const QString& key) const
{
    const SplitKey k(key);
    return k.tail();
}

QString NBXSetup::path(const QString& key) const
{
    const SplitKey k(key);
    return k.count() > 3 ? key.left(k.s3) : key;
}

QStringList NBXSetup::regexp_values(const QString& key)
{
    const SplitKey k(key);
    if (k.count() < 3) {
        emit pseudothrow(tr("Wrong regexp_key \"%1\"").arg(key));
        return QStringList();
    }
    QStringList out = settings(k.file())->regexp_values(k.settingsKey());
    const QString prefix = k.file() + QLatin1Char('/');
    for (QString& entry : out)
        entry.prepend(prefix);
    return out;
}

bool NBXSetup::_compile_state(const QString& name, QByteArray* compiled)
{
    const QString fileName = filePath(name);
    if (fileName.isEmpty())
        return false;
    QFile in(fileName);
    if (!in.open(QIODevice::ReadWrite)) {
        emit pseudothrow(tr("Can not write \"%1\"").arg(fileName));
        return false;
    }
    QString text = QString::fromUtf8(in.readAll());
    in.close();

    // Directives may breed further directives or multiply the text: the
    // compiler stops at its bounds with the text as compiled so far.
    cStateCompiler(kMaxStateDirectives, kMaxStateText, kMaxStateWork)
        .compile(text, [this](const QString& key) { return value(key); });

    const QByteArray bytes = text.toUtf8();
    const bool wrote = isPrivateCopy(fileName) ? writeFilePlainly(fileName, bytes)
                                               : writeFileAtomically(fileName, bytes);
    if (!wrote) {
        emit pseudothrow(tr("Can not write \"%1\"").arg(fileName));
        return false;
    }
    if (compiled)
        *compiled = bytes;
    return true;
}

QString NBXSetup::flushSettings(QMap<QString, QByteArray>* written)
{
    for (auto it = m_settings.cbegin(); it != m_settings.cend(); ++it) {
        QByteArray bytes;
        if (!it.value()->flush(&bytes))
            return tr("Can not write \"%1\"").arg(it.value()->fileName());
        if (written && !bytes.isNull())
            written->insert(it.key(), bytes);
    }
    return QString();
}

void NBXSetup::flush()
{
    const QString failure = flushSettings();
    if (!failure.isEmpty())
        emit pseudothrow(failure);
}

void NBXSetup::load()
{
    emit progress(100);
    emit loadDone();
}

void NBXSetup::store()
{
    emit progress(100);
    emit storeDone();
}

void NBXSetup::function(QString s, QString)
{
    if (s == QLatin1String("save_settings")) {
        store();
        return;
    }
    emit progress(100);
}

void NBXSetup::function(QString s)
{
    function(s, QString());
}
