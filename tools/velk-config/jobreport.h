#pragma once

#include "configoptions.h"
#include "jobresult.h"

#include <QByteArray>
#include <QString>

// What velk-config prints on stdout for one recorder: its values (get),
// the keys that would change (--dry-run), or, with --json, one JSON object
// a line for scripts.
class JobReport
{
public:
    static QByteArray stdoutText(const ConfigOptions& options, const JobResult& result);
    static QByteArray json(const ConfigOptions& options, const JobResult& result);

private:
    static QByteArray plainText(const ConfigOptions& options, const JobResult& result);
};
