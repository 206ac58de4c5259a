#include "nbxdlgquestion.h"

int NBXDlgQuestion::Do(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                       const QString& text, QFlags<QDialogButtonBox::StandardButton> buttons,
                       QDialogButtonBox::StandardButton defaultButton, bool* outFlag)
{
    // Both enums share their values, so the flags carry straight over.
    QMessageBox box(icon, title, text, QMessageBox::StandardButtons(buttons.toInt()), parent);
    box.setObjectName(QStringLiteral("NBXDlgQuestion"));
    if (defaultButton != QDialogButtonBox::NoButton)
        box.setDefaultButton(QMessageBox::StandardButton(int(defaultButton)));
    const int result = box.exec();
    if (outFlag)
        *outFlag = defaultButton != QDialogButtonBox::NoButton && result == int(defaultButton);
    return result;
}
