// The raw digest routine lives in its own translation unit so the text form
// can never be compiled against a local, inlined copy of it.
#include "cmd5hash.h"

#include <QCryptographicHash>

#include <cstring>

bool CMD5Hash::DoHash(const void* data, unsigned long length, void* digest)
{
    if (!digest || (!data && length))
        return false;
    const QByteArray d = QCryptographicHash::hash(
        QByteArrayView(static_cast<const char*>(data), qsizetype(length)), QCryptographicHash::Md5);
    std::memcpy(digest, d.constData(), 16);
    return true;
}
