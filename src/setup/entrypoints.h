#pragma once

#include <QtGlobal>

class NBXSetup;
class QWidget;

// The plug-in's front door. Each runs the setup dialog over the host's
// configuration source and returns 1 when the dialog was accepted, 0 when it
// was rejected or failed. With a parent the dialog is centred on it.
extern "C" {
Q_DECL_EXPORT int DoPanorixSetupP(NBXSetup& setup, QWidget* parent);
Q_DECL_EXPORT int DoPanorixSetup(NBXSetup& setup);

// Kept for hosts that link against them; the library never uses them.
Q_DECL_EXPORT extern void* gNBXWindow;
Q_DECL_EXPORT extern void* gMainWindow;
}
