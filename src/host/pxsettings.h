#pragma once

#include <QString>
#include <QVariant>

// The host suite's application-wide settings store. Every operation is
// static; the trailing flag is accepted and ignored.
//
// Arrays advance by themselves: after beginReadArray/beginWriteArray, the
// first repetition of a field name within the current element moves on to the
// next element, so callers never select an index.
class PXSettings
{
public:
    static QVariant value(const QString& key, const QVariant& defaultValue = QVariant(),
                          bool = true);
    static void setValue(const QString& key, const QVariant& value, bool = true);
    static int beginReadArray(const QString& prefix, bool = true);
    static void beginWriteArray(const QString& prefix, int size = -1, bool = true);
    static void endArray(bool = true);
    static void sync();

    static int defaultVideoChannelCount();
    static int defaultSoundChannelCount();

    // Path of the store's file: $PXSETTINGS_FILE, else a file under the
    // user's generic configuration folder.
    static QString fileName();
    // Drops the open store so the next call opens fileName() afresh, as a new
    // process would.
    static void reopen();
};
