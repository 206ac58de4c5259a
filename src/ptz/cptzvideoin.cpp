#include "cptzvideoin.h"

#include "config/nbxsetup.h"

#include <QRegularExpression>

namespace {

const QString kFirstNewPortVersion = QStringLiteral("201004300000-r01");
const QString kGimbalPlatform = QStringLiteral("Velk5-rimbal");
constexpr int kFullTurn = 36000;

const QString kPanKey = QStringLiteral("general/PTZCalibrator/Pan");
const QString kTiltKey = QStringLiteral("general/PTZCalibrator/Tilt");
const QString kZoomKey = QStringLiteral("general/PTZCalibrator/Zoom");

} // namespace

cPTZvideoIn::cPTZvideoIn(NBXSetup* setup, QWidget* parent) : QWidget(parent), setup(setup)
{
    url = setup->value(QStringLiteral("general/network/url"));
    login = setup->value(QStringLiteral("general/network/login"));
    password = setup->value(QStringLiteral("general/network/password"));
    serviceByte = QByteArray(1, char(serviceByteFor(optionalValue("streams", "common/platform"))));
    // A copy of the files names the recorder, but the recorder is not there.
    if (setup->reachesDevice())
        m_host = url.section(QLatin1Char(':'), 0, 0);
    m_port = portFor(url, optionalValue("Velk-Rimbal", "Common/Version"));

    connect(&socket, &QTcpSocket::connected, this, &cPTZvideoIn::slot_Connected);
    connect(&socket, &QTcpSocket::disconnected, this, &cPTZvideoIn::slot_Disconnected);
    connect(&socket, &QTcpSocket::readyRead, this, &cPTZvideoIn::slot_Ready_read);
    // A connection attempt that fails never reports a disconnection.
    connect(&socket, &QTcpSocket::errorOccurred, this, [this] {
        if (socket.state() == QAbstractSocket::UnconnectedState)
            _scheduleReconnect();
    });
    connect(&receiver, &cPTZReceiver::positionReported, this, &cPTZvideoIn::onPosition);
    connect(&receiver, &cPTZReceiver::pictureReady, this, &cPTZvideoIn::onPicture);
    connect(&receiver, &cPTZReceiver::frameReceived, this, &cPTZvideoIn::Reply_frame_received);

    reconnectTimer.setSingleShot(true);
    // A coarse timer may fire early; the pause is a promise to the device.
    reconnectTimer.setTimerType(Qt::PreciseTimer);
    reconnectTimer.setInterval(kReconnectMs);
    connect(&reconnectTimer, &QTimer::timeout, this, &cPTZvideoIn::_connect);
    socket.setReadBufferSize(kReadSlice);
    drainTimer.setSingleShot(true);
    drainTimer.setInterval(0);
    connect(&drainTimer, &QTimer::timeout, this, &cPTZvideoIn::slot_Ready_read);
    timer.setInterval(kTickMs);
    connect(&timer, &QTimer::timeout, this, &cPTZvideoIn::slot_Timeout);
    _connect();
}

cPTZvideoIn::~cPTZvideoIn()
{
    reconnectTimer.stop();
    socket.disconnect(this);
    // The buttons that show the latches may be going too: stop the camera
    // without telling anyone.
    blockSignals(true);
    slot_Stop_all();
    slot_Disconnect_socket();
}

// A device without the file has no such setting: an empty value, not an
// error that would close the dialog.
QString cPTZvideoIn::optionalValue(const char* file, const char* key) const
{
    const QString name = QLatin1String(file);
    if (!setup->fileExists(name))
        return QString();
    return setup->value(name + QLatin1Char('/') + QLatin1String(key));
}

quint16 cPTZvideoIn::portFor(const QString& url, const QString& version)
{
    bool ok = false;
    const quint16 explicitPort = url.section(QLatin1Char(':'), 1, 1).toUShort(&ok);
    if (ok && explicitPort != 0)
        return explicitPort;
    return version < kFirstNewPortVersion ? kOldPort : kPort;
}

