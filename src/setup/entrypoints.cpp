#include "entrypoints.h"

#include "host/nbxdlgquestion.h"
#include "setup/ctranslation.h"
#include "setup/cwinmain.h"

#include <QWidget>

void* gNBXWindow = nullptr;
void* gMainWindow = nullptr;

int DoPanorixSetupP(NBXSetup& setup, QWidget* parent)
{
    // Before the dialog exists: its loading may already ask for a login.
    cTranslation::load();
    CWinMain* dialog = nullptr;
    try {
        dialog = new CWinMain(setup, parent);
        if (parent)
            dialog->centreOn(parent);
        const int result = dialog->exec();
        try {
            delete dialog;
        } catch (...) {
        }
        return result;
    } catch (const QString& message) {
        if (dialog) {
            try {
                // Not close(): that would ask the user about unsaved edits.
                dialog->reject();
                dialog->deleteLater();
            } catch (...) {
            }
        }
        NBXDlgQuestion::Do(nullptr, QMessageBox::Critical, QStringLiteral("Panorix Setup"), message,
                           QDialogButtonBox::Ok, QDialogButtonBox::NoButton, nullptr);
        return 0;
    }
}

int DoPanorixSetup(NBXSetup& setup)
{
    return DoPanorixSetupP(setup, nullptr);
}
