// Seeds for the time-zone target. Its input is read from both ends: rule
// text from the front; flags, a broken-down time and times from the back
// (the last byte first, each number's high byte nearest the end).
#include "seedcorpus.h"

#include <QList>
#include <QtEndian>

namespace {

// 2024-03-31 01:00 and 2024-10-27 01:00 UTC (the last Sundays), the first
// second, mid-2040 and the last second of the 32-bit range.
const QList<quint32> kTimes = {1711846800u, 1729990800u, 0u, 2225000000u, 4294967295u};

// A broken-down time, each field read as an int: its offset from INT_MIN.
// 2024-03-31 01:00:00, the year field first from the front.
const QList<int> kBrokenDown = {124, 2, 31, 1, 0, 0};

QByteArray word(quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    return QByteArray(bytes, 4);
}

QByteArray tail(bool wellFormed, bool hasText)
{
    QByteArray out;
    for (int i = int(kTimes.size()) - 1; i >= 0; --i)
        out += word(kTimes.at(i));
    for (int field : kBrokenDown)
        out += word(quint32(field) + 0x80000000u);
    out += char(hasText ? 1 : 0);
    out += char(wellFormed ? 1 : 0);
    return out;
}

} // namespace

void writeSeeds(SeedCorpus& corpus)
{
    const QByteArray rules[] = {
        "UTC-3UTC-4,M3.5.0/2,M10.5.0/2",
        "UTC-3",
        "UTC+0UTC+0",
        "",
        "UTC-5:30",
        "UTC-10UTC-11,M10.1.0/2,M4.1.0/3",
        "UTC+3UTC+2,M3.2.0,M11.1.0",
        "UTC+1:02:03",
    };
    int n = 0;
    for (const QByteArray& rule : rules)
        corpus.add(QStringLiteral("rule-%1").arg(n++), rule + "\\;" + tail(false, true));
    corpus.add(QStringLiteral("default-rule"), tail(false, false));
    // Built rules: the bytes before the flags pick offsets and transitions.
    for (char fill : {char(0), char(0x55), char(0xC3), char(0xFF)})
        corpus.add(QStringLiteral("built-%1").arg(int(quint8(fill))),
                   QByteArray(24, fill) + tail(true, false));
}
