#include "setupdialogs.h"

#include "setup/cwinmain.h"

#include <QApplication>

namespace {

void reject(CWinMain* dialog)
{
    if (dialog->isVisible()) {
        dialog->reject();
        return;
    }
    // Modal only while inside exec().
    if (!dialog->isModal())
        return;
    // While its source loads, the dialog runs its modal loop hidden, and
    // hiding a dialog that is already hidden does not end that loop. Shown
    // (never on screen), it hides itself at once, as it does until the
    // description is in place, and that ends the loop with this result.
    dialog->setAttribute(Qt::WA_DontShowOnScreen, true);
    dialog->setResult(QDialog::Rejected);
    dialog->show();
}

} // namespace

bool SetupDialogs::isSetupDialog(const QWidget* widget)
{
    return qobject_cast<const CWinMain*>(widget) != nullptr;
}

void SetupDialogs::rejectAll(const NBXSetup* source)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CWinMain*>(widget);
        if (dialog && (!source || dialog->source() == source))
            reject(dialog);
    }
}
