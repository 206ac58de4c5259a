#pragma once

// What panorix-setup tells its caller. Scripts rely on these numbers; they
// are listed in --help and in the README.
namespace HostExit {
enum Code
{
    Accepted = 0,   // the dialog was accepted and whatever it stored arrived
    Cancelled = 1,  // the user cancelled the loading, the login or the dialog
    UsageError = 2, // the command line is wrong; nothing was started
    GrabFailed = 3, // --grab saved no page
    Failed = 4,     // loading or storing reported an error
    TimedOut = 5,   // --timeout ran out before the session ended
    Restarted = 6,  // the user restarted the recorder from the dialog
    Reset = 7,      // the user reset the recorder to its factory settings
};
} // namespace HostExit
