#include "deviceservice.h"

#include <QTcpSocket>

DeviceService::DeviceService(DeviceSim& sim, QTcpSocket* socket)
    : QObject(socket), m_sim(sim), m_socket(socket)
{
}
