#pragma once

#include "configoptions.h"
#include "descriptionrules.h"
#include "jobresult.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class NBXNetSetup;

// Runs one command on one recorder through its own device link: load, then
// read, export, or check and set and store; after a store a second link
// loads the recorder again and every key written is compared with what it
// reads.
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
    // False, with the job finished, when the description is unreadable.
    bool loadRules();
    void writeExport();
    void planAssignments();
    void store(const QStringList& assignments);
    void compareReadBack();
    QString exportPath() const;
    void finish(JobResult::Outcome outcome, const QString& message = QString());

    const ConfigOptions& m_options;
    DeviceAddress m_device;
    std::unique_ptr<NBXNetSetup> m_source;
    std::shared_ptr<const DescriptionRules> m_rules;
    // file/section/name/value, as set and import write them.
    QStringList m_assignments;
    // The note on an import's left-out keys, for the final message.
    QString m_leftOut;
    Phase m_phase = Phase::Idle;
    QElapsedTimer m_clock;
    QTimer m_timeout;
    JobResult m_result;
};
