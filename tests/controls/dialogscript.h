#pragma once

// Answers the modal sub-dialogs a setup dialog opens, as a user would, and
// keeps their titles so a test can tell which opened.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

class DialogScript : public QObject
{
public:
    // Titles of the dialogs that were answered (rejected), in order.
    QStringList answered;
    // Runs in each answered dialog before it is rejected.
    std::function<void(QDialog*)> inside = [](QDialog*) {};

    DialogScript()
    {
        connect(&m_poll, &QTimer::timeout, this, &DialogScript::poll);
        m_poll.start(5);
    }

    // The dialog titled `title` is not answered: `steps` run in it once, on
    // their own turn of the event loop, so that the dialogs they open are
    // answered meanwhile. It is rejected after them if still open.
    void workIn(const QString& title, std::function<void(QDialog*)> steps)
    {
        m_workTitle = title;
        m_steps = std::move(steps);
    }

private:
    void poll()
    {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || d->objectName() == QLatin1String("NBXDlgQuestion"))
            return;
        if (d->windowTitle() == m_workTitle) {
            if (m_working)
                return;
            m_working = true;
            QTimer::singleShot(0, d, [this, d] {
                m_steps(d);
                if (d->isVisible())
                    d->reject();
            });
            return;
        }
        answered << d->windowTitle();
        inside(d);
        d->reject();
    }

    QTimer m_poll;
    QString m_workTitle;
    std::function<void(QDialog*)> m_steps;
    bool m_working = false;
};