quint8 cPTZvideoIn::serviceByteFor(const QString& platformValue)
{
    const QString platform =
        platformValue.section(QLatin1Char(':'), 1).section(QLatin1Char(','), 0, 0);
    return platform == kGimbalPlatform ? kGimbalService : kPtzService;
}

void cPTZvideoIn::_connect()
{
    if (!m_host.isEmpty() && socket.state() == QAbstractSocket::UnconnectedState)
        socket.connectToHost(m_host, m_port);
}

void cPTZvideoIn::_scheduleReconnect()
{
    if (!reconnectTimer.isActive())
        reconnectTimer.start();
}

bool cPTZvideoIn::writable() const
{
    return socket.state() == QAbstractSocket::ConnectedState && socket.isWritable();
}

// --- connection

void cPTZvideoIn::slot_Connected()
{
    socket.write(serviceByte);
    socket.write(QStringLiteral("LOGIN=%1\r\nPASS=%2\r\n").arg(login, password).toLocal8Bit());
    receiver.start();
    timer.start();
}

void cPTZvideoIn::slot_Disconnected()
{
    timer.stop();
    receiver.stop();
    // The same host and port as the first connection: the one known to work.
    _scheduleReconnect();
}

void cPTZvideoIn::slot_Disconnect_socket()
{
    if (socket.state() == QAbstractSocket::ConnectedState)
        socket.disconnectFromHost();
}

// --- steering

namespace {

const char* const kDirectionNames[] = {"UP", "DOWN", "LEFT", "RIGHT", "ZOOM_IN", "ZOOM_OUT"};

} // namespace

// The index of a direction's name, -1 for none; `opposite` receives the
// direction on the same axis the other way.
int cPTZvideoIn::directionIndex(const QString& name, int* opposite)
{
    for (int i = 0; i < DirectionCount; ++i) {
        if (name != QLatin1String(kDirectionNames[i]))
            continue;
        if (opposite)
            *opposite = i ^ 1;
        return i;
    }
    return -1;
}

bool cPTZvideoIn::isLatched(const QString& direction) const
{
    const int i = directionIndex(direction);
    return i >= 0 && directions[i].latch;
}

void cPTZvideoIn::setLatch(int direction, bool latched)
{
    if (directions[direction].latch == latched)
        return;
    directions[direction].latch = latched;
    emit latchChanged(QLatin1String(kDirectionNames[direction]), latched);
}

void cPTZvideoIn::slot_Move_PTZ(QString param)
{
    int opposite = -1;
    const int self = directionIndex(param, &opposite);
    if (self < 0)
        return;
    const bool latched = !directions[self].latch;
    if (latched) {
        directions[opposite].held = false;
        setLatch(opposite, false);
    }
    setLatch(self, latched);
}

void cPTZvideoIn::slot_Start_PTZ(const QString& direction)
{
    int opposite = -1;
    const int self = directionIndex(direction, &opposite);
    if (self < 0)
        return;
    directions[opposite].held = false;
    setLatch(opposite, false);
    setLatch(self, false);
    directions[self].held = true;
    steerNow();
}

void cPTZvideoIn::slot_Stop_PTZ(const QString& direction)
{
    const int self = directionIndex(direction);
    if (self < 0 || !directions[self].held)
        return;
    directions[self].held = false;
    steerNow();
}

void cPTZvideoIn::slot_Stop_all()
{
    for (int i = 0; i < DirectionCount; ++i) {
        directions[i].held = false;
        setLatch(i, false);
    }
    steerNow();
    // The dialog may be closing: the STOP must leave before the socket goes.
    if (writable())
        socket.flush();
}

void cPTZvideoIn::steerNow()
{
    slot_Timeout();
}

QByteArray cPTZvideoIn::movementCommand() const
{
    static const struct
    {
        int first;
        int second;
        const char* firstText;
        const char* secondText;
    } kAxes[] = {
        {Up, Down, "_TILT-UP", "_TILT-DOWN"},
        {Left, Right, "_PAN-LEFT", "_PAN-RIGHT"},
        {ZoomIn, ZoomOut, "_ZOOM-IN", "_ZOOM-OUT"},
    };
    QByteArray command;
    for (const auto& axis : kAxes) {
        if (directions[axis.first].on())
            command += axis.firstText;
        else if (directions[axis.second].on())
            command += axis.secondText;
    }
    return command;
}

