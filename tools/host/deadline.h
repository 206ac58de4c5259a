#pragma once

#include <QObject>
#include <QTimer>

// The overall time limit of a session. When it runs out it says so, closes
// every dialog (again and again, as closing one can open another, such as
// an error box) and, should the session still not end, stops the process.
class Deadline : public QObject
{
    Q_OBJECT
public:
    // Time the session gets to wind down after the limit before the process
    // is stopped outright.
    static constexpr int kWindDownMs = 10000;
    static constexpr int kSweepMs = 100;

    // 0 seconds: no limit.
    explicit Deadline(int seconds, QObject* parent = nullptr);

    bool isExpired() const { return m_expired; }

signals:
    void expired();

private:
    void expire();
    static void closeDialogs();
    [[noreturn]] static void stop();

    int m_seconds;
    bool m_expired = false;
    QTimer m_limit;
    QTimer m_sweep;
    QTimer m_windDown;
};
