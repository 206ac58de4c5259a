#include "cv3jpegreceiver.h"

#include "cjpegdecoder.h"
#include "util/gloss.h"

#include <QImage>
#include <QLinearGradient>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcSnapshot, "velk.video.snapshot", QtWarningMsg)

namespace {

const QByteArray kLoginAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
// The answer starts with the picture's length, 4 bytes little-endian.
constexpr qsizetype kLengthBytes = 4;
constexpr qint64 kMaxAnswer = cV3JpegReceiver::kMaxPicture + kLengthBytes;
// Bytes Qt buffers for the socket between two reads of ours.
constexpr qint64 kReadChunk = 1024 * 1024;

constexpr int kPlaceholderWidth = 176;
constexpr int kPlaceholderHeight = 144;

enum Placeholder
{
    NoPicture = 0,
    ErrorFive = 1,
    ErrorSix = 2,
    PlaceholderCount
};

// A device that has no picture answers "-<code>:<text>".
const struct
{
    char code;
    Placeholder placeholder;
} kErrorCodes[] = {
    {'5', ErrorFive},
    {'6', ErrorSix},
};

Placeholder placeholderForCode(char code)
{
    for (const auto& row : kErrorCodes) {
        if (row.code == code)
            return row.placeholder;
    }
    return NoPicture;
}

bool isErrorText(const QByteArray& payload)
{
    return payload.size() > 2 && payload.at(0) == '-' && payload.at(2) == ':';
}

QImage radialBackground(QSize size, QColor centre)
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF middle(size.width() / 2, size.height() / 2);
    QRadialGradient gradient(middle, size.width() / 2);
    gradient.setColorAt(0, centre);
    gradient.setColorAt(1, Qt::black);
    painter.fillRect(image.rect(), gradient);
    return image;
}

} // namespace

QVector<QPixmap> cV3JpegReceiver::mDefaultPixmaps;

cV3JpegReceiver::cV3JpegReceiver(QDomElement& task) : socket(this)
{
    defaultPixmaps();
    element = task;
    connect(&socket, &QTcpSocket::connected, this, &cV3JpegReceiver::connected);
    connect(&socket, &QTcpSocket::errorOccurred, this, &cV3JpegReceiver::error);
    connect(&socket, &QTcpSocket::readyRead, this, &cV3JpegReceiver::readyRead);
    connect(&socket, &QTcpSocket::disconnected, this, &cV3JpegReceiver::disconnected);
    state = Connecting;
    // Qt would otherwise buffer whatever the device sends, however much.
    socket.setReadBufferSize(kReadChunk);
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &cV3JpegReceiver::_timedOut);
    deadline.start(kDefaultTimeoutMs);

    const QStringList parts = element.firstChildElement(QStringLiteral("url"))
                                  .attribute(QStringLiteral("parsed"))
                                  .split(QLatin1Char(':'));
    const quint16 port = parts.size() < 2 ? kDefaultPort : parts.at(1).toUShort();
    socket.connectToHost(parts.at(0), port);
}

cV3JpegReceiver::~cV3JpegReceiver()
{
    // The socket closes as it goes and reports the close; by then the
    // members its slots use are gone.
    socket.disconnect();
}

const QVector<QPixmap>& cV3JpegReceiver::defaultPixmaps()
{
    if (mDefaultPixmaps.isEmpty())
        _createDefaultPixmaps();
    return mDefaultPixmaps;
}

void cV3JpegReceiver::setTimeout(int ms)
{
    // Only while the exchange still runs: a finished receiver stays finished.
    if (deadline.isActive())
        deadline.start(ms);
}

void cV3JpegReceiver::connected()
{
    const QDomElement url = element.firstChildElement(QStringLiteral("url"));
    const QString login = QChar(0x06) + QStringLiteral("LOGIN=") +
                          url.attribute(QStringLiteral("login")) + QStringLiteral("\r\nPASS=") +
                          url.attribute(QStringLiteral("password")) + QStringLiteral("\r\n");
    socket.write(login.toUtf8());
    state = LoginSent;
}

void cV3JpegReceiver::readyRead()
{
    // One byte past the bound is enough to know the answer is too big.
    const qint64 room = kMaxAnswer + 1 - buffer.size();
    buffer += socket.read(qMin(socket.bytesAvailable(), room));
    if (buffer.size() > kMaxAnswer) {
        _dropOversized();
        return;
    }
    if (state == LoginSent && buffer == kLoginAccepted) {
        buffer.clear();
        socket.write(
            (element.firstChildElement(QStringLiteral("command")).text() + QStringLiteral("\r\n"))
                .toUtf8());
        state = CommandSent;
    }
}

void cV3JpegReceiver::disconnected()
{
    _createPixmap();
}

