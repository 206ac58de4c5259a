#include "commandservice.h"

#include "devicesim.h"

#include <QTcpSocket>

namespace {

const QByteArray kLengthTag("LENGTH=");

QByteArray frame(const QByteArray& body)
{
    return "LENGTH=" + QByteArray::number(body.size()) + "\r\n" + body;
}

} // namespace

CommandService::CommandService(DeviceSim& sim, QTcpSocket* socket) : DeviceService(sim, socket)
{
    m_grace.setSingleShot(true);
    m_grace.setInterval(kPayloadGraceMs);
    connect(&m_grace, &QTimer::timeout, this, [this] {
        m_graceOver = true;
        process();
    });
    connect(socket, &QTcpSocket::readyRead, this, &CommandService::onReadyRead);
}

void CommandService::start(const QByteArray& pending)
{
    m_buffer = pending;
    process();
}

void CommandService::onReadyRead()
{
    m_buffer += m_socket->readAll();
    process();
}

void CommandService::process()
{
    for (;;) {
        bool more = false;
        switch (m_step) {
        case Step::Login:
            more = takeLogin();
            break;
        case Step::Line:
            more = takeLine();
            break;
        case Step::Payload:
            more = takePayload();
            break;
        case Step::Refused:
        case Step::Done:
            m_buffer.clear();
            break;
        }
        if (!more)
            return;
    }
}

bool CommandService::takeLogin()
{
    const Login login = DeviceService::takeLogin(m_buffer);
    if (login == Login::Incomplete)
        return false;
    // A refused client closes the connection itself.
    m_step = login == Login::Accepted ? Step::Line : Step::Refused;
    return login == Login::Accepted;
}

bool CommandService::takeLine()
{
    const qsizetype end = m_buffer.indexOf("\r\n");
    if (end < 0) {
        if (m_buffer.size() > kMaxLine) {
            answerError("Request line too long");
            m_step = Step::Done;
        }
        return false;
    }
    m_request = DeviceRequest();
    m_request.line = m_buffer.left(end + 2);
    m_buffer.remove(0, end + 2);
    m_route = m_sim.folder().route(m_request.line.left(end));
    m_graceOver = false;
    m_step = Step::Payload;
    return true;
}

bool CommandService::takePayload()
{
    const DeviceFolder::Kind kind = m_route.kind;
    const bool canCarry = kind == DeviceFolder::Upload || kind == DeviceFolder::FetchOrUpload ||
                          kind == DeviceFolder::Action || kind == DeviceFolder::SoftConfig;
    if (!canCarry) {
        finish(false);
        return true;
    }
    if (m_buffer.startsWith(kLengthTag)) {
        const qsizetype end = m_buffer.indexOf("\r\n");
        if (end < 0)
            return m_buffer.size() > kMaxLine ? (finish(false), true) : false;
        bool ok = false;
        const qint64 length =
            m_buffer.mid(kLengthTag.size(), end - kLengthTag.size()).toLongLong(&ok);
        if (!ok || length < 0 || length > kMaxPayload) {
            m_sim.log().append(m_request);
            answerError("Wrong payload length");
            m_step = Step::Done;
            return false;
        }
        if (m_buffer.size() < end + 2 + length)
            return false;
        m_request.length = length;
        m_request.payload = m_buffer.mid(end + 2, length);
        m_buffer.remove(0, end + 2 + length);
        finish(true);
        return true;
    }
    // Part of a LENGTH line that is still on its way.
    if (!m_buffer.isEmpty() && kLengthTag.startsWith(m_buffer))
        return false;
    if (!m_buffer.isEmpty() || m_graceOver || (kind == DeviceFolder::FetchOrUpload && m_loading)) {
        finish(false);
        return true;
    }
    m_grace.start();
    return false;
}

void CommandService::finish(bool hasPayload)
{
    m_grace.stop();
    m_step = Step::Line;
    m_sim.log().append(m_request);
    const bool upload = hasPayload && (m_route.kind == DeviceFolder::Upload ||
                                       m_route.kind == DeviceFolder::FetchOrUpload);
    if ((m_sim.faults().uploadsOnly && !upload) || !misbehave())
        serve(hasPayload);
}