void cPTZvideoIn::slot_Timeout()
{
    if (!writable())
        return;
    QByteArray command = movementCommand();
    if (command.isEmpty()) {
        if (flag_stop_sent)
            return;
        command = "STOP";
        flag_stop_sent = true;
    } else {
        flag_stop_sent = false;
    }
    sendMove(command);
}

void cPTZvideoIn::sendMove(const QByteArray& command)
{
    const QByteArray line = command + "\r\n";
    socket.write("PUT PTZ COMMAND\r\nLENGTH=" + QByteArray::number(line.size()) + "\r\n" + line);
}

void cPTZvideoIn::slot_PTZ_goto(sCalibrationPoint p)
{
    if (!writable())
        return;
    sendMove(
        QStringLiteral("GO-TO %1 %2").arg(p.pan % kFullTurn).arg(p.tilt % kFullTurn).toLatin1());
}

void cPTZvideoIn::slot_Goto_default_PTZ_pos()
{
    if (writable())
        socket.write("PUT PTZ GOTO DEFAULT\r\n");
}

void cPTZvideoIn::slot_Pin_default_PTZ_pos()
{
    if (!writable())
        return;
    socket.write("PUT PTZ DEFAULT\r\n");
    const int pan = readHundredths(kPanKey);
    const int tilt = readHundredths(kTiltKey);
    const int zoom = setup->value(kZoomKey).toInt();
    setup->setValue(QStringLiteral("Velk-Rimbal/Camera_PTZ/Default_pan/%1").arg(pan));
    setup->setValue(QStringLiteral("Velk-Rimbal/Camera_PTZ/Default_tilt/%1").arg(tilt));
    setup->setValue(QStringLiteral("Velk-Rimbal/Camera_PTZ/Default_zoom/%1").arg(zoom));
}

// "123.45" is 12345 hundredths; a missing part counts 0.
int cPTZvideoIn::readHundredths(const QString& key) const
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([+-]?\\d+)(?:\\.([+-]?\\d+))?"));
    const QRegularExpressionMatch m = pattern.match(setup->value(key));
    if (!m.hasMatch())
        return 0;
    const qint64 value = m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong();
    return int(value % kFullTurn);
}

void cPTZvideoIn::slot_Set_selected_point(sCalibrationPoint p)
{
    position.number = p.number;
    position.x = p.x;
    position.y = p.y;
}

// --- receiving

void cPTZvideoIn::slot_Ready_read()
{
    drainTimer.stop();
    // What the receiver still holds counts against the slice, so that a
    // flood of lines it has not handled yet cannot pile up in memory.
    const qint64 room = kReadSlice - receiver.bufferedBytes();
    const bool more = receiver.feedFrom(socket, room, kPiecesPerTurn);
    if (more || socket.bytesAvailable() > 0)
        drainTimer.start();
}

QString cPTZvideoIn::hundredths(int value)
{
    return QStringLiteral("%1.%2").arg(value / 100).arg(value % 100, 2, 10, QLatin1Char('0'));
}

void cPTZvideoIn::onPosition(int pan, int tilt, int zoom)
{
    position.pan = pan;
    position.tilt = tilt;
    setup->setValue(kPanKey + QLatin1Char('/') + hundredths(pan));
    setup->setValue(kTiltKey + QLatin1Char('/') + hundredths(tilt));
    setup->setValue(kZoomKey + QLatin1Char('/') + QString::number(zoom));
    emit signal_Pixmap_ready();
}

void cPTZvideoIn::onPicture()
{
    m_pixmap = QPixmap::fromImage(receiver.picture());
    emit signal_Pixmap_ready();
}

void cPTZvideoIn::Reply_frame_received()
{
    if (writable())
        socket.write("VIDEO_OK\r\n");
}
