#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

// Plays the informer on 127.0.0.1:5049: sends `answer` to every connection
// and closes it.
class FakeInformer : public QTcpServer
{
    Q_OBJECT

public:
    struct Device
    {
        QByteArray address;
        QByteArray name;
        QByteArray platform;
        int picture = 0;
        char spare = 0; // a byte the adaptor does not compare
    };

    explicit FakeInformer(QObject* parent = nullptr);
    bool start();

    static QByteArray record(const Device& d);
    static QByteArray table(const QList<Device>& devices);

    QByteArray answer;
    int served = 0;
};