bool CommandService::misbehave()
{
    const DeviceFaults& faults = m_sim.faults();
    switch (faults.mode) {
    case DeviceFaults::None:
    case DeviceFaults::RefuseFirstLogin:
    case DeviceFaults::SnapshotError:
    case DeviceFaults::SnapshotClose:
    case DeviceFaults::PtzGarbage:
    case DeviceFaults::PtzSizeMismatch:
    case DeviceFaults::PtzHugeWidth:
    case DeviceFaults::DropKey:
    case DeviceFaults::StreamJunk:
    case DeviceFaults::PtzFlood:
    case DeviceFaults::StereoTrickle:
    case DeviceFaults::StereoNoAccept:
        return false;
    case DeviceFaults::AnswerLong:
        m_socket->write(faults.longAnswer());
        return true;
    case DeviceFaults::NegativeLength:
        m_socket->write("LENGTH=-16\r\nVELK_ANSWER=OK\r\n");
        return true;
    case DeviceFaults::AnswerError:
        answerError(faults.message);
        return true;
    case DeviceFaults::Silent:
        return true;
    case DeviceFaults::CloseMidFrame: {
        const QByteArray whole = frame("some payload VELK_ANSWER=OK\r\n");
        m_socket->write(whole.left(whole.size() / 2));
        m_socket->flush();
        m_socket->disconnectFromHost();
        m_step = Step::Done;
        return true;
    }
    case DeviceFaults::Garbage: {
        static const char garbage[] = "\x01\xfe garbage \x7f with no answer line \x02";
        m_socket->write(frame(QByteArray(garbage, sizeof garbage - 1)));
        return true;
    }
    case DeviceFaults::HugeLength:
        m_socket->write("LENGTH=4294967296\r\nVELK_ANSWER=OK\r\n");
        return true;
    }
    return false;
}

void CommandService::serve(bool hasPayload)
{
    DeviceFolder& folder = m_sim.folder();
    QByteArray data;
    switch (m_route.kind) {
    case DeviceFolder::Setup:
        m_loading = true;
        answer(folder.setupAnswer());
        return;
    case DeviceFolder::Report:
        answer(folder.report());
        return;
    case DeviceFolder::Action:
        answer(QByteArray());
        return;
    case DeviceFolder::SoftConfig: {
        const QByteArray failure = folder.applySoftConfig(m_request.payload);
        if (failure.isEmpty())
            answer(QByteArray());
        else
            answerError(failure);
        return;
    }
    case DeviceFolder::FetchOrUpload:
        // Without a payload this can only be read as a fetch: taking it for
        // an empty upload could wipe the file on a guess.
        if (!hasPayload)
            break;
        [[fallthrough]];
    case DeviceFolder::Upload:
        if (folder.writeFile(m_route.uploadFile,
                             m_sim.faults().keptUpload(m_route.uploadFile, m_request.payload)))
            answer(QByteArray());
        else
            answerError("Can not write " + m_route.uploadFile.toLocal8Bit());
        return;
    case DeviceFolder::Fetch:
        break;
    case DeviceFolder::Unknown:
        answerError("Unknown request \"" + m_request.line.chopped(2) + "\"");
        return;
    }
    if (folder.readFile(m_route.fetchFile, data))
        answer(data);
    else
        answerError("Can not read " + m_route.fetchFile.toLocal8Bit());
}

void CommandService::answer(const QByteArray& payload)
{
    sendAnswer(frame(payload + "VELK_ANSWER=OK\r\n"));
}

void CommandService::answerError(const QByteArray& message)
{
    const QByteArray line = message.isEmpty() ? QByteArray("VELK_ANSWER=ERROR\r\n")
                                              : "VELK_ANSWER=ERROR:" + message + "\r\n";
    m_socket->write(frame(line));
}
