#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <cstddef>
#include <cstdint>

// Keeps a copy of the local informer's device table: polls 127.0.0.1:5049
// every two seconds, starts the informer when nobody listens, and emits
// update() whenever the table changes.
class cODAdaptor : public QObject
{
    Q_OBJECT

public:
    struct picture_t
    {
        std::int32_t id;
        char rest[260];
    };

    // One record of the informer's table, exactly as it travels.
    struct host
    {
        char reserved0[8];
        char name[32];
        char reserved1[16];
        char platform[64];
        char reserved2[136];
        unsigned char flag;
        char address[512];
        char reserved3[11];
        picture_t picture[4];
        char reserved4[1056];
    };

    static constexpr int kPort = 5049;
    // Nothing real comes close; more means a broken or hostile peer.
    static constexpr int kMaxRecords = 4096;
    static constexpr quint32 kAnnounceMagic = 0xC0FE00EF;
    static constexpr int kAnnounceSize = 520;

    explicit cODAdaptor(QObject* parent = nullptr);

    bool enumHosts(int i, cODAdaptor::host& out);
    // The name of the first device at `address`, empty when there is none. A
    // name the informer cut to its field ends on a whole character and "…".
    QString lookupName(const QString& address);
    // The address of the first device of that name, as lookupName gives it.
    QString lookupIP(const QString& name);
    void appendHostByAddress(const QString& address);

    static int platformId(const QString& platform, bool merge);
    static QString platformName(const QString& platform, bool merge);
    static int camCount(const QString& platform);
    static int sndCount(const QString& platform);

signals:
    void update();

public slots:
    void timeout();
    void activated();
    void error(QAbstractSocket::SocketError socketError);
    void disconnected();

private:
    void _discard();
    static bool _sameTables(const QList<host>& a, const QList<host>& b);

    QList<host> mHosts;
    QTcpSocket* mSocket;
    QUdpSocket mUdp;
    int mReceived = 0;
    QByteArray mBuffer;
    QTimer mTimer;
};

static_assert(sizeof(cODAdaptor::host) == 2892, "informer record size");
static_assert(offsetof(cODAdaptor::host, name) == 8, "informer record layout");
static_assert(offsetof(cODAdaptor::host, platform) == 56, "informer record layout");
static_assert(offsetof(cODAdaptor::host, flag) == 256, "informer record layout");
static_assert(offsetof(cODAdaptor::host, address) == 257, "informer record layout");
static_assert(offsetof(cODAdaptor::host, picture) == 780, "informer record layout");
