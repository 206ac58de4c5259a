#pragma once

#include <QByteArray>
#include <QObject>

class DeviceSim;
class QTcpSocket;

// One service of the emulated device, chosen by the first byte a client
// sends on a new connection. It owns the conversation from then on.
class DeviceService : public QObject
{
    Q_OBJECT
public:
    // Longest login or request line we read; the client's are far shorter.
    static constexpr qsizetype kMaxLine = 4096;

    DeviceService(DeviceSim& sim, QTcpSocket* socket);

    // `pending` holds the bytes that came after the first one.
    virtual void start(const QByteArray& pending) = 0;

protected:
    enum class Login
    {
        Incomplete,
        Accepted,
        Refused
    };

    // Takes the LOGIN= and PASS= lines from the front of `buffer`, checks
    // them, logs them and answers as the device does. Incomplete until both
    // lines are there; a connection that sends more than any login holds is
    // aborted.
    Login takeLogin(QByteArray& buffer);
    // Writes an answer, late by the device's answer delay.
    void sendAnswer(const QByteArray& bytes);

    DeviceSim& m_sim;
    QTcpSocket* m_socket;
};
