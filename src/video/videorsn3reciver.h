#pragma once

#include "video/cffmpegdecoder.h"
#include "video/crsn3demuxer.h"
#include "video/crsn3parser.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDomElement>
#include <QObject>
#include <QPixmap>
#include <QTcpSocket>
#include <QTimer>

class NBXSetup;

// The one live-stream connection of the process: logs in to the device,
// receives its RSN3 stream and emits every other run of four decoded
// pictures. Created by the stream time task, removed with the dialog.
class VideoRSN3Reciver : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 5049;
    // Stream bytes we hold before handing them on; the rest waits in the
    // socket, so a device faster than our decoder is slowed down by TCP
    // instead of filling memory.
    static constexpr qsizetype kMaxBuffered = 4 * 1024 * 1024;
    // Stream bytes the parser gets in one turn of the event loop at most,
    // and in one piece: one byte, so that the turn ends right after the
    // record that completed a picture (the parser takes single bytes
    // cheaply, also while it searches for a header).
    static constexpr qsizetype kTurnBytes = 16 * 1024;
    static constexpr qsizetype kFeedSlice = 1;

    static VideoRSN3Reciver* getReciver(NBXSetup* setup, QDomElement& task);
    static void removeReciver();

    static bool created;
    static VideoRSN3Reciver* singletonPtr;

    // Whether this receiver was made for `task` (the same element).
    bool servesTask(const QDomElement& task) const { return element == task; }

    cFfmpegDecoder* getDecoder() { return &decoder; }

signals:
    void pixmapReady(const QPixmap& pixmap);

public slots:
    void connected();
    void readyRead();
    void disconnected();
    void error(QAbstractSocket::SocketError socketError);
    void imageReady(const QImage& image);

private:
    enum State
    {
        Connecting = 0,
        LoginSent = 1,
        Streaming = 2
    };

    VideoRSN3Reciver(NBXSetup* setup, QDomElement& task);
    ~VideoRSN3Reciver() override;

    void _connect(NBXSetup* setup);
    void _pull();
    void _takeLoginAnswer();
    void _feed();
    void _retire();

    QByteArray buffer;
    qsizetype fed = 0; // bytes of buffer the parser has had
    QDomElement element;
    QTcpSocket socket;
    int state = Connecting;
    cRsn3Parser parser;
    cRsn3Demuxer demuxer;
    cFfmpegDecoder decoder;
    QTimer resume;             // continues feeding after the event loop had a turn
    quint64 decodedFrames = 0; // pictures this receiver decoded
    bool feeding = false;      // inside the parser: not to be deleted now
};
