#include "deviceservice.h"

#include "devicesim.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

const QByteArray kAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
const QByteArray kRefused("LENGTH=19\r\nVELK_ANSWER=ERROR\r\n");

} // namespace

DeviceService::DeviceService(DeviceSim& sim, QTcpSocket* socket)
    : QObject(socket), m_sim(sim), m_socket(socket)
{
}

DeviceService::Login DeviceService::takeLogin(QByteArray& buffer)
{
    const qsizetype first = buffer.indexOf("\r\n");
    const qsizetype second = first < 0 ? -1 : buffer.indexOf("\r\n", first + 2);
    if (second < 0) {
        if (buffer.size() > 2 * kMaxLine)
            m_socket->abort();
        return Login::Incomplete;
    }
    const QByteArray loginLine = buffer.left(first);
    const QByteArray passLine = buffer.mid(first + 2, second - first - 2);
    buffer.remove(0, second + 2);

    DeviceLogin login;
    const bool wellFormed = loginLine.startsWith("LOGIN=") && passLine.startsWith("PASS=");
    login.login = loginLine.mid(6);
    login.password = passLine.mid(5);
    login.accepted = wellFormed && m_sim.acceptLogin(login.login, login.password);
    m_sim.log().appendLogin(login);
    // A refusal closes the connection at once: it cannot wait.
    if (login.accepted)
        sendAnswer(kAccepted);
    else
        m_socket->write(kRefused);
    return login.accepted ? Login::Accepted : Login::Refused;
}

void DeviceService::sendAnswer(const QByteArray& bytes)
{
    const int delay = m_sim.answerDelay();
    if (delay <= 0) {
        m_socket->write(bytes);
        return;
    }
    // Equal delays keep the answers in order; a connection gone meanwhile
    // takes its answer with it.
    QTimer::singleShot(delay, m_socket, [socket = m_socket, bytes] { socket->write(bytes); });
}
