#include "cinformer.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QtEndian>

#include <cstring>

namespace {

template <std::size_t N> void putText(char (&field)[N], const QByteArray& text)
{
    const QByteArray cut = text.left(int(N) - 1);
    std::memcpy(field, cut.constData(), std::size_t(cut.size()));
}

// A little-endian 32-bit word of `d`, which holds at least at + 4 bytes.
quint32 word(const QByteArray& d, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(d.at(at + i));
    return v;
}

} // namespace

cInformer::cInformer(int idleSeconds, QObject* parent) : QObject(parent)
{
    connect(&mServer, &QTcpServer::newConnection, this, &cInformer::serve);
    connect(&mUdp, &QUdpSocket::readyRead, this, &cInformer::readAnnouncements);
    if (idleSeconds > 0) {
        mIdle.setSingleShot(true);
        mIdle.setInterval(idleSeconds * 1000);
        connect(&mIdle, &QTimer::timeout, qApp, &QCoreApplication::quit);
        mIdle.start();
    }
}

bool cInformer::listen()
{
    return mServer.listen(QHostAddress::LocalHost, cODAdaptor::kPort) &&
           mUdp.bind(QHostAddress::LocalHost, cODAdaptor::kPort);
}

void cInformer::addDevice(const QByteArray& address, const QByteArray& name,
                          const QByteArray& platform)
{
    if (mHosts.size() >= cODAdaptor::kMaxRecords || knows(address))
        return;
    cODAdaptor::host h;
    std::memset(&h, 0, sizeof h);
    putText(h.name, name);
    putText(h.platform, platform);
    putText(h.address, address);
    h.flag = 1;
    mHosts.append(h);
}

QByteArray cInformer::answer() const
{
    const quint32 length = quint32(mHosts.size()) * quint32(sizeof(cODAdaptor::host));
    QByteArray out(4, '\0');
    qToLittleEndian(length, out.data());
    for (const cODAdaptor::host& h : mHosts)
        out.append(reinterpret_cast<const char*>(&h), int(sizeof h));
    return out;
}

void cInformer::serve()
{
    while (QTcpSocket* client = mServer.nextPendingConnection()) {
        if (mIdle.interval() > 0)
            mIdle.start();
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        client->write(answer());
        client->disconnectFromHost();
    }
}

void cInformer::readAnnouncements()
{
    while (mUdp.hasPendingDatagrams()) {
        const QByteArray d = mUdp.receiveDatagram(cODAdaptor::kAnnounceSize).data();
        if (d.size() < 8 || word(d, 0) != cODAdaptor::kAnnounceMagic || word(d, 4) != 1)
            continue;
        const QByteArray text = d.mid(8);
        const QByteArray address = text.left(int(qstrnlen(text.constData(), uint(text.size()))));
        if (!address.isEmpty())
            addDevice(address, QByteArray(), QByteArray());
    }
}

bool cInformer::knows(const QByteArray& address) const
{
    for (const cODAdaptor::host& h : mHosts) {
        if (qstrncmp(h.address, address.constData(), sizeof h.address) == 0)
            return true;
    }
    return false;
}
