#include "video/videorsn3reciver.h"

#include "config/nbxsetup.h"

namespace {

const QByteArray kLoginAccepted("LENGTH=16\r\nVELK_ANSWER=OK\r\n");
const QString kAddressKey = QStringLiteral("Velk-Rimbal/Camera_PTZ/Velk_5_NAS_IP");
const QString kPortKey = QStringLiteral("Velk-Rimbal/Camera_PTZ/Velk_5_NAS_port");
constexpr char kStreamService = 0x01;
// Every decoded picture whose number has this bit set is shown.
constexpr quint32 kShownBit = 4;

// A device without the file has no such setting: an empty value, not an
// error that would close the dialog.
QString settingOf(NBXSetup* setup, const QString& key)
{
    const QString file = key.section(QLatin1Char('/'), 0, 0);
    return setup && setup->fileExists(file) ? setup->value(key) : QString();
}

} // namespace

bool VideoRSN3Reciver::created = false;
VideoRSN3Reciver* VideoRSN3Reciver::singletonPtr = nullptr;

VideoRSN3Reciver* VideoRSN3Reciver::getReciver(NBXSetup* setup, QDomElement& task)
{
    if (!created) {
        singletonPtr = new VideoRSN3Reciver(setup, task);
        created = true;
    }
    return singletonPtr;
}

void VideoRSN3Reciver::removeReciver()
{
    created = false;
    if (!singletonPtr)
        return;
    VideoRSN3Reciver* receiver = singletonPtr;
    singletonPtr = nullptr;
    if (receiver->feeding)
        receiver->_retire(); // a picture's receiver removed us; the parser is still on our stack
    else
        delete receiver;
}

void VideoRSN3Reciver::_retire()
{
    disconnect(this, &VideoRSN3Reciver::pixmapReady, nullptr, nullptr);
    resume.stop();
    socket.disconnect();
    socket.abort();
    buffer.clear();
    fed = 0;
    deleteLater();
}

VideoRSN3Reciver::VideoRSN3Reciver(NBXSetup* setup, QDomElement& task) : socket(this)
{
    demuxer.targets[0] = &decoder;
    connect(&parser, &cRsn3Parser::onHDR, &demuxer, &cRsn3Demuxer::hdr_slot);
    connect(&parser, &cRsn3Parser::onIDX, &demuxer, &cRsn3Demuxer::idx_slot);
    connect(&parser, &cRsn3Parser::onDATA, &demuxer, &cRsn3Demuxer::data_slot);
    connect(&decoder, &cFfmpegDecoder::onFrame, this, &VideoRSN3Reciver::imageReady);
    connect(&socket, &QTcpSocket::connected, this, &VideoRSN3Reciver::connected);
    connect(&socket, &QTcpSocket::errorOccurred, this, &VideoRSN3Reciver::error);
    connect(&socket, &QTcpSocket::readyRead, this, &VideoRSN3Reciver::readyRead);
    connect(&socket, &QTcpSocket::disconnected, this, &VideoRSN3Reciver::disconnected);
    // Qt would otherwise take in whatever the device sends, however fast.
    socket.setReadBufferSize(kMaxBuffered);
    resume.setSingleShot(true);
    resume.setInterval(0);
    connect(&resume, &QTimer::timeout, this, [this] {
        _pull();
        _feed();
    });

    element = task;
    state = Connecting;
    _connect(setup);
}

VideoRSN3Reciver::~VideoRSN3Reciver()
{
    // A receiver retired earlier must not unset its successor.
    if (!singletonPtr || singletonPtr == this) {
        created = false;
        singletonPtr = nullptr;
    }
    // The closing socket reports itself; nothing of ours may hear it.
    socket.disconnect();
    socket.abort();
}

void VideoRSN3Reciver::_connect(NBXSetup* setup)
{
    const QString address = settingOf(setup, kAddressKey);
    const QString port = settingOf(setup, kPortKey);
    if (!address.isEmpty() && !port.isEmpty()) {
        socket.connectToHost(address, port.toUShort(), QIODevice::ReadWrite);
        return;
    }
    const QStringList parts = element.firstChildElement(QStringLiteral("url"))
                                  .attribute(QStringLiteral("parsed"))
                                  .split(QLatin1Char(':'));
    const quint16 taskPort = parts.size() < 2 ? kDefaultPort : parts.at(1).toUShort();
    socket.connectToHost(parts.at(0), taskPort, QIODevice::ReadWrite);
}

void VideoRSN3Reciver::connected()
{
    const QDomElement url = element.firstChildElement(QStringLiteral("url"));
    const QString login = QChar(kStreamService) + QStringLiteral("LOGIN=") +
                          url.attribute(QStringLiteral("login")) + QStringLiteral("\r\nPASS=") +
                          url.attribute(QStringLiteral("password")) + QStringLiteral("\r\n");
    socket.write(login.toUtf8());
    state = LoginSent;
}

void VideoRSN3Reciver::readyRead()
{
    _pull();
    if (state == Streaming) {
        _feed();
        return;
    }
    // Stream bytes after the answer wait for the next read.
    if (state == LoginSent)
        _takeLoginAnswer();
}

void VideoRSN3Reciver::_pull()
{
    const qint64 room = kMaxBuffered - (buffer.size() - fed);
    if (room > 0)
        buffer += socket.read(room);
}

void VideoRSN3Reciver::_takeLoginAnswer()
{
    if (buffer.startsWith(kLoginAccepted)) {
        buffer.remove(0, kLoginAccepted.size());
        fed = 0;
        state = Streaming;
        return;
    }
    if (buffer.size() >= kLoginAccepted.size()) {
        // A refused or foreign answer: no stream will follow on this
        // connection, and nothing it sends is worth keeping.
        buffer.clear();
        fed = 0;
        socket.abort();
    }
}

void VideoRSN3Reciver::_feed()
{
    // One decoded picture or kTurnBytes per turn of the event loop keeps the
    // GUI alive while a backlog drains or a device sends junk.
    const quint64 before = decodedFrames;
    {
        // Our own reference: a receiver retired meanwhile clears the buffer.
        const QByteArray bytes = buffer;
        const qsizetype end = qMin(bytes.size(), fed + kTurnBytes);
        feeding = true;
        while (fed < end && decodedFrames == before && singletonPtr == this) {
            const qsizetype slice = qMin(kFeedSlice, end - fed);
            parser.append(QByteArray::fromRawData(bytes.constData() + fed, slice));
            fed += slice;
        }
        feeding = false;
    }
    if (singletonPtr != this)
        return; // retired meanwhile
    // Fed bytes are removed in one go once they are most of the buffer, not
    // moved along after every slice.
    if (fed == buffer.size() || fed > kMaxBuffered / 2) {
        buffer.remove(0, fed);
        fed = 0;
    }
    if (fed < buffer.size() || socket.bytesAvailable() > 0)
        resume.start();
}

void VideoRSN3Reciver::disconnected() {}

void VideoRSN3Reciver::error(QAbstractSocket::SocketError socketError)
{
    if (socketError != QAbstractSocket::RemoteHostClosedError) {
        buffer.clear();
        fed = 0;
    }
}

void VideoRSN3Reciver::imageReady(const QImage& image)
{
    static quint32 count = 0;
    ++decodedFrames;
    ++count;
    // The image lies in the decoder's buffer, which the next picture
    // overwrites and the receiver's end frees; a pixmap made from it would
    // share that buffer, so it gets a copy of its own.
    if (count & kShownBit)
        emit pixmapReady(QPixmap::fromImage(image.copy()));
}
