#pragma once

#include "cptzreceiver.h"
#include "scalibrationpoint.h"

#include <QAbstractSocket>
#include <QPixmap>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>

class NBXSetup;

// The invisible control of a PTZ page. It keeps a connection of its own to
// the device's PTZ service, steers the camera while a direction is latched
// (by a button) or held (by a key), and hands every received picture and
// position report to the dialog through signal_Pixmap_ready().
class cPTZvideoIn : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 250;
    // A device that accepts and closes at once is tried again no sooner.
    static constexpr int kReconnectMs = 1000;
    static constexpr quint16 kOldPort = 5071;
    static constexpr quint16 kPort = 5049;
    static constexpr quint8 kGimbalService = 0x10;
    static constexpr quint8 kPtzService = 0x13;
    // Bytes taken from the device, and pieces (lines, or one frame) handled,
    // in one turn of the event loop; the rest waits in the socket, whose
    // buffer is bounded too.
    static constexpr qint64 kReadSlice = 64 * 1024;
    static constexpr int kPiecesPerTurn = 16;

    explicit cPTZvideoIn(NBXSetup* setup, QWidget* parent = nullptr);
    ~cPTZvideoIn() override;

    sCalibrationPoint Get_PTZ_pos() const { return position; }
    const QPixmap& pixmap() const { return m_pixmap; }
    int camera() const { return receiver.camera(); }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    bool isLinked() const { return socket.state() == QAbstractSocket::ConnectedState; }

    // Port of the PTZ service: the url's own, else by the version text.
    static quint16 portFor(const QString& url, const QString& version);
    // First byte of the connection for a platform value "name:platform,...".
    static quint8 serviceByteFor(const QString& platformValue);
    // 12345 -> "123.45", as positions are written into the settings.
    static QString hundredths(int value);

    // Whether `direction` ("UP", ..., "ZOOM_OUT") is latched on.
    bool isLatched(const QString& direction) const;

public slots:
    // Toggles the latch of a direction, as a button does.
    void slot_Move_PTZ(QString param);
    // A direction moves from start to stop, as a key held down does; it
    // takes over its axis from any latch.
    void slot_Start_PTZ(const QString& direction);
    void slot_Stop_PTZ(const QString& direction);
    // Everything stops now: latches, held directions and the camera.
    void slot_Stop_all();
    void slot_Set_selected_point(sCalibrationPoint p);
    void slot_PTZ_goto(sCalibrationPoint p);
    void slot_Pin_default_PTZ_pos();
    void slot_Goto_default_PTZ_pos();
    void slot_Disconnect_socket();
    void slot_Ready_read();
    void slot_Disconnected();
    void slot_Connected();
    void slot_Timeout();

signals:
    void signal_Pixmap_ready();
    // A direction's latch changed, so that a button showing it can follow.
    void latchChanged(const QString& direction, bool latched);

private:
    struct Direction
    {
        bool latch = false;
        bool held = false;
        bool on() const { return latch || held; }
    };

    QString optionalValue(const char* file, const char* key) const;
    void _connect();
    void _scheduleReconnect();
    bool writable() const;
    void sendMove(const QByteArray& command);
    // Sends the movement or STOP now instead of at the next tick.
    void steerNow();
    void setLatch(int direction, bool latched);
    static int directionIndex(const QString& name, int* opposite = nullptr);
    QByteArray movementCommand() const;
    void onPosition(int pan, int tilt, int zoom);
    void onPicture();
    void Reply_frame_received();
    int readHundredths(const QString& key) const;

    NBXSetup* setup;
    QString url, login, password;
    QTimer timer;
    enum
    {
        Up,
        Down,
        Left,
        Right,
        ZoomIn,
        ZoomOut,
        DirectionCount
    };
    Direction directions[DirectionCount];
    // Pan and tilt stay negative until the camera first reports them.
    sCalibrationPoint position{-1, -1, -1, -1, -1, -1, -1};
    QTcpSocket socket;
    cPTZReceiver receiver;
    QPixmap m_pixmap;
    QString m_host;
    quint16 m_port = kPort;
    QByteArray serviceByte;
    QTimer reconnectTimer;
    QTimer drainTimer; // goes on reading after the event loop had a turn
    // "STOP" was the last command this control sent. Kept per control, so
    // that one control's idle ticks never stop a camera that another one is
    // moving; set at first, as a control that moved nothing has nothing to
    // stop (opening the dialog sends the device nothing).
    bool flag_stop_sent = true;
};
