#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// The live picture adjustments of one device link. It keeps the keys that
// wait for their batch and what the device shows for each key it was sent,
// so that a batch the device already shows is not sent, and what the device
// shows without having stored it can be put back.
//
// A device shows the stored value of a key until an adjustment changes it.
// Stored values are those loaded, or those of the last store that went
// through.
class cPictureAdjust
{
public:
    using Values = std::function<QString(const QString& key)>;

    // Distinct keys one link follows; a description names a handful, and
    // one that names more must not make each call slower.
    static constexpr qsizetype kMaxKeys = 1024;

    void queue(const QStringList& keys);
    bool hasQueued() const { return !m_queue.isEmpty(); }
    void dropQueue();

    // Takes the queued keys and returns their request payload with their
    // `current` values; empty when the device already shows every one of
    // them. `loaded` gives a key's value as it was loaded.
    QByteArray takeBatch(const Values& current, const Values& loaded);
    // The payload that puts back the stored value of every key the device
    // shows otherwise; empty when there is none.
    QByteArray takeRestore(const Values& loaded);

    // The payload last taken reached the device, or may not have.
    void delivered();
    void lost();

    // A store of the settings with their `current` values begins, and has
    // gone through: the device then shows what it stored.
    void storing(const Values& current);
    void stored();

    // "[ section ]" followed by "name=value" lines, sections in the order of
    // their first key, keys in list order within a section.
    static QByteArray payload(const QStringList& keys, const Values& values);

private:
    QString storedValue(const QString& key, const Values& loaded) const;
    bool shows(const QString& key, const QString& value, const Values& loaded) const;

    QStringList m_queue;
    QSet<QString> m_queued;
    // Every key ever queued, in the order of its first queueing.
    QStringList m_known;
    QSet<QString> m_knownSet;
    // What the device shows where an adjustment changed it.
    QHash<QString, QString> m_shown;
    // Keys whose last payload may not have arrived: the device shows either.
    QSet<QString> m_unsure;
    QStringList m_inFlight;
    // Stored values that a store of this link replaced the loaded ones with.
    QHash<QString, QString> m_stored;
    QHash<QString, QString> m_storing;
};
