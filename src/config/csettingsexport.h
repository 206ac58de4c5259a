#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class NBXSetup;
class QDomElement;

// The settings export file: one "file/section/name/value" line for every
// key the description's export set names, and every entry its patterns
// match. Import sets each line back as a key with its value.
class cSettingsExport
{
public:
    // An import file larger than this is refused as unreadable.
    static constexpr qint64 kMaxImportBytes = 16 * 1024 * 1024;

    static QByteArray exportText(NBXSetup& setup, const QDomElement& set);
    // The assignments the file at `path` holds; false when it cannot be read
    // or is larger than kMaxImportBytes.
    static bool readImport(const QString& path, QStringList& assignments);
};
