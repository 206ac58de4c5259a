#include "jobreport.h"

#include "jobqueue.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject keyValues(const QList<KeyValue>& pairs)
{
    QJsonObject out;
    for (const KeyValue& p : pairs)
        out.insert(p.key, p.value);
    return out;
}

QJsonObject changes(const QList<KeyChange>& changes)
{
    QJsonObject out;
    for (const KeyChange& c : changes) {
        const QJsonValue from = c.from.isNull() ? QJsonValue() : QJsonValue(c.from);
        out.insert(c.key,
                   QJsonObject{{QStringLiteral("old"), from}, {QStringLiteral("new"), c.to}});
    }
    return out;
}

} // namespace

QByteArray JobReport::stdoutText(const ConfigOptions& options, const JobResult& result)
{
    return options.json ? json(options, result) : plainText(options, result);
}

QByteArray JobReport::json(const ConfigOptions& options, const JobResult& result)
{
    const QJsonObject object{
        {QStringLiteral("address"), result.device},
        {QStringLiteral("result"), JobQueue::outcomeName(result.outcome)},
        {QStringLiteral("seconds"), result.seconds},
        {QStringLiteral("message"), result.message},
        {QStringLiteral("dry_run"), options.dryRun},
        {QStringLiteral("read"), keyValues(result.read)},
        {QStringLiteral("changed"), changes(result.changes)},
        {QStringLiteral("refused"), keyValues(result.refused)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray JobReport::plainText(const ConfigOptions& options, const JobResult& result)
{
    // A recorder that failed has no values to show, not empty ones.
    if (result.outcome != JobResult::Outcome::Ok)
        return QByteArray();
    const QString prefix = options.manyDevices ? result.device + QLatin1Char(' ') : QString();
    QString text;
    for (const KeyValue& v : result.read)
        text += prefix + v.key + QLatin1Char('=') + v.value + QLatin1Char('\n');
    if (options.dryRun) {
        for (const KeyChange& c : result.changes)
            text += QStringLiteral("%1%2: %3 -> \"%4\"\n")
                        .arg(prefix, c.key,
                             c.from.isNull() ? QStringLiteral("(none)")
                                             : QLatin1Char('"') + c.from + QLatin1Char('"'),
                             c.to);
    }
    return text.toUtf8();
}
