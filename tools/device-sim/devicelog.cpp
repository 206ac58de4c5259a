#include "devicelog.h"

QByteArray DeviceRequest::wire() const
{
    if (length < 0)
        return line;
    return line + "LENGTH=" + QByteArray::number(length) + "\r\n" + payload;
}

QString DeviceRequest::describe() const
{
    QString text = QStringLiteral("request \"%1\"").arg(DeviceLog::printable(line));
    if (length >= 0)
        text += QStringLiteral(" length=%1 payload \"%2\"")
                    .arg(length)
                    .arg(DeviceLog::printable(DeviceLog::masked(payload)));
    return text;
}

QString DeviceLog::printable(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes) {
        if (c == '\r')
            out += QStringLiteral("\\r");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (c == '\\')
            out += QStringLiteral("\\\\");
        else if (uchar(c) < 0x20 || uchar(c) >= 0x7f)
            out += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}

QByteArray DeviceLog::masked(const QByteArray& payload)
{
    QList<QByteArray> lines = payload.split('\n');
    for (QByteArray& line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || !line.left(equals).toLower().contains("pass"))
            continue;
        // Blanks around "=" and the line's own end stay as they were.
        qsizetype value = equals + 1;
        while (value < line.size() && line.at(value) == ' ')
            ++value;
        const bool cr = line.endsWith('\r');
        line = line.left(value) + "***" + (cr ? "\r" : "");
    }
    return lines.join('\n');
}

void DeviceLog::append(const DeviceRequest& request)
{
    m_requests.append(request);
    emit appended(request);
}

void DeviceLog::appendLogin(const DeviceLogin& login)
{
    m_logins.append(login);
    emit loggedIn(login);
}

void DeviceLog::clear()
{
    m_requests.clear();
    m_logins.clear();
}
