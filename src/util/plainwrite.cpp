#include "plainwrite.h"

#include <QFile>

bool writeFilePlainly(const QString& path, const QByteArray& data)
{
    QFile file(path);
    // Unbuffered, so that a short write shows in what write() returns.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    return file.write(data) == data.size();
}
