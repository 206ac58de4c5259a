#pragma once

#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPointer>

// The receivers that time tasks started and that still work, by task
// element. A task whose last run has not finished is not run again: a slow
// or silent device would otherwise gather a new connection every period.
class cTaskRuns
{
public:
    // True while the receiver last started for `task` still lives.
    bool busy(const QDomElement& task);
    void started(const QDomElement& task, QObject* receiver);

private:
    struct Run
    {
        QDomElement task;
        QPointer<QObject> receiver;
    };
    void dropFinished();

    QList<Run> runs;
};
