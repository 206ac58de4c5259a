#pragma once

#include "devicefolder.h"
#include "devicelog.h"
#include "deviceservice.h"

#include <QTimer>

// The command link of the emulated device: a login, then one request at a
// time, each answered with a LENGTH frame that ends in a VELK_ANSWER line.
class CommandService : public DeviceService
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxPayload = qint64(256) * 1024 * 1024;
    // How long an upload line waits for a LENGTH line before it counts as
    // having no payload.
    static constexpr int kPayloadGraceMs = 150;

    CommandService(DeviceSim& sim, QTcpSocket* socket);

    void start(const QByteArray& pending) override;

private:
    enum class Step
    {
        Login,
        Line,
        Payload,
        Refused,
        Done
    };

    void onReadyRead();
    void process();
    bool takeLogin();
    bool takeLine();
    bool takePayload();
    void finish(bool hasPayload);
    void serve(bool hasPayload);
    bool misbehave();

    void answer(const QByteArray& payload);
    void answerError(const QByteArray& message);

    QByteArray m_buffer;
    Step m_step = Step::Login;
    DeviceRequest m_request;
    DeviceFolder::Route m_route;
    // A connection that fetched the description is a load: its ambiguous
    // lines are fetches.
    bool m_loading = false;
    bool m_graceOver = false;
    QTimer m_grace;
};
