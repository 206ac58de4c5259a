#pragma once

#include "authorization/authorization.h"

#include <optional>

class DeviceAddress;

// Completes an address given without a password from the credential store:
// the login remembered for that recorder, or else the login dialog.
class HostCredentials
{
public:
    // False when the login dialog was cancelled; the address is then left as
    // it was. A login typed with "Remember password" ticked comes back in
    // `toRemember`: it is stored only once the device has accepted it, so a
    // mistyped password is never remembered.
    static bool complete(DeviceAddress& address,
                         std::optional<authorization::authorization_t>& toRemember);
};
