#pragma once

#include <QtGlobal>

class NBXSetup;
class QWidget;

// The plug-in's front door. Each runs the setup dialog, modal, over the
// host's configuration source, on the GUI thread that calls it, and returns
// only once the dialog has closed:
// - 1: accepted. When OK stores (the sample's does), the store has ended
//   well by then: the dialog waits, showing its progress, until the device
//   has confirmed it.
// - 0: rejected (Cancel, Esc, the close button, a restart or reset the
//   dialog closed itself after, a declined login), or loading failed.
// Errors while loading show one message box, then 0 is returned. Errors once
// the dialog is shown (a store or device function that failed, an import
// refused) show their message and leave the dialog open with its edits: OK
// can try again, Cancel leaves. No exchange of the dialog's still runs on
// return, so the host may delete the source straight away. The source's
// signals tell the host the rest: cancelled() for a declined login,
// functionDone() for each device function carried out (soft_reboot and
// soft_reset end the session). With a parent the dialog is centred on it.
extern "C" {
Q_DECL_EXPORT int DoPanorixSetupP(NBXSetup& setup, QWidget* parent);
Q_DECL_EXPORT int DoPanorixSetup(NBXSetup& setup);

// Kept for hosts that link against them; the library never uses them.
Q_DECL_EXPORT extern void* gNBXWindow;
Q_DECL_EXPORT extern void* gMainWindow;
}
