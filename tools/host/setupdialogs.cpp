#include "setupdialogs.h"

#include "setup/cwinmain.h"

#include <QApplication>

bool SetupDialogs::isSetupDialog(const QWidget* widget)
{
    return qobject_cast<const CWinMain*>(widget) != nullptr;
}

void SetupDialogs::rejectAll(const NBXSetup* source)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CWinMain*>(widget);
        if (dialog && (!source || dialog->source() == source))
            dialog->reject();
    }
}
