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
    // Keys for get; file/section/name/value assignments for set.
    QStringList keys;
    // The export file (a folder with --devices) or the import file.
    QString file;
    // The description element that lists what export and import carry.
    QString exportSet = QStringLiteral("export_set");
    int jobs = kDefaultJobs;
    // Per device; 0: only the device link's own watchdog.
    int timeoutSeconds = kDefaultTimeoutSeconds;
};
