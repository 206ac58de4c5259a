#pragma once

#include "configoptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class NBXNetSetup;

// What became of one recorder.
struct JobResult
{
    enum class Outcome
    {
        Ok,
        Mismatch, // stored, but a key read back otherwise
        Failed,
        TimedOut
    };

    QString device; // host:port
    Outcome outcome = Outcome::Failed;
    double seconds = 0;
    QString message;
    // get: KEY=VALUE, in the order asked.
    QStringList values;
};

// Runs one command on one recorder through its own device link: load, then
// read, export, or set and store; after a store a second link loads the
// recorder again and every key written is compared with what it reads.
// Everything is driven by the event loop, so many jobs overlap.
class DeviceJob : public QObject
{
    Q_OBJECT
public:
    DeviceJob(const ConfigOptions& options, const DeviceAddress& device, QObject* parent = nullptr);
    ~DeviceJob() override;

    void start();
    const JobResult& result() const { return m_result; }

signals:
    void finished();

private:
    enum class Phase
    {
        Idle,
        Loading,
        Storing,
        Verifying,
        Done
    };

    void openSource();
    void dropSource();
    void onLoaded();
    void onStored();
    void onError(const QString& message);
    void onTimeout();
    void readValues();
    void writeExport();
    void storeAssignments();
    void compareReadBack();
    QString exportPath() const;
    void finish(JobResult::Outcome outcome, const QString& message = QString());

    const ConfigOptions& m_options;
    DeviceAddress m_device;
    std::unique_ptr<NBXNetSetup> m_source;
    // file/section/name/value, as set and import write them.
    QStringList m_assignments;
    Phase m_phase = Phase::Idle;
    QElapsedTimer m_clock;
    QTimer m_timeout;
    JobResult m_result;
};
