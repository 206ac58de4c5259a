#include "deadline.h"

#include "hostexit.h"
#include "setupdialogs.h"

#include <QApplication>
#include <QDialog>

#include <cstdio>
#include <cstdlib>

Deadline::Deadline(int seconds, QObject* parent) : QObject(parent), m_seconds(seconds)
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &Deadline::expire);
    m_sweep.setInterval(kSweepMs);
    connect(&m_sweep, &QTimer::timeout, this, &Deadline::closeDialogs);
    m_windDown.setSingleShot(true);
    connect(&m_windDown, &QTimer::timeout, this, &Deadline::stop);
    if (seconds > 0)
        m_limit.start(seconds * 1000);
}

void Deadline::expire()
{
    std::fprintf(stderr, "panorix-setup: gave up after %d s\n", m_seconds);
    m_expired = true;
    emit expired();
    closeDialogs();
    m_sweep.start();
    m_windDown.start(kWindDownMs);
}

void Deadline::closeDialogs()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && !SetupDialogs::isSetupDialog(dialog))
            dialog->reject();
    }
    SetupDialogs::rejectAll();
}

void Deadline::stop()
{
    std::fprintf(stderr, "panorix-setup: the session did not end; stopping\n");
    std::fflush(stderr);
    std::_Exit(HostExit::TimedOut);
}
