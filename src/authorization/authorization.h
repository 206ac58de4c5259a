#pragma once

#include <QByteArray>

namespace authorization {

// One credential: which login a device accepted at which access level.
struct authorization_t
{
    bool remember = false;
    QByteArray url;  // address as the configuration source knows it
    QByteArray name; // name the informer reports; may be empty
    int level = 0;   // 0 or below: guest, above 0: administrator
    QByteArray login;
    QByteArray password; // text digest of the typed password, never the plain text
};

} // namespace authorization

// Merges the remembered records from the host settings store into the list.
void loadAuthorization();
// Rewrites the remembered records from the list.
void storeAuthorization();
// Fill login and password from the first record of the same address (or
// name) and level; false when there is none.
bool lookupByURL(authorization::authorization_t& a);
bool lookupByName(authorization::authorization_t& a);
// The device just refused a's login: the next login dialog that
// lookupAuthorization opens for the same address and login says so.
void markRefusedLogin(const authorization::authorization_t& a);

extern "C" {
// Fills a->login and a->password: from the login dialog when forceDialog is
// set (0 when the user cancels), otherwise from memory or the defaults.
int lookupAuthorization(authorization::authorization_t* a, bool forceDialog);
// Asks through the login dialog after the device refused a->login: the
// dialog says so and offers that login again. 1 with credentials to try in
// *a, 0 when the user cancels. The same as markRefusedLogin(*a) followed by
// lookupAuthorization(a, true), which is what the device link calls, so
// that a host's own lookupAuthorization is asked.
int lookupRefusedAuthorization(authorization::authorization_t* a);
// Remembers *a in place of an earlier record of the same device and level:
// the same name, or the same address where either record has no name.
void appendAuthorizationRecord(authorization::authorization_t* a);
// Forgets the record of a's device and level, matched as above.
void removeAuthorizationRecord(authorization::authorization_t* a);
}
