// Periodic tasks of the description, run from the 500 ms tick.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "ptz/cptzcrossview.h"
#include "ptz/cqp2kbutton.h"
#include "video/cv3jpegreceiver.h"
#include "video/videorsn3reciver.h"

#include <QHash>
#include <QLabel>

#include <algorithm>

#include <chrono>

namespace {

// Milliseconds of a monotonic clock: a task's period must not depend on how
// busy the process is or on changes of the wall clock.
qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString childText(const QDomElement& element, const char* name)
{
    return element.firstChildElement(QLatin1String(name)).text();
}

} // namespace

qint64 CWinMain::taskTime() const
{
    return taskClock ? taskClock() : steadyMs();
}

void CWinMain::newTimeTask(QDomElement& task)
{
    task.setAttribute(QStringLiteral("ms"), QString::number(taskTime()));
    timeTasks.append(task);
}

void CWinMain::removeTimeTask(QDomElement& task)
{
    timeTasks.removeIf([&](const QDomElement& e) { return e == task; });
}

void CWinMain::timeout()
{
    const qint64 now = taskTime();
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
    static const QHash<QString, void (CWinMain::*)(QDomElement&)> kinds = {
        {QStringLiteral("v3getjpeg"), &CWinMain::ttGetJpeg},
        {QStringLiteral("startVideoOnline"), &CWinMain::ttVideoRSN3},
        {QStringLiteral("call"), &CWinMain::commonCallProcessing},
    };
    const QString type = task.attribute(QStringLiteral("type"));
    const auto run = kinds.value(type);
    if (!run) {
        // Told once: it would fail again at every period.
        removeTimeTask(task);
        emit pseudothrow(tr("Unknown time task \"%1\"").arg(type));
        return;
    }
    // A call of the source that a period makes is not waited for: the
    // dialog stays usable between periods.
    timeTaskRunning = true;
    (this->*run)(task);
    timeTaskRunning = false;
}

void CWinMain::ttGetJpeg(QDomElement& task)
{
    if (!setup->reachesDevice())
        return;
    // A picture nobody can see is not fetched: each one is a login on the
    // recorder. The task goes on at its next period once a view shows.
    const QList<QWidget*> targets = pictureTargets(task);
    if (noneShown(targets))
        return;
    prepareConnection(task);
    // One picture at a time per task: a device slower than the period, or
    // one that never answers, must not gather a connection every period.
    if (snapshotRuns.busy(task))
        return;
    auto* receiver = new cV3JpegReceiver(task);
    snapshotRuns.started(task, receiver);
    connectTargets(receiver, targets);
}

void CWinMain::ttVideoRSN3(QDomElement& task)
{
    if (!setup->reachesDevice())
        return;
    // A stream nobody sees costs the recorder a stream: it is closed, and
    // opened again at the task's next period once a view shows.
    const QList<QWidget*> targets = pictureTargets(task);
    if (noneShown(targets)) {
        if (VideoRSN3Reciver::created && VideoRSN3Reciver::singletonPtr->servesTask(task))
            VideoRSN3Reciver::removeReciver();
        return;
    }
    prepareConnection(task);
    if (VideoRSN3Reciver::created)
        return;
    connectTargets(VideoRSN3Reciver::getReciver(setup, task), targets);
}

bool CWinMain::noneShown(const QList<QWidget*>& targets) const
{
    return !targets.isEmpty() && std::none_of(targets.begin(), targets.end(),
                                              [this](QWidget* w) { return w->isVisibleTo(this); });
}

void CWinMain::showLiveUnavailable()
{
    // Said in words rather than a dark view that seems to wait for ever.
    const QString text = tr("Not available from a flash drive");
    const auto say = [&text](QLabel* view) {
        view->setAlignment(Qt::AlignCenter);
        view->setText(text);
    };
    static const QStringList pictureKinds = {QStringLiteral("v3getjpeg"),
                                             QStringLiteral("startVideoOnline")};
    for (const QDomElement& task : qAsConst(timeTasks)) {
        if (!pictureKinds.contains(task.attribute(QStringLiteral("type"))))
            continue;
        for (QWidget* target : pictureTargets(task)) {
            if (auto* view = qobject_cast<QLabel*>(target))
                say(view);
        }
    }
    for (cPTZCrossView* view : findChildren<cPTZCrossView*>())
        say(view);
    // Steering a camera that is not there does nothing.
    for (cQP2kButton* button : findChildren<cQP2kButton*>()) {
        button->setEnabled(false);
        button->setToolTip(text);
    }
}

void CWinMain::prepareConnection(QDomElement& task)
{
    QDomElement url = task.firstChildElement(QStringLiteral("url"));
    if (url.hasAttribute(QStringLiteral("parsed")))
        return;
    url.setAttribute(QStringLiteral("parsed"), substitute(url.text(), url));
    const bool ownCredentials = !task.firstChildElement(QStringLiteral("login")).isNull() &&
                                !task.firstChildElement(QStringLiteral("password")).isNull();
    const QString login = ownCredentials ? substitute(childText(task, "login"))
                                         : setup->value(QStringLiteral("general/network/login"));
    const QString password = ownCredentials
                                 ? substitute(childText(task, "password"))
                                 : setup->value(QStringLiteral("general/network/password"));
    url.setAttribute(QStringLiteral("login"), login);
    url.setAttribute(QStringLiteral("password"), password);
}

QList<QWidget*> CWinMain::pictureTargets(const QDomElement& task)
{
    // Only widgets this dialog created and that still live: an address
    // written in the document is never taken for a pointer.
    QList<QWidget*> targets;
    for (QDomElement target = task.firstChildElement(QStringLiteral("target")); !target.isNull();
         target = target.nextSiblingElement(QStringLiteral("target"))) {
        for (const QDomElement& node : elementsNamed(target.text())) {
            QWidget* control = widgetOf(node.parentNode().toElement());
            if (control && control->metaObject()->indexOfSlot("setPixmap(QPixmap)") >= 0)
                targets.append(control);
        }
    }
    return targets;
}

void CWinMain::connectTargets(QObject* receiver, const QList<QWidget*>& targets)
{
    // A target named twice still gets each picture once.
    for (QWidget* control : targets)
        connect(receiver, SIGNAL(pixmapReady(QPixmap)), control, SLOT(setPixmap(QPixmap)),
                Qt::UniqueConnection);
}
