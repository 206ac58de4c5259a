#pragma once

#include <QHash>
#include <QString>

// Logins that recorders refused, by the device link's address. velk-config
// supplies the credential look-ups the library asks when a recorder refuses
// a login: nobody is there to answer a login dialog, so the look-up declines
// at once and notes the refusal here, and the job that sees its link fail
// reports the refused login instead of the library's generic message.
class LoginRefusals
{
public:
    static void note(const QString& url, const QString& login);
    // The refused login for `url`, forgotten as it is taken; null when none.
    static QString take(const QString& url);

private:
    static QHash<QString, QString>& refused();
};
