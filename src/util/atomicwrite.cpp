#include "atomicwrite.h"

#include <QSaveFile>

bool writeFileAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}
