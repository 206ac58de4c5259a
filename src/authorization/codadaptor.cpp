#include "codadaptor.h"

#include "host/pxsettings.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QProcess>
#include <QStringDecoder>
#include <QtEndian>

#include <cstring>

namespace {

const int kPollMs = 2000;
const int kRetryMs = 1000;
const int kChunk = 2048;
// What Qt holds for the socket between two of our reads, and so what one
// readyRead hands us at most; the rest waits in the system until the next
// turn of the event loop.
const qint64 kReadBuffer = 64 * 1024;
const int kRecordSize = int(sizeof(cODAdaptor::host));
const qint64 kMaxAnswer = 4 + qint64(cODAdaptor::kMaxRecords) * kRecordSize;

// A fixed-size text field up to its first NUL.
QByteArray fieldText(const char* field, std::size_t size)
{
    return QByteArray(field, int(qstrnlen(field, uint(size))));
}

template <std::size_t N> QByteArray fieldText(const char (&field)[N])
{
    return fieldText(field, N);
}

// The device name of `h`. The informer cuts a long name to its field with no
// regard for characters: a character cut in two is left out rather than shown
// as a replacement character, and a name that fills its field is marked as cut.
QString deviceName(const cODAdaptor::host& h)
{
    const QByteArray bytes = fieldText(h.name);
    // Stateful: the bytes of an incomplete last character stay in the decoder.
    QStringDecoder decode(QStringDecoder::System);
    QString name = decode(bytes);
    if (bytes.size() >= int(sizeof h.name) - 1)
        name += QChar(0x2026); // ellipsis
    return name;
}

// One known platform; 0 channels means "ask the host for its default".
struct PlatformRow
{
    const char* text;
    int id;
    int mergedId;
    const char* name;
    const char* mergedName;
    int cams;
    int snds;
};

const int kDefaultPlatform = 5;

const PlatformRow kPlatforms[] = {
    {"type:velk-r,ver:1", 0, 0, QT_TRANSLATE_NOOP("cODAdaptor", "Velk R1 recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk R1 recorder"), 4, 1},
    {"type:velk-r,ver:2", 1, 1, QT_TRANSLATE_NOOP("cODAdaptor", "Velk R2 recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk R2 recorder"), 8, 2},
    {"type:velk-r,ver:2:lite", 2, 1, QT_TRANSLATE_NOOP("cODAdaptor", "Velk R2 Lite recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk R2 recorder"), 4, 1},
    {"type:velk-r,ver:3", 3, 3, QT_TRANSLATE_NOOP("cODAdaptor", "Velk R3 recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk R3 recorder"), 16, 4},
    {"type:velk-r,ver:3:lite", 4, 3, QT_TRANSLATE_NOOP("cODAdaptor", "Velk R3 Lite recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk R3 recorder"), 8, 2},
    {"type:velk-s,ver:1", 5, 5, QT_TRANSLATE_NOOP("cODAdaptor", "Velk S1 video server"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk S1 video server"), 0, 0},
    {"type:velk-s,ver:2", 6, 6, QT_TRANSLATE_NOOP("cODAdaptor", "Velk S2 video server"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk S2 video server"), 0, 0},
    {"type:velk-s,ver:2:ptz", 7, 6, QT_TRANSLATE_NOOP("cODAdaptor", "Velk S2 PTZ video server"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk S2 video server"), 0, 0},
    {"type:velk-x,ver:1", 8, 8, QT_TRANSLATE_NOOP("cODAdaptor", "Velk X1 recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk X1 recorder"), 32, 8},
    {"type:velk-x,ver:2", 9, 9, QT_TRANSLATE_NOOP("cODAdaptor", "Velk X2 recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk X2 recorder"), 0, 0},
    {"type:velk-x,ver:2:stereo", 10, 9, QT_TRANSLATE_NOOP("cODAdaptor", "Velk X2 stereo recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk X2 recorder"), 0, 0},
    {"type:velk-m,ver:1", 11, 11, QT_TRANSLATE_NOOP("cODAdaptor", "Velk M1 mobile recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk M1 mobile recorder"), 4, 4},
    {"type:velk-m,ver:2", 12, 12, QT_TRANSLATE_NOOP("cODAdaptor", "Velk M2 mobile recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk M2 mobile recorder"), 0, 0},
    {"type:velk-m,ver:2:rail", 13, 12, QT_TRANSLATE_NOOP("cODAdaptor", "Velk M2 railway recorder"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk M2 mobile recorder"), 8, 8},
    {"type:velk-c,ver:1", 14, 14, QT_TRANSLATE_NOOP("cODAdaptor", "Velk C1 camera"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk C1 camera"), 1, 1},
    {"type:velk-c,ver:1:ptz", 15, 14, QT_TRANSLATE_NOOP("cODAdaptor", "Velk C1 PTZ camera"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk C1 camera"), 1, 1},
    {"type:velk-c,ver:2", 16, 16, QT_TRANSLATE_NOOP("cODAdaptor", "Velk C2 camera"),
     QT_TRANSLATE_NOOP("cODAdaptor", "Velk C2 camera"), 2, 1},
};

const PlatformRow* findPlatform(const QString& platform)
{
    for (const PlatformRow& row : kPlatforms) {
        if (platform == QLatin1String(row.text))
            return &row;
    }
    return nullptr;
}

const PlatformRow& platformOrDefault(const QString& platform)
{
    const PlatformRow* row = findPlatform(platform);
    return row ? *row : kPlatforms[kDefaultPlatform];
}

} // namespace

cODAdaptor::cODAdaptor(QObject* parent) : QObject(parent), mSocket(new QTcpSocket(this))
{
    connect(&mTimer, &QTimer::timeout, this, &cODAdaptor::timeout);
    mTimer.start(kPollMs);
    connect(mSocket, &QAbstractSocket::errorOccurred, this, &cODAdaptor::error);
    connect(mSocket, &QAbstractSocket::disconnected, this, &cODAdaptor::disconnected);
    connect(mSocket, &QIODevice::readyRead, this, &cODAdaptor::activated);
    mSocket->setReadBufferSize(kReadBuffer);
    mUdp.bind(QHostAddress::LocalHost, 0);
    timeout();
}

void cODAdaptor::timeout()
{
    if (mTimer.interval() != kPollMs)
        mTimer.setInterval(kPollMs);
    mReceived = 0;
    if (mSocket->state() == QAbstractSocket::UnconnectedState)
        mSocket->connectToHost(QHostAddress::LocalHost, kPort);
    else
        mSocket->disconnectFromHost();
}

void cODAdaptor::activated()
{
    qint64 got = 0;
    do {
        mBuffer.resize(mReceived + kChunk);
        got = mSocket->read(mBuffer.data() + mReceived, kChunk);
        if (got > 0)
            mReceived += int(got);
        // Refuse to hold more than the largest table we accept.
        const bool announcedTooMuch =
            mReceived >= 4 && qFromLittleEndian<quint32>(mBuffer.constData()) > kMaxAnswer - 4;
        if (mReceived > kMaxAnswer || announcedTooMuch) {
            _discard();
            mSocket->abort();
            return;
        }
        // The announced size is within the bound: room for all of it at
        // once, instead of growing (and copying) the buffer chunk by chunk.
        if (mReceived >= 4 && mBuffer.capacity() < kMaxAnswer)
            mBuffer.reserve(qMax<qsizetype>(mBuffer.size(),
                                            4 + qFromLittleEndian<quint32>(mBuffer.constData())) +
                            kChunk);
    } while (got == kChunk);
}

void cODAdaptor::error(QAbstractSocket::SocketError socketError)
{
    if (socketError != QAbstractSocket::ConnectionRefusedError)
        return;
    QProcess::startDetached(QCoreApplication::applicationDirPath() +
                                QStringLiteral("/" VELK_INFORMER_NAME),
                            QStringList());
    mTimer.start(kRetryMs);
}

void cODAdaptor::disconnected()
{
    // Bytes that came with the close may not have been read yet.
    if (mSocket->bytesAvailable() > 0)
        activated();
    if (mReceived < 5) {
        _discard();
        return;
    }
    const quint32 n = qFromLittleEndian<quint32>(mBuffer.constData());
    if (qint64(n) != qint64(mReceived) - 4 || n % kRecordSize != 0) {
        _discard();
        return;
    }
    QList<host> table;
    table.reserve(int(n / kRecordSize));
    for (quint32 off = 4; off < n + 4; off += kRecordSize) {
        host h;
        std::memcpy(&h, mBuffer.constData() + off, kRecordSize);
        table.append(h);
    }
    const bool same = _sameTables(mHosts, table);
    mHosts = table;
    _discard();
    if (!same)
        emit update();
}

void cODAdaptor::_discard()
{
    mBuffer.clear();
    mReceived = 0;
}

bool cODAdaptor::_sameTables(const QList<host>& a, const QList<host>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const host& x = a.at(i);
        const host& y = b.at(i);
        if (x.flag != y.flag || fieldText(x.address) != fieldText(y.address) ||
            fieldText(x.name) != fieldText(y.name) ||
            fieldText(x.platform) != fieldText(y.platform))
            return false;
        for (int p = 0; p < 4; ++p) {
            if (x.picture[p].id != y.picture[p].id)
                return false;
        }
    }
    return true;
}

bool cODAdaptor::enumHosts(int i, cODAdaptor::host& out)
{
    if (i < 0 || i >= mHosts.size())
        return false;
    out = mHosts.at(i);
    return true;
}

QString cODAdaptor::lookupName(const QString& address)
{
    for (const host& h : std::as_const(mHosts)) {
        if (QString::fromLocal8Bit(fieldText(h.address)) == address)
            return deviceName(h);
    }
    return QString();
}

QString cODAdaptor::lookupIP(const QString& name)
{
    for (const host& h : std::as_const(mHosts)) {
        if (deviceName(h) == name)
            return QString::fromLocal8Bit(fieldText(h.address));
    }
    return QString();
}

void cODAdaptor::appendHostByAddress(const QString& address)
{
    QByteArray datagram(kAnnounceSize, '\0');
    qToLittleEndian<quint32>(kAnnounceMagic, datagram.data());
    qToLittleEndian<quint32>(1, datagram.data() + 4);
    const QByteArray text = address.toLocal8Bit().left(511);
    std::memcpy(datagram.data() + 8, text.constData(), std::size_t(text.size()));
    mUdp.writeDatagram(datagram, QHostAddress::LocalHost, kPort);
}

int cODAdaptor::platformId(const QString& platform, bool merge)
{
    const PlatformRow& row = platformOrDefault(platform);
    return merge ? row.mergedId : row.id;
}

QString cODAdaptor::platformName(const QString& platform, bool merge)
{
    const PlatformRow& row = platformOrDefault(platform);
    return tr(merge ? row.mergedName : row.name);
}

int cODAdaptor::camCount(const QString& platform)
{
    const PlatformRow* row = findPlatform(platform);
    return row && row->cams > 0 ? row->cams : PXSettings::defaultVideoChannelCount();
}

int cODAdaptor::sndCount(const QString& platform)
{
    const PlatformRow* row = findPlatform(platform);
    return row && row->snds > 0 ? row->snds : PXSettings::defaultSoundChannelCount();
}
