#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QDomElement>
#include <QObject>
#include <QPixmap>
#include <QTcpSocket>
#include <QTimer>
#include <QVector>

// Fetches one snapshot from a device over a connection of its own and hands
// it on as a pixmap, or as one of three placeholder pictures when there is
// none. Emits pixmapReady exactly once, then deletes itself.
class cV3JpegReceiver : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 5049;
    // Largest picture we take from a device; a bigger answer is dropped.
    static constexpr qint64 kMaxPicture = qint64(64) * 1024 * 1024;
    // A picture claiming a longer side is not decoded: it could ask for
    // gigabytes of pixels.
    static constexpr int kMaxSide = 8192;
    // A device that takes the connection and then stays silent would keep
    // the receiver, its socket and the picture's targets waiting for ever;
    // past this time the receiver gives placeholder 0 and ends.
    static constexpr int kDefaultTimeoutMs = 10000;

    // `task` has a child `url` (attributes "parsed", "login", "password")
    // and a child `command`. Allocate with new; the receiver deletes itself.
    explicit cV3JpegReceiver(QDomElement& task);
    ~cV3JpegReceiver() override;

    // The placeholders: 0 no picture, 1 and 2 the device's error codes 5
    // and 6. Created on first use, shared by all receivers.
    static const QVector<QPixmap>& defaultPixmaps();

    // Gives the unfinished exchange `ms` from now instead.
    void setTimeout(int ms);

signals:
    void pixmapReady(const QPixmap& pixmap);

public slots:
    void connected();
    void readyRead();
    void disconnected();
    void error(QAbstractSocket::SocketError socketError);

private:
    enum State
    {
        Connecting = 0,
        LoginSent = 1,
        CommandSent = 2
    };

    void _createPixmap();
    QPixmap _pictureOf(const QByteArray& payload) const;
    void _dropOversized();
    void _timedOut();
    void _abandon();
    static void _createDefaultPixmaps();
    static void _overcross(QPixmap& pixmap, QRect rect, QColor colour);
    static void _overlight(QPixmap& pixmap, QRect rect);

    QDomElement element;
    QTcpSocket socket;
    int state = Connecting;
    QByteArray buffer;
    QTimer deadline;

    static QVector<QPixmap> mDefaultPixmaps;
};
