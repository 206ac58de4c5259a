#pragma once

#include "devicelog.h"
#include "deviceservice.h"
#include "ptzcamera.h"

#include <QElapsedTimer>
#include <QTimer>

// The PTZ service of the emulated device (first byte 0x10 or 0x13): after
// the login it sends one picture of fixed camera 1 ("Camera" line, its view
// of the PTZ camera's scene), then
// pictures of the PTZ camera ("CamPTZ" lines with JPEG frames), each only
// after the "VIDEO_OK" of the one before, and position reports
// ("MovPTZ" lines) while the camera moves. It takes movement commands, GO-TO
// and the default position, and logs each of them.
class PtzService : public DeviceService
{
    Q_OBJECT
public:
    static constexpr quint8 kGimbalService = 0x10;
    static constexpr quint8 kPtzService = 0x13;
    static constexpr qsizetype kTextLine = 35;
    // Position reports while moving come at most this often.
    static constexpr int kReportMs = 100;

    PtzService(DeviceSim& sim, QTcpSocket* socket, PtzCamera& camera);

    // Serves both first bytes of `sim` with one camera, made here.
    static void registerWith(DeviceSim& sim);
    // The camera registerWith() made for `sim`.
    static PtzCamera* cameraOf(DeviceSim& sim);

    // The 35-byte text lines, exactly as a device sends them.
    static QByteArray pictureLine(qint64 bytes);
    static QByteArray positionLine(const PtzCamera::Position& p);
    // A 32-byte frame header.
    static QByteArray frameHeader(qint32 type, qint32 width, qint32 height, qint32 size,
                                  qint32 bufferFlag = 1);
    // A picture line, a JPEG frame header of `width` announcing
    // `headerSize` bytes, and `jpeg`.
    static QByteArray jpegFrame(const QByteArray& jpeg, qint32 width, qint32 headerSize);

    void start(const QByteArray& pending) override;

private:
    void onReadyRead();
    void process();
    bool takeRequest();
    void handle(const DeviceRequest& request);
    void sendFrame();
    void sendFaultyFrame(const QByteArray& jpeg);
    void sendFixedCameraFrame();
    void scheduleFrame();
    void report(const PtzCamera::Position& p);
    void flood();

    PtzCamera& m_camera;
    QByteArray m_buffer;
    bool m_loggedIn = false;
    bool m_waitingForAck = false;
    bool m_fixedCameraSent = false;
    QTimer m_frameTimer;
    QTimer m_flood;
    QElapsedTimer m_sinceFrame;
    QElapsedTimer m_sinceReport;
};
