#include "jobqueue.h"

#include <QTextStream>

#include <algorithm>

namespace {

enum Exit
{
    AllOk = 0,
    SomeRefused = 2,
    SomeFailed = 4,
    SomeMismatch = 6,
};

} // namespace

JobQueue::JobQueue(const ConfigOptions& options, QTextStream& progress, QObject* parent)
    : QObject(parent), m_options(options), m_progress(progress)
{
    for (const DeviceAddress& device : options.devices)
        m_jobs.push_back(std::make_unique<DeviceJob>(options, device));
}

JobQueue::~JobQueue() = default;

QList<JobResult> JobQueue::run()
{
    fill();
    if (m_done < int(m_jobs.size()))
        m_loop.exec();
    QList<JobResult> results;
    for (const auto& job : m_jobs)
        results.append(job->result());
    return results;
}

void JobQueue::fill()
{
    // A job may end inside its start(); the loop then takes its place at once.
    while (m_running < m_options.jobs && m_next < m_jobs.size()) {
        DeviceJob* job = m_jobs[m_next++].get();
        ++m_running;
        connect(job, &DeviceJob::finished, this, [this, job] { onFinished(job); });
        job->start();
    }
}

void JobQueue::onFinished(DeviceJob* job)
{
    --m_running;
    ++m_done;
    const JobResult& r = job->result();
    m_progress << QStringLiteral("[%1/%2] %3 %4 %5 s")
                      .arg(m_done)
                      .arg(m_jobs.size())
                      .arg(r.device, outcomeName(r.outcome))
                      .arg(r.seconds, 0, 'f', 2)
               << Qt::endl;
    if (m_done == int(m_jobs.size())) {
        m_loop.quit();
        return;
    }
    // From the event loop, never inside the finished job's signal. Several
    // jobs may end before it runs: fill() takes whatever places are free.
    QMetaObject::invokeMethod(this, &JobQueue::fill, Qt::QueuedConnection);
}

QString JobQueue::outcomeName(JobResult::Outcome outcome)
{
    static const char* const names[] = {"ok", "mismatch", "failed", "timeout", "refused"};
    return QLatin1String(names[int(outcome)]);
}

QString JobQueue::table(const QList<JobResult>& results)
{
    int width = int(qstrlen("device"));
    for (const JobResult& r : results)
        width = std::max(width, int(r.device.size()));
    const QString row = QStringLiteral("%1  %2  %3  %4\n");
    QString text = row.arg(QStringLiteral("device"), -width)
                       .arg(QStringLiteral("result"), -8)
                       .arg(QStringLiteral("seconds"), 7)
                       .arg(QStringLiteral("message"));
    for (const JobResult& r : results)
        text += row.arg(r.device, -width)
                    .arg(outcomeName(r.outcome), -8)
                    .arg(QString::number(r.seconds, 'f', 2), 7)
                    .arg(r.message);
    return text;
}

int JobQueue::exitCode(const QList<JobResult>& results)
{
    // The most urgent outcome decides: a recorder not reached, then one
    // that refused what it was given, then a key that did not read back.
    static const struct
    {
        JobResult::Outcome outcome;
        Exit exit;
    } order[] = {
        {JobResult::Outcome::Failed, SomeFailed},
        {JobResult::Outcome::TimedOut, SomeFailed},
        {JobResult::Outcome::Refused, SomeRefused},
        {JobResult::Outcome::Mismatch, SomeMismatch},
    };
    for (const auto& row : order) {
        for (const JobResult& r : results) {
            if (r.outcome == row.outcome)
                return row.exit;
        }
    }
    return AllOk;
}
