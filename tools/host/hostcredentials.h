#pragma once

class DeviceAddress;

// Completes an address given without a password from the credential store:
// the login remembered for that recorder, or else the login dialog.
class HostCredentials
{
public:
    // False when the login dialog was cancelled; the address is then left as
    // it was.
    static bool complete(DeviceAddress& address);
};
