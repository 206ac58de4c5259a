#include "fakeinformer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QtEndian>

#include <cstring>

FakeInformer::FakeInformer(QObject* parent) : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = nextPendingConnection()) {
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            s->write(answer);
            s->disconnectFromHost();
            ++served;
        }
    });
}

bool FakeInformer::start()
{
    return listen(QHostAddress::LocalHost, 5049);
}

QByteArray FakeInformer::record(const Device& d)
{
    QByteArray r(2892, '\0');
    std::memcpy(r.data() + 8, d.name.constData(), size_t(qMin(d.name.size(), 31)));
    std::memcpy(r.data() + 56, d.platform.constData(), size_t(qMin(d.platform.size(), 63)));
    r[256] = 1;
    std::memcpy(r.data() + 257, d.address.constData(), size_t(qMin(d.address.size(), 511)));
    qToLittleEndian<qint32>(d.picture, r.data() + 780);
    r[2000] = d.spare;
    return r;
}

QByteArray FakeInformer::table(const QList<Device>& devices)
{
    QByteArray out(4, '\0');
    for (const Device& d : devices)
        out += record(d);
    qToLittleEndian<quint32>(quint32(out.size() - 4), out.data());
    return out;
}
