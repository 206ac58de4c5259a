#pragma once

#include "deviceaddress.h"

#include <QList>
#include <QString>
#include <QStringList>

// What velk-config is asked to do, on which recorders.
struct ConfigOptions
{
    enum class Verb
    {
        Get,
        Set,
        Export,
        Import
    };

    static constexpr int kDefaultJobs = 4;
    static constexpr int kDefaultTimeoutSeconds = 300;

    Verb verb = Verb::Get;
    QList<DeviceAddress> devices;
    // Given with --devices: output files are named per device.
    bool manyDevices = false;
    // Recorders listed more than once (host:port): each is worked on once.
    QStringList repeated;
    // Keys for get; file/section/name/value assignments for set.
    QStringList keys;
    // The export file (a folder with --devices) or the import file.
    QString file;
    // The description element that lists what export and import carry.
    QString exportSet = QStringLiteral("export_set");
    // set and import: keys the recorder's files do not hold may be added.
    bool create = false;
    // set and import: validate and show what would change; store nothing.
    bool dryRun = false;
    // One JSON object per recorder on stdout in place of the values.
    bool json = false;
    // import and export: only these keys (file/section/name) / never these.
    QStringList only;
    QStringList exclude;
    int jobs = kDefaultJobs;
    // Per device; 0: only the device link's own watchdog.
    int timeoutSeconds = kDefaultTimeoutSeconds;
};
