#include "authorization.h"

#include "cdlg.h"
#include "codadaptor.h"

#include "host/pxsettings.h"
#include "util/cmd5hash.h"

#include <QList>
#include <QString>

#include <optional>

using authorization::authorization_t;

namespace {

const char* kArray = "Authorization/Logins";

QList<authorization_t> g_Records;
cODAdaptor* gAdaptor = nullptr;

authorization_t readRecord()
{
    authorization_t r;
    r.remember = true;
    r.name = PXSettings::value("name", QString(), true).toString().toLocal8Bit();
    r.url = PXSettings::value("url", QString(), true).toString().toLocal8Bit();
    r.level = PXSettings::value("level", 0, true).toInt();
    r.login = PXSettings::value("login", QString(), true).toString().toLocal8Bit();
    r.password = PXSettings::value("password", QString(), true).toString().toLocal8Bit();
    return r;
}

void writeRecord(const authorization_t& r)
{
    PXSettings::setValue("name", QString::fromUtf8(r.name), true);
    PXSettings::setValue("url", QString::fromUtf8(r.url), true);
    PXSettings::setValue("level", r.level, true);
    PXSettings::setValue("login", QString::fromUtf8(r.login), true);
    PXSettings::setValue("password", QString::fromUtf8(r.password), true);
}

// The first record for which `same` holds, or -1.
template <typename Pred> int findRecord(Pred same)
{
    for (int i = 0; i < g_Records.size(); ++i) {
        if (same(g_Records.at(i)))
            return i;
    }
    return -1;
}

// Whether x is the remembered credential of a's device and level. A name
// tells devices apart only when both records have one: every nameless device
// would otherwise be the same device, so there the address decides.
bool sameDeviceAndLevel(const authorization_t& x, const authorization_t& a)
{
    if (x.level != a.level)
        return false;
    if (x.name.isEmpty() || a.name.isEmpty())
        return x.url == a.url;
    return x.name == a.name;
}

bool copyCredentials(authorization_t& a, int index)
{
    if (index < 0)
        return false;
    a.login = g_Records.at(index).login;
    a.password = g_Records.at(index).password;
    return true;
}

// The informer adaptor, made on first use and kept for the process.
cODAdaptor* adaptor()
{
    if (!gAdaptor)
        gAdaptor = new cODAdaptor(nullptr);
    return gAdaptor;
}

// Runs the login dialog for `a`: 1 when accepted, 0 when cancelled.
// The login a device refused last, until a login dialog has said so.
std::optional<authorization_t> g_refused;

bool wasRefused(const authorization_t& a)
{
    return g_refused && g_refused->url == a.url && g_refused->login == a.login;
}

int askInDialog(authorization_t* a, bool refused)
{
    cDlg dlg(a, adaptor());
    if (refused)
        dlg.showRefusal();
    return dlg.exec() == QDialog::Accepted ? 1 : 0;
}

} // namespace

void loadAuthorization()
{
    const int n = PXSettings::beginReadArray(kArray, true);
    for (int i = 0; i < n; ++i) {
        const authorization_t r = readRecord();
        const int at = findRecord(
            [&r](const authorization_t& x) { return x.url == r.url && x.level == r.level; });
        if (at >= 0)
            g_Records[at] = r;
        else
            g_Records.append(r);
    }
    PXSettings::endArray(true);
}

void storeAuthorization()
{
    PXSettings::beginWriteArray(kArray, -1, true);
    for (const authorization_t& r : std::as_const(g_Records)) {
        if (r.remember)
            writeRecord(r);
    }
    PXSettings::endArray(true);
    PXSettings::sync();
}

bool lookupByURL(authorization_t& a)
{
    loadAuthorization();
    return copyCredentials(a, findRecord([&a](const authorization_t& x) {
                               return x.url == a.url && x.level == a.level;
                           }));
}

bool lookupByName(authorization_t& a)
{
    loadAuthorization();
    return copyCredentials(a, findRecord([&a](const authorization_t& x) {
                               return x.name == a.name && x.level == a.level;
                           }));
}

int lookupAuthorization(authorization_t* a, bool forceDialog)
{
    if (forceDialog) {
        const bool refused = wasRefused(*a);
        g_refused.reset();
        return askInDialog(a, refused);
    }
    if (a->name.isEmpty())
        a->name = adaptor()->lookupName(QString::fromLocal8Bit(a->url)).toLocal8Bit();
    if (!a->name.isEmpty() && lookupByName(*a))
        return 1;
    if (lookupByURL(*a))
        return 1;
    const QByteArray emptyDigest = CMD5Hash::DoHash(QString()).toLatin1();
    a->login = "guest";
    a->password = emptyDigest;
    if (a->level > 0) {
        a->login = "admin";
        a->password = emptyDigest;
    }
    return 1;
}

void markRefusedLogin(const authorization_t& a)
{
    g_refused = a;
}

int lookupRefusedAuthorization(authorization_t* a)
{
    markRefusedLogin(*a);
    return lookupAuthorization(a, true);
}

void removeAuthorizationRecord(authorization_t* a)
{
    loadAuthorization();
    const int at = findRecord([a](const authorization_t& x) { return sameDeviceAndLevel(x, *a); });
    if (at >= 0)
        g_Records.removeAt(at);
    storeAuthorization();
}

void appendAuthorizationRecord(authorization_t* a)
{
    loadAuthorization();
    removeAuthorizationRecord(a);
    g_Records.append(*a);
    storeAuthorization();
}
