#pragma once

#include "deviceservice.h"

#include <QSize>

// The snapshot service of the emulated device: a login, one command line,
// then the camera's picture as a JPEG after its length (4 bytes,
// little-endian), and the connection closes.
class SnapshotService : public DeviceService
{
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 704;
    static constexpr int kDefaultHeight = 576;

    SnapshotService(DeviceSim& sim, QTcpSocket* socket,
                    QSize size = QSize(kDefaultWidth, kDefaultHeight));

    void start(const QByteArray& pending) override;

private:
    enum class Step
    {
        Login,
        Command,
        Done
    };

    void onReadyRead();
    void process();
    void takeCommand();
    void serve();
    void answer(const QByteArray& payload);
    QByteArray jpeg() const;

    QByteArray m_buffer;
    Step m_step = Step::Login;
    QSize m_size;
};
