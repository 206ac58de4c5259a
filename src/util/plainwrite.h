#pragma once

#include <QByteArray>
#include <QString>

// Rewrites the file at `path` in place with `data`: no file aside, no rename,
// no sync. Only for a private temporary copy that is not the data of record
// (a reader may see it half written; a failed write leaves it so, and
// returns false). Everything else goes through writeFileAtomically().
bool writeFilePlainly(const QString& path, const QByteArray& data);
