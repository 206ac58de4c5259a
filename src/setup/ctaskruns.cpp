#include "ctaskruns.h"

bool cTaskRuns::busy(const QDomElement& task)
{
    dropFinished();
    for (const Run& run : runs) {
        if (run.task == task)
            return true;
    }
    return false;
}

void cTaskRuns::started(const QDomElement& task, QObject* receiver)
{
    dropFinished();
    runs.append({task, receiver});
}

void cTaskRuns::dropFinished()
{
    runs.removeIf([](const Run& run) { return run.receiver.isNull(); });
}
