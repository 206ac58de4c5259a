#pragma once

// Records the signals of a parser as readable lines, so whole sequences of
// records can be compared.

#include "video/crsn3parser.h"

#include <QCryptographicHash>
#include <QStringList>

inline QString rsn3Text(const QByteArray& wire)
{
    // Wire strings keep their 0 byte; show it so a lost terminator is seen.
    QString s = QString::fromLatin1(wire);
    s.replace(QChar(0), QLatin1String("\\0"));
    return s;
}

inline QString rsn3Payload(const QByteArray& p)
{
    if (p.size() <= 24)
        return rsn3Text(p);
    return QStringLiteral("%1 bytes md5 %2")
        .arg(p.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(p, QCryptographicHash::Md5).toHex()));
}

inline QStringList* rsn3Record(cRsn3Parser& parser, QStringList* log)
{
    QObject::connect(&parser, &cRsn3Parser::onHDR, [log](const HDR_T& h) {
        QStringList streams, info;
        for (const STREAM_T& s : h.streams)
            streams << QStringLiteral("%1/%2/%3/%4/%5")
                           .arg(s.id)
                           .arg(s.type)
                           .arg(rsn3Text(s.format), rsn3Text(s.title), rsn3Text(s.charset));
        for (int k = 0; k < h.info.size(); ++k) {
            if (!h.info[k].isEmpty())
                info << QStringLiteral("%1=%2").arg(k).arg(rsn3Text(h.info[k]));
        }
        *log << QStringLiteral("HDR %1 [%2] info%3 [%4]")
                    .arg(rsn3Text(h.name), streams.join(QLatin1Char(' ')))
                    .arg(h.info.size())
                    .arg(info.join(QLatin1Char(' ')));
    });
    QObject::connect(&parser, &cRsn3Parser::onIDX, [log](const IDX_T& x) {
        *log << QStringLiteral("IDX %1 %2 %3 %4")
                    .arg(x.seconds)
                    .arg(x.value1)
                    .arg(x.value3)
                    .arg(QString::fromLatin1(x.extra.toHex()));
    });
    QObject::connect(&parser, &cRsn3Parser::onDATA, [log](const DATA_T& d) {
        *log << QStringLiteral("DATA s%1 t%2 f%3 len%4 ms%5 m%6 a%7 %8")
                    .arg(d.streamId)
                    .arg(d.stream.type)
                    .arg(d.flags, 2, 16, QLatin1Char('0'))
                    .arg(d.length)
                    .arg(d.msec)
                    .arg(d.msecMode)
                    .arg(d.aux)
                    .arg(rsn3Payload(d.payload));
    });
    return log;
}
