#pragma once

#include <QList>
#include <QString>

// One file of a setup description's file list: a `difile` element.
struct DiFile
{
    QString name;
    QString getCommand;
    QString putCommand;
    QString type;
};

// Reads the `difile` children of the document element's first `di` child.
// Streams through the document up to the end of that element instead of
// building a tree of all of it, which the full description (with its
// translations) makes costly on every load; the dialog parses the whole
// document later and reports what is wrong in the rest. Returns false,
// leaving `files` empty, when the document is not well-formed up to there;
// `hasDi` tells whether there was a `di` element at all.
bool readDiFileList(const QString& path, QList<DiFile>& files, bool* hasDi = nullptr);
