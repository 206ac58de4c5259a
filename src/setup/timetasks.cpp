// Periodic tasks of the description, run from the 500 ms tick.
#include "cwinmain.h"

#include <chrono>

namespace {

// Milliseconds of a monotonic clock: a task's period must not depend on how
// busy the process is or on changes of the wall clock.
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void CWinMain::newTimeTask(QDomElement& task)
{
    task.setAttribute(QStringLiteral("ms"), QString::number(nowMs()));
    timeTasks.append(task);
}

void CWinMain::removeTimeTask(QDomElement& task)
{
    timeTasks.removeIf([&](const QDomElement& e) { return e == task; });
}

void CWinMain::timeout()
{
    const qint64 now = nowMs();
    const QList<QDomElement> tasks = timeTasks;
    for (QDomElement task : tasks) {
        const quint32 elapsed = quint32(now - task.attribute(QStringLiteral("ms")).toLongLong());
        const quint32 period = quint32(task.attribute(QStringLiteral("period")).toLongLong());
        if (elapsed > period) {
            task.setAttribute(QStringLiteral("ms"), QString::number(now));
            doTimeTask(task);
        }
    }
}

void CWinMain::doTimeTask(QDomElement& task)
{
    const QString type = task.attribute(QStringLiteral("type"));
    if (type == QLatin1String("call"))
        commonCallProcessing(task);
    else
        emit pseudothrow(tr("Unknown time task \"%1\"").arg(type));
}
