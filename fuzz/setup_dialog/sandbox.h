#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A folder that everything the fuzzed dialog writes must stay in. A
// description may name any path to export settings to or to store a file
// at; this program refuses every write outside, so a fuzzing run can never
// change a file of the machine. Temporary files and the host settings store
// are pointed into it too.
class Sandbox
{
public:
    // Set up before the application object, so that Qt sees the folders.
    static Sandbox& instance();

    bool contains(const QString& path) const;
    QString drive() const;
    // The sample device afresh, with `description` as its compressed
    // description (data that is not gzip is read as it is).
    void resetDrive(const QByteArray& description);

private:
    Sandbox();

    QTemporaryDir m_root;
    QString m_canonicalRoot;
};
