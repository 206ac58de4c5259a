#pragma once

class NBXSetup;
class QWidget;

// The plug-in's setup dialogs, whether on screen or still waiting for their
// source to load.
namespace SetupDialogs {

bool isSetupDialog(const QWidget* widget);

// Ends every setup dialog of `source` (of any source when null) as
// rejected, which ends its modal loop.
void rejectAll(const NBXSetup* source = nullptr);

} // namespace SetupDialogs
