#include "cgzdecompressor.h"

#include <QFile>

#include <zlib.h>

bool cGzDecompressor::extract(const QString& source, const QString& target)
{
    QFile out(target);
    const bool outOpen = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    gzFile in = gzopen(source.toLocal8Bit().constData(), "rb");
    bool complete = outOpen && in;
    if (complete) {
        char buffer[1024];
        qint64 total = 0;
        for (;;) {
            const int n = gzread(in, buffer, sizeof buffer);
            if (n <= 0) {
                complete = n == 0;
                break;
            }
            total += n;
            if (total > kMaxOutput || out.write(buffer, n) != n) {
                complete = false;
                break;
            }
        }
    }
    // A truncated archive shows itself only here.
    if (in && gzclose(in) != Z_OK)
        complete = false;
    return complete;
}
