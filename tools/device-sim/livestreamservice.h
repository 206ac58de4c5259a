#pragma once

#include "deviceservice.h"
#include "rsn3writer/cframeencoder.h"
#include "rsn3writer/crsn3writer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QSize>
#include <QTime>
#include <QTimer>

// The live-stream service of the emulated device: a login, then the camera's
// moving picture encoded live as an RSN3 stream (a header, an index record
// at every second, one data record per picture) until the client closes.
class LiveStreamService : public DeviceService
{
    Q_OBJECT
public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 576;
    static constexpr int kFps = 25;
    // Written but not yet sent bytes past which pictures are skipped: a
    // client that cannot keep up gets fewer pictures, not a growing backlog.
    static constexpr qint64 kMaxBacklog = 2 * 1024 * 1024;

    // `codec` is "mpeg4" or "h264".
    LiveStreamService(DeviceSim& sim, QTcpSocket* socket, const QString& codec);

    void start(const QByteArray& pending) override;

    // Serves the stream on `sim` in `codec` from now on.
    static void registerOn(DeviceSim& sim, const QString& codec);
    static bool isCodec(const QString& codec);

private:
    void onReadyRead();
    void process();
    bool startStream();
    void sendJunk();
    void tick();
    void sendFrame(qint64 frameMs);
    const QImage& picture(const QTime& time);

    QString m_codec;
    QByteArray m_buffer;
    bool m_loggedIn = false;
    cFrameEncoder m_encoder;
    cRsn3Writer m_writer;
    QTimer m_pace;
    QTimer m_junk;
    QElapsedTimer m_clock;
    qint64 m_startMs = 0; // wall time of the first picture, ms since the epoch
    qint64 m_frames = 0;  // pictures due so far, sent or skipped
    qint64 m_second = -1; // second of the last index record
    QImage m_picture;
    int m_pictureSecond = -1;
};
