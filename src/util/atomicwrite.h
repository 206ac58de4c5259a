#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `data` so that a reader sees either the
// old file or the whole new one: written aside, checked, then renamed over.
// A short write (a full disk, a size limit) leaves the old file and returns
// false, which a plain QSaveFile would commit as a truncated file.
bool writeFileAtomically(const QString& path, const QByteArray& data);
