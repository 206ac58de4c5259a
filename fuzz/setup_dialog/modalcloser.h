#pragma once

#include <QObject>
#include <QTimer>

// Closes whatever modal window is open (a sub-dialog, the file chooser, the
// dialog itself run modally by a call), whenever the event loop is idle, so
// that no exec() of a fuzzed description waits for a user.
class ModalCloser : public QObject
{
public:
    ModalCloser();

private:
    void closeModal();

    QTimer m_timer;
};
