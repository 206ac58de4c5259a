#include "deviceaddress.h"

#include <QObject>
#include <QRegularExpression>

namespace {

QString malformed(const QString& why)
{
    return QObject::tr("malformed address: %1").arg(why);
}

bool parsePort(const QString& text, quint16& port)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const uint value = text.toUInt();
    if (!digits.match(text).hasMatch() || value == 0 || value > 65535)
        return false;
    port = quint16(value);
    return true;
}

} // namespace

bool DeviceAddress::parse(const QString& text, DeviceAddress& out, QString& error)
{
    // The device link splits at the last "@" and, before it, at the last
    // ":", so the same split is done here. Nothing left of the "@" is ever
    // quoted back: it may hold the password.
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at < 0) {
        error = malformed(QObject::tr("expected login[:password]@host[:port]"));
        return false;
    }
    const QString user = text.left(at);
    const qsizetype colon = user.lastIndexOf(QLatin1Char(':'));
    DeviceAddress a;
    a.m_login = colon < 0 ? user : user.left(colon);
    a.m_password = colon < 0 ? QString() : user.mid(colon + 1);
    a.m_hasPassword = !a.m_password.isEmpty();
    a.m_url = text.mid(at + 1);
    if (a.m_login.isEmpty()) {
        error = malformed(QObject::tr("no login before \"@\""));
        return false;
    }
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9._-]+$"));
    const QStringList hostPort = a.m_url.split(QLatin1Char(':'));
    a.m_host = hostPort.first();
    if (a.m_host.isEmpty()) {
        error = malformed(QObject::tr("no host after \"@\""));
        return false;
    }
    if (hostPort.size() > 2 || !hostName.match(a.m_host).hasMatch()) {
        error = malformed(QObject::tr("\"%1\" is not host[:port]").arg(a.m_url));
        return false;
    }
    if (hostPort.size() == 2 && !parsePort(hostPort.at(1), a.m_port)) {
        error = malformed(
            QObject::tr("the port \"%1\" is not a number from 1 to 65535").arg(hostPort.at(1)));
        return false;
    }
    out = a;
    return true;
}

void DeviceAddress::setCredentials(const QString& login, const QString& password)
{
    m_login = login;
    m_password = password;
    m_hasPassword = !password.isEmpty();
}

QString DeviceAddress::display() const
{
    return QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

QString DeviceAddress::linkAddress() const
{
    return QStringLiteral("%1:%2@%3").arg(m_login, m_password, m_url);
}
