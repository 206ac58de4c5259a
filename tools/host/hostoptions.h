#pragma once

#include "deviceaddress.h"

#include <QString>
#include <QStringList>

// What the command line asks panorix-setup to do.
struct HostOptions
{
    // A recorder on the network when set, else the folder in flashDir.
    bool network = false;
    DeviceAddress address;
    QString flashDir;
    // Where --grab saves its pictures; empty without --grab.
    QString grabDir;
    bool store = false;
    // With --grab: "file/section/name/value" assignments made as a user's
    // edits before the dialog is closed.
    QStringList edits;
    // Message boxes are answered and login dialogs cancelled at once.
    bool unattended = false;
    // 0: no limit.
    int timeoutSeconds = 0;
    // The language of the texts (such as "ru"), in place of the locale's.
    QString language;
};
