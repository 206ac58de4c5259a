#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

// One request as the device received it.
struct DeviceRequest
{
    QByteArray line;    // the request line with its CR LF
    qint64 length = -1; // the announced payload length; -1 when none came
    QByteArray payload;

    // The bytes exactly as they came over the wire.
    QByteArray wire() const;
    // A one-line, printable account for people reading the log.
    QString describe() const;
};

struct DeviceLogin
{
    QByteArray login;
    QByteArray password;
    bool accepted = false;
};

// Every login and request the emulated device received, in order.
class DeviceLog : public QObject
{
    Q_OBJECT
public:
    void append(const DeviceRequest& request);
    void appendLogin(const DeviceLogin& login);
    const QList<DeviceRequest>& requests() const { return m_requests; }
    const QList<DeviceLogin>& logins() const { return m_logins; }
    void clear();

    static QString printable(const QByteArray& bytes);
    // `payload` with the value of every key that names a password (PASS,
    // PASSWD0, password, ...) replaced by ***: a log is read and kept by
    // people who must not learn the accounts' digests from it.
    static QByteArray masked(const QByteArray& payload);

signals:
    void appended(const DeviceRequest& request);
    void loggedIn(const DeviceLogin& login);

private:
    QList<DeviceRequest> m_requests;
    QList<DeviceLogin> m_logins;
};
