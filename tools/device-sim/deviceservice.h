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
    DeviceService(DeviceSim& sim, QTcpSocket* socket);

    // `pending` holds the bytes that came after the first one.
    virtual void start(const QByteArray& pending) = 0;

protected:
    DeviceSim& m_sim;
    QTcpSocket* m_socket;
};
