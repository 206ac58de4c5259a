#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSize>
#include <QTimer>

// The emulated PTZ camera: a view into a generated 360 by 90 degree scene.
// Pan and tilt are in hundredths of a degree (pan 0 to 35999, tilt 0 at the
// top of the scene to 9000 at its bottom), zoom in hundredths of a
// magnification (100 to 2000). Each axis moves at a fixed speed while a
// movement command repeats, until STOP; GO-TO moves there faster. One
// camera serves every PTZ connection of a device.
class PtzCamera : public QObject
{
    Q_OBJECT
public:
    struct Position
    {
        int pan = 0;
        int tilt = 4500;
        int zoom = 100;
        bool operator==(const Position& o) const
        {
            return pan == o.pan && tilt == o.tilt && zoom == o.zoom;
        }
        bool operator!=(const Position& o) const { return !(*this == o); }
    };

    static constexpr int kFullTurn = 36000;
    static constexpr int kMaxTilt = 9000;
    static constexpr int kMinZoom = 100;
    static constexpr int kMaxZoom = 2000;
    // Speeds per second while a direction repeats, and for GO-TO.
    static constexpr int kPanSpeed = 3000;
    static constexpr int kTiltSpeed = 1500;
    static constexpr int kZoomSpeed = 400;
    static constexpr int kGotoSpeed = 9000;
    // A client that stops repeating its command without a STOP is taken to
    // have gone; the camera stops after this long.
    static constexpr int kCommandTimeoutMs = 1000;
    static constexpr int kStepMs = 40;
    // Pixels of the scene per degree; a picture at zoom 100 is 1:1.
    static constexpr int kPixelsPerDegree = 12;
    static constexpr int kFrameWidth = 704;
    static constexpr int kFrameHeight = 576;

    explicit PtzCamera(QObject* parent = nullptr);

    Position position() const { return m_position; }
    Position defaultPosition() const { return m_default; }
    bool isMoving() const { return m_moveTimer.isActive(); }

    // A movement line such as "_TILT-UP_PAN-LEFT", "STOP" or "GO-TO 100 905".
    void command(const QByteArray& line);
    void gotoDefault();
    void storeDefault();

    // The scene, drawn once; and what the camera shows at `p`.
    static const QImage& panorama();
    static QImage render(const Position& p, QSize size = QSize(kFrameWidth, kFrameHeight));
    // The fixed camera beside the PTZ camera: a pinhole camera of focal
    // length kFixedFocal pixels looking into the same scene at pan 0 and
    // tilt 45 degrees, so its picture straddles north. Its picture is
    // kFrameWidth by kFrameHeight.
    static constexpr double kFixedFocal = 700;
    static constexpr int kFixedPan = 0;
    static constexpr int kFixedTilt = 4500;
    // Pan and tilt, in hundredths of a degree, of the direction through a
    // point of the fixed camera's picture (pixel (i, j) spans i to i + 1);
    // pan runs on past 0 and 35999 instead of wrapping.
    static QPointF fixedViewDirection(QPointF picturePoint);
    // The fixed camera's picture, drawn once.
    static const QImage& fixedView();
    // The current picture as JPEG, made again only when the camera moved.
    QByteArray jpeg();

    // Smallest time between two pictures of one connection.
    int frameIntervalMs() const { return m_frameIntervalMs; }
    void setFrameIntervalMs(int ms) { m_frameIntervalMs = ms; }

signals:
    void moved(const PtzCamera::Position& position);
    void settled(const PtzCamera::Position& position);

private:
    struct Motion
    {
        int pan = 0; // -1, 0 or 1
        int tilt = 0;
        int zoom = 0;
    };

    static QImage drawFixedView();
    void startMoving();
    void step();
    bool stepTowardsTarget(qint64 ms);
    void stepDirections(qint64 ms);
    void moveTo(const Position& target);
    bool takeGoto(const QByteArray& line);

    Position m_position;
    Position m_default;
    Motion m_motion;
    Position m_target;
    bool m_hasTarget = false;
    QTimer m_moveTimer;
    QElapsedTimer m_sinceStep;
    QElapsedTimer m_sinceCommand;
    QByteArray m_jpeg;
    Position m_jpegPosition;
    int m_frameIntervalMs = 40;
};
