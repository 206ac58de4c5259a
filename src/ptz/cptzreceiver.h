#pragma once

#include "svideoframe.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QObject>

#include <limits>

// The receiving side of the PTZ connection: 35-byte text headers (a picture
// of a camera, a picture of the PTZ camera, or a position report), each
// picture behind a 32-byte binary header. Bytes may arrive in any split;
// anything that is not a header is skipped one byte at a time.
//
// Everything a peer announces is checked before a byte is stored, so the
// memory held is bounded by kMaxSide x kMaxSide (or kMaxJpeg) plus one
// network chunk.
class cPTZReceiver : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kTextHeader = 35;
    static constexpr qint32 kMaxSide = 8192;
    static constexpr qint64 kMaxJpeg = qint64(64) * 1024 * 1024;

    enum State
    {
        NotLoggedIn = 0,
        WaitingForText = 1,
        WaitingForHeader = 2,
        ReceivingFrame = 3
    };

    explicit cPTZReceiver(QObject* parent = nullptr);

    // A new connection: pending bytes are forgotten, a text header is next.
    void start();
    // No connection: whatever arrives is dropped.
    void stop();
    static constexpr int kAllPieces = std::numeric_limits<int>::max();
    // Takes the bytes just received and handles their complete pieces (text
    // lines and frames), all of them, or with a budget `pieces` lines or one
    // frame. True when it stopped with pieces possibly left: call again,
    // with no new bytes if need be.
    bool feed(const QByteArray& bytes, int pieces = kAllPieces);
    // Reads up to `maxBytes` from `device` straight onto the bytes not yet
    // handled, then goes on as feed() does. The buffer keeps its room from
    // one read to the next, so a steady stream costs no allocation.
    bool feedFrom(QIODevice& device, qint64 maxBytes, int pieces = kAllPieces);

    int state() const { return m_state; }
    // Camera of the last picture line; -1 for none, after a position
    // report, or after a refused frame.
    int camera() const { return m_camera; }
    // The last picture. A copy shares its pixels; the receiver decodes the
    // picture after next into them once no copy is left, so a picture that
    // is shown until the next one arrives costs no allocation.
    const QImage& picture() const { return m_picture; }
    qint64 bufferedBytes() const { return m_buffer.size(); }
    qint64 imageBufferBytes() const { return m_image.size(); }

signals:
    // A "MovPTZ" line; camera() is -1 by then.
    void positionReported(int pan, int tilt, int zoom);
    // picture() holds a newly decoded picture of camera().
    void pictureReady();
    // A frame's last byte arrived, whether or not it decoded.
    void frameReceived();

private:
    using LineHandler = void (cPTZReceiver::*)(const QList<QByteArray>& words);

    bool handleBuffer(int pieces);
    bool Parse_data(int pieces);
    bool Parse_text_header();
    bool Receive_frame_header();
    bool Receive_frame_bytes();
    bool Alloc_realloc_images(const sVideoFrame& h);
    void Make_pixmap();
    bool decode(QImage& picture) const;

    static LineHandler handlerFor(const char* line);
    void takeCameraLine(const QList<QByteArray>& words);
    void takePtzCameraLine(const QList<QByteArray>& words);
    void takePositionLine(const QList<QByteArray>& words);
    bool acceptable(const sVideoFrame& h) const;
    void refuseFrame();
    qsizetype available() const { return m_buffer.size() - m_pos; }

    QByteArray m_buffer;
    qsizetype m_pos = 0; // bytes of m_buffer already handled
    int m_state = NotLoggedIn;
    sVideoFrame m_header;
    QByteArray m_image; // payload of the frame being received
    qint32 m_bufferWidth = 0;
    qint32 m_bufferHeight = 0;
    qint64 m_remaining = 0;
    int m_camera = -1;
    QImage m_picture;
    QImage m_spare; // the picture before, whose pixels the next one takes
};
