#include "loginrefusals.h"

#include "authorization/authorization.h"

void LoginRefusals::note(const QString& url, const QString& login)
{
    refused().insert(url, login);
}

QString LoginRefusals::take(const QString& url)
{
    return refused().take(url);
}

QHash<QString, QString>& LoginRefusals::refused()
{
    static QHash<QString, QString> logins;
    return logins;
}

// These take the place of the library's own definitions (the program exports
// them), which would open the login dialog and start the informer.
extern "C" {

int lookupAuthorization(authorization::authorization_t* a, bool forceDialog)
{
    // Every address carries its credentials, so the device link asks only
    // after the recorder refused them; there is nobody to ask.
    if (forceDialog)
        LoginRefusals::note(QString::fromLocal8Bit(a->url), QString::fromLocal8Bit(a->login));
    return 0;
}

int lookupRefusedAuthorization(authorization::authorization_t* a)
{
    LoginRefusals::note(QString::fromLocal8Bit(a->url), QString::fromLocal8Bit(a->login));
    return 0;
}

} // extern "C"
