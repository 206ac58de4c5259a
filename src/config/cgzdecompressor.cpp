#include "cgzdecompressor.h"

#include <QFile>

#include <zlib.h>

bool cGzDecompressor::extract(const QString& source, const QString& target)
{
    m_target = target;
    QFile out(target);
    const bool outOpen = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    gzFile in = gzopen(source.toLocal8Bit().constData(), "rb");
    m_result = !in ? Unreadable : !outOpen ? Unwritable : copy(in, out);
    // A truncated archive shows itself only here.
    if (in && gzclose(in) != Z_OK && m_result == Complete)
        m_result = Damaged;
    return m_result == Complete;
}

cGzDecompressor::Result cGzDecompressor::copy(gzFile_s* in, QFile& out)
{
    char buffer[1024];
    qint64 total = 0;
    for (;;) {
        const int n = gzread(in, buffer, sizeof buffer);
        if (n <= 0)
            return n == 0 ? Complete : Damaged;
        total += n;
        if (total > kMaxOutput)
            return TooLarge;
        if (out.write(buffer, n) != n)
            return Unwritable;
    }
}

QString cGzDecompressor::errorString(const QString& name) const
{
    switch (m_result) {
    case Complete:
        break;
    case Unreadable:
        return tr("Cannot read the setup description %1.").arg(name);
    case Damaged:
        return tr("The setup description %1 is truncated or damaged.").arg(name);
    case TooLarge:
        return tr("The setup description %1 unpacks to more than %2 MiB.")
            .arg(name)
            .arg(kMaxOutput / (1024 * 1024));
    case Unwritable:
        return tr("Can not write \"%1\"").arg(m_target);
    }
    return QString();
}
