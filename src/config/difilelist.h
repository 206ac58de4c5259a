#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class cDescriptionScanner;

// One file of a setup description's file list: a `difile` element.
struct DiFile
{
    QString name;
    QString getCommand;
    QString putCommand;
    QString type;
};

// Reads the `difile` children of the document element's first `di` child,
// streaming through the document instead of building a tree of it, which the
// full description (with its translations) makes costly on every load. The
// whole document is read and checked in the same pass (size, nesting,
// well-formed to its end): a list from a description that the dialog will
// refuse must not make anyone fetch or copy the files it names. Returns
// false, leaving `files` empty, when the check fails; `check`, when given,
// then says why. `hasDi` tells whether there was a `di` element at all.
bool readDiFileList(const QString& path, QList<DiFile>& files, bool* hasDi = nullptr,
                    cDescriptionScanner* check = nullptr);
// The same for a description held in memory.
bool readDiFileList(const QByteArray& text, QList<DiFile>& files, bool* hasDi = nullptr,
                    cDescriptionScanner* check = nullptr);
