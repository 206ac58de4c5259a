#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct KeyValue
{
    QString key;
    QString value;
};

struct KeyChange
{
    QString key;
    QString from; // null when the recorder did not hold the key
    QString to;
};

// What became of one recorder.
struct JobResult
{
    enum class Outcome
    {
        Ok,
        Mismatch, // stored, but a key read back otherwise
        Failed,
        TimedOut,
        Refused // a key or value was refused before anything was stored
    };

    QString device; // host:port
    Outcome outcome = Outcome::Failed;
    double seconds = 0;
    QString message;
    // get: the keys in the order asked.
    QList<KeyValue> read;
    // set and import: each key that changed (or, with --dry-run, would).
    QList<KeyChange> changes;
    // Keys refused, each with the reason.
    QList<KeyValue> refused;
};
