#pragma once

#include "ciniline.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <vector>

// One INI-style settings file of a device. The file is kept as the list of
// its lines; a rewrite edits only the lines of changed keys and inserts lines
// for new keys, so comments, blank lines, key order and every line the
// reader does not understand survive unchanged.
//
// Keys are section + "/" + name; keys before the first header belong to the
// section "untitled".
class NBXSettings
{
public:
    // Where the file's bytes live, and how a write replaces them.
    enum class Storage
    {
        // Written aside, synced and renamed over, so that a reader sees the
        // old file or the new one whole: the user's files, a drive's.
        AtomicFile,
        // Rewritten in place: a private temporary copy, which is not the
        // data of record and goes with its folder.
        PlainFile,
        // No file: memoryBytes() holds them.
        Memory
    };

    explicit NBXSettings(const QString& fileName, Storage storage = Storage::AtomicFile);
    // An object over `bytes` alone, as if they were its file: it reads them,
    // and its writes give memoryBytes() exactly what a file would get.
    static NBXSettings inMemory(const QByteArray& bytes);
    ~NBXSettings();

    NBXSettings(const NBXSettings&) = delete;
    NBXSettings& operator=(const NBXSettings&) = delete;

    QVariant value(const QString& key, const QVariant& def = QVariant());
    // False, with the reason in `reason`, for a value that could not be
    // written so that it reads back as this key: nothing changes then.
    bool setValue(const QString& key, const QString& value, QString* reason = nullptr);
    // Why setValue(key, value) would refuse the value, without setting it;
    // empty when it would be stored.
    QString refusalOf(const QString& key, const QString& value);
    // "key/value" for every key, in key order, that the pattern matches whole.
    QStringList regexp_values(const QString& pattern);

    // Writes the file when a value changed, then takes the keys from what it
    // wrote. False when the write failed or a value did not read back from
    // it; the values stay in memory either way.
    // When it wrote, `written` (if given) gets the bytes the file holds now.
    bool flush(QByteArray* written = nullptr);

    // Forgets the edits not yet written, so that going away writes nothing:
    // for a copy that is about to be removed.
    void discard() { m_edited.clear(); }

    bool myReadFunc();
    bool myWriteFunc();

    QString fileName() const { return m_fileName; }
    // Memory storage: the bytes as last written, or as given.
    QByteArray memoryBytes() const { return m_memory; }

private:
    struct myStruct
    {
        QString value;
        bool fromFile = false;
    };

    NBXSettings(const QByteArray& bytes, Storage storage);

    void loadIfEmpty();
    // The writer's work: the kept lines with every held value written in;
    // `written` gets the bytes the file holds after a good write.
    bool write(QByteArray* written);
    // The file's bytes as they are now; false when there is no file.
    bool readStored(QByteArray& bytes) const;
    bool replaceStored(const QByteArray& bytes);
    // Calls f(key, value) for every key line, keyed by the section it stands
    // in; sets the has-sections flag as it goes.
    template <typename F> void forEachKeyLine(F f);
    // Fills the key table from the classified lines, as a read does.
    void takeKeysFromLines();
    // After a write: only a key whose line reads back has a line in the
    // file; a key not edited takes the value its line now gives, as a read
    // would. False when an edited value does not read back as held.
    bool settleAfterWrite();
    // Why the value could not be written so that it reads back; empty when
    // it can.
    QString refusal(const QString& key, const QString& value) const;
    // Whether the writer leaves out sections: a file without headers that
    // holds keys keeps that form; an empty one gets headers when it needs
    // them.
    bool holdsKeyLines() const;
    bool writesBare() const;

    QString m_fileName;
    Storage m_storage = Storage::AtomicFile;
    QByteArray m_memory;
    int m_hasSections = 0;
    QStringList m_lines;
    std::vector<cIniLine::Info> m_lineInfo; // how each kept line reads
    // Ordered by key as QString orders them, compared without QString's
    // general-purpose comparison, which dominated reading large files.
    struct KeyLess
    {
        bool operator()(const QString& a, const QString& b) const;
    };
    std::map<QString, myStruct, KeyLess> m_keys;
    // Set once the file has been read or a value set: an object that never
    // touched its file must not overwrite it.
    bool m_engaged = false;
    // Keys whose value changed since the file was last written, or that did
    // not read back from the last write: the file is written only for them.
    QSet<QString> m_edited;
};
