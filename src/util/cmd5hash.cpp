#include "cmd5hash.h"

#include <QByteArray>

QString CMD5Hash::DoHash(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    unsigned char digest[16] = {};
    // An exported, out-of-line function called from a position-independent
    // library goes through the PLT, so an earlier definition wins.
    if (!DoHash(bytes.constData(), static_cast<unsigned long>(bytes.size()), digest))
        return QString();
    QString hex;
    hex.reserve(32);
    for (unsigned char b : digest)
        hex += QString::asprintf("%02x", b);
    return hex;
}
