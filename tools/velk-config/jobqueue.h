#pragma once

#include "devicejob.h"

#include <QEventLoop>
#include <QList>
#include <QObject>

#include <memory>
#include <vector>

class QTextStream;

// Runs one job per recorder, at most `jobs` at once, and prints a line to
// `progress` as each one ends.
class JobQueue : public QObject
{
    Q_OBJECT
public:
    JobQueue(const ConfigOptions& options, QTextStream& progress, QObject* parent = nullptr);
    ~JobQueue() override;

    // The results in the order of the recorders given.
    QList<JobResult> run();

    static QString outcomeName(JobResult::Outcome outcome);
    // The final table: device, result, seconds, message.
    static QString table(const QList<JobResult>& results);
    // 0 when every recorder is ok; see the exit status in --help.
    static int exitCode(const QList<JobResult>& results);

private:
    // Starts jobs while fewer than `jobs` run and some are waiting.
    void fill();
    void onFinished(DeviceJob* job);

    const ConfigOptions& m_options;
    QTextStream& m_progress;
    std::vector<std::unique_ptr<DeviceJob>> m_jobs;
    QEventLoop m_loop;
    size_t m_next = 0;
    int m_running = 0;
    int m_done = 0;
};
