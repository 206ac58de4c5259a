#pragma once

#include "authorization/codadaptor.h"

#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

// Serves its device table to whoever connects to 127.0.0.1:5049 and closes;
// learns further addresses from the adaptor's UDP announcements. It discovers
// nothing by itself.
class cInformer : public QObject
{
    Q_OBJECT

public:
    // Quits the application after `idleSeconds` without a request (0: never).
    explicit cInformer(int idleSeconds, QObject* parent = nullptr);

    bool listen();
    void addDevice(const QByteArray& address, const QByteArray& name, const QByteArray& platform);
    QByteArray answer() const;
    qsizetype deviceCount() const { return mHosts.size(); }

private:
    void serve();
    void readAnnouncements();
    bool knows(const QByteArray& address) const;

    QList<cODAdaptor::host> mHosts;
    QTcpServer mServer;
    QUdpSocket mUdp;
    QTimer mIdle;
};