void cV3JpegReceiver::error(QAbstractSocket::SocketError socketError)
{
    // A remote close ends every answer; anything else leaves it incomplete.
    if (socketError != QAbstractSocket::RemoteHostClosedError) {
        qCDebug(lcSnapshot, "snapshot from %s:%u failed: %s", qPrintable(socket.peerName()),
                unsigned(socket.peerPort()), qPrintable(socket.errorString()));
        buffer.clear();
    }
    _createPixmap();
}

void cV3JpegReceiver::_dropOversized()
{
    qCWarning(lcSnapshot, "snapshot from %s:%u is larger than %lld MiB; dropped",
              qPrintable(socket.peerName()), unsigned(socket.peerPort()),
              kMaxPicture / (1024 * 1024));
    _abandon();
}

void cV3JpegReceiver::_timedOut()
{
    qCWarning(lcSnapshot, "snapshot from %s:%u not complete after %d ms; given up",
              qPrintable(socket.peerName()), unsigned(socket.peerPort()), deadline.interval());
    _abandon();
}

void cV3JpegReceiver::_abandon()
{
    buffer.clear();
    _createPixmap();
    socket.abort();
}

void cV3JpegReceiver::_createPixmap()
{
    QPixmap picture = mDefaultPixmaps.at(NoPicture);
    if (state == CommandSent && buffer.size() >= kLengthBytes) {
        const quint32 length = qFromLittleEndian<quint32>(buffer.constData());
        // Whatever follows the length is the picture, even beyond it.
        if (quint64(buffer.size()) >= quint64(length) + kLengthBytes)
            picture = _pictureOf(buffer.mid(kLengthBytes));
    }
    deadline.stop();
    emit pixmapReady(picture);
    // A closing connection reports itself twice (error and disconnected);
    // the second report must find nobody listening.
    disconnect(this, &cV3JpegReceiver::pixmapReady, nullptr, nullptr);
    socket.disconnect();
    deleteLater();
}

QPixmap cV3JpegReceiver::_pictureOf(const QByteArray& payload) const
{
    if (isErrorText(payload))
        return mDefaultPixmaps.at(placeholderForCode(payload.at(1)));
    QImage image;
    if (!cJpegDecoder::decode(payload.constData(), payload.size(), kMaxSide, image))
        return mDefaultPixmaps.at(NoPicture);
    return QPixmap::fromImage(std::move(image));
}

void cV3JpegReceiver::_createDefaultPixmaps()
{
    const QSize size(kPlaceholderWidth, kPlaceholderHeight);
    const int w = size.width();
    const int h = size.height();
    const QPixmap background = QPixmap::fromImage(radialBackground(size, Qt::darkRed));
    mDefaultPixmaps = QVector<QPixmap>(PlaceholderCount, background);

    const QRect cross(QPoint((w - h) / 2, 0), QPoint((h - w) / 2 + w - 1, h - 1));
    _overcross(mDefaultPixmaps[ErrorFive], cross, Qt::red);
    mDefaultPixmaps[ErrorSix] = QPixmap::fromImage(radialBackground(size, Qt::darkGray));
    _overcross(mDefaultPixmaps[ErrorSix], cross, Qt::gray);

    for (QPixmap& pixmap : mDefaultPixmaps)
        _overlight(pixmap, QRect(QPoint(0, 0), QPoint(w - 1, h - 1)));
}

void cV3JpegReceiver::_overcross(QPixmap& pixmap, QRect rect, QColor colour)
{
    const qreal width = rect.width();
    const qreal height = rect.height();
    const qreal d = width / 6;
    const qreal left = rect.left() + d;
    const qreal top = rect.top() + d;
    const qreal s = width - width / 3;
    const qreal sh = height - width / 3;
    const qreal q = s / 4;
    const qreal right = left + s;
    const qreal bottom = top + sh;
    const qreal cx = left + s / 2;
    const qreal cy = top + sh / 2;

    const QPointF points[] = {
        {left, top + q},  {left + q, top},    {cx, cy - q},        {right - q, top},
        {right, top + q}, {cx + q, cy},       {right, bottom - q}, {right - q, bottom},
        {cx, cy + q},     {left + q, bottom}, {left, bottom - q},  {cx - q, cy},
    };
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(std::begin(points), std::end(points))));
    path.closeSubpath();

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path, QPen(colour.darker(400), 2.0));
    QLinearGradient fill(left, top, right, bottom);
    fill.setColorAt(0, colour);
    fill.setColorAt(1, colour.darker(200));
    painter.fillPath(path, fill);
}

void cV3JpegReceiver::_overlight(QPixmap& pixmap, QRect rect)
{
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintGloss(painter, QRectF(rect.left(), rect.top(), rect.width(), rect.height()));
}
