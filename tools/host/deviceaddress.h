#pragma once

#include <QString>

// A recorder's address as given on the command line:
// login[:password]@host[:port], the password being the digest that the
// device link sends. The password may be missing; the host then asks the
// credential store.
class DeviceAddress
{
public:
    static constexpr quint16 kDefaultPort = 5049;

    // False for a malformed address. `error` then says what is wrong without
    // quoting anything that could be the password.
    static bool parse(const QString& text, DeviceAddress& out, QString& error);

    const QString& login() const { return m_login; }
    const QString& password() const { return m_password; }
    bool hasPassword() const { return m_hasPassword; }
    void setCredentials(const QString& login, const QString& password);

    // host[:port] exactly as typed: what the device link keeps as the
    // device's address, and so what remembered logins are filed under.
    const QString& url() const { return m_url; }
    // host:port with the default port filled in, for people to read.
    QString display() const;
    // The address the device link is created with.
    QString linkAddress() const;

private:
    QString m_login;
    QString m_password;
    bool m_hasPassword = false;
    QString m_host;
    quint16 m_port = kDefaultPort;
    QString m_url;
};
