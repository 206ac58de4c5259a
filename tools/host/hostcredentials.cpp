#include "hostcredentials.h"

#include "deviceaddress.h"

namespace {

// The level the device link asks for when a device refuses it.
constexpr int kAdministrator = 2;

} // namespace

bool HostCredentials::complete(DeviceAddress& address,
                               std::optional<authorization::authorization_t>& toRemember)
{
    authorization::authorization_t record;
    record.url = address.url().toLocal8Bit();
    record.level = kAdministrator;
    record.login = address.login().toLocal8Bit();

    // A remembered password belongs to its own login; one for another login
    // is no answer for the login asked for.
    authorization::authorization_t remembered = record;
    if (lookupByURL(remembered) && remembered.login == record.login) {
        address.setCredentials(address.login(), QString::fromLocal8Bit(remembered.password));
        return true;
    }
    if (lookupAuthorization(&record, true) == 0)
        return false;
    if (record.remember)
        toRemember = record;
    address.setCredentials(QString::fromLocal8Bit(record.login),
                           QString::fromLocal8Bit(record.password));
    return true;
}
