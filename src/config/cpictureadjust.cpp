#include "cpictureadjust.h"

namespace {

QString keyPart(const QString& key, int index)
{
    return key.section(QLatin1Char('/'), index, index);
}

} // namespace

void cPictureAdjust::queue(const QStringList& keys)
{
    for (const QString& key : keys) {
        if (m_queued.contains(key))
            continue;
        if (!m_knownSet.contains(key)) {
            if (m_known.size() >= kMaxKeys)
                continue;
            m_known.append(key);
            m_knownSet.insert(key);
        }
        m_queue.append(key);
        m_queued.insert(key);
    }
}

void cPictureAdjust::dropQueue()
{
    m_queue.clear();
    m_queued.clear();
}

QString cPictureAdjust::storedValue(const QString& key, const Values& loaded) const
{
    const auto it = m_stored.constFind(key);
    return it != m_stored.constEnd() ? *it : loaded(key);
}

bool cPictureAdjust::shows(const QString& key, const QString& value, const Values& loaded) const
{
    if (m_unsure.contains(key))
        return false;
    const auto it = m_shown.constFind(key);
    return (it != m_shown.constEnd() ? *it : storedValue(key, loaded)) == value;
}

QByteArray cPictureAdjust::takeBatch(const Values& current, const Values& loaded)
{
    const QStringList keys = m_queue;
    dropQueue();
    QHash<QString, QString> values;
    bool news = false;
    for (const QString& key : keys) {
        const QString value = current(key);
        values.insert(key, value);
        news = news || !shows(key, value, loaded);
    }
    if (!news)
        return QByteArray();
    for (const QString& key : keys)
        m_shown.insert(key, values.value(key));
    m_inFlight = keys;
    return payload(keys, [&](const QString& key) { return values.value(key); });
}

QByteArray cPictureAdjust::takeRestore(const Values& loaded)
{
    dropQueue();
    QStringList keys;
    for (const QString& key : qAsConst(m_known)) {
        if (!shows(key, storedValue(key, loaded), loaded))
            keys.append(key);
    }
    if (keys.isEmpty())
        return QByteArray();
    for (const QString& key : qAsConst(keys))
        m_shown.remove(key);
    m_inFlight = keys;
    return payload(keys, [&](const QString& key) { return storedValue(key, loaded); });
}

void cPictureAdjust::delivered()
{
    for (const QString& key : qAsConst(m_inFlight))
        m_unsure.remove(key);
    m_inFlight.clear();
}

void cPictureAdjust::lost()
{
    for (const QString& key : qAsConst(m_inFlight))
        m_unsure.insert(key);
    m_inFlight.clear();
}

void cPictureAdjust::storing(const Values& current)
{
    m_storing.clear();
    for (const QString& key : qAsConst(m_known))
        m_storing.insert(key, current(key));
}

void cPictureAdjust::stored()
{
    m_stored.insert(m_storing);
    m_storing.clear();
    // The device took the stored settings, picture values included.
    m_shown.clear();
}

QByteArray cPictureAdjust::payload(const QStringList& keys, const Values& values)
{
    QByteArray out;
    QStringList left = keys;
    while (!left.isEmpty()) {
        const QString section = keyPart(left.first(), 1);
        out += QStringLiteral("[ %1 ]\r\n").arg(section).toUtf8();
        for (auto it = left.begin(); it != left.end();) {
            if (keyPart(*it, 1) != section) {
                ++it;
                continue;
            }
            out += QStringLiteral("%1=%2\r\n").arg(keyPart(*it, 2), values(*it)).toUtf8();
            it = left.erase(it);
        }
    }
    return out;
}
