#pragma once

#include <QByteArrayView>
#include <QString>

// A peer's text as a message may quote it: short enough for a message box
// or a log line, and printable, so that a device cannot flood the dialog
// with megabytes of text or hide control characters in it.
namespace excerpt {

// Characters of the quoted text, escapes included, before it is cut.
constexpr int kLimit = 200;

// `text` with every character that does not print (control, format and
// unassigned characters) written as \r, \n, \t, \xHH or \uHHHH, and the
// rest cut at `limit` characters with a trailing "…".
QString of(const QString& text, int limit = kLimit);
// The same for bytes read as UTF-8; only the bytes that can show are
// decoded, however many there are.
QString of(QByteArrayView bytes, int limit = kLimit);

} // namespace excerpt
