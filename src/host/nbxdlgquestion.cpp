#include "nbxdlgquestion.h"

namespace {

// The answers that leave everything as it was, the one that does least first.
const QDialogButtonBox::StandardButton kSafeAnswers[] = {
    QDialogButtonBox::Cancel,
    QDialogButtonBox::No,
    QDialogButtonBox::Abort,
};

// The button Enter presses: the caller's, else the safe answer on offer, so
// that a stray Enter never confirms a question such as formatting a disk.
QDialogButtonBox::StandardButton defaultFor(QFlags<QDialogButtonBox::StandardButton> buttons,
                                            QDialogButtonBox::StandardButton named)
{
    if (named != QDialogButtonBox::NoButton)
        return named;
    for (QDialogButtonBox::StandardButton safe : kSafeAnswers) {
        if (buttons.testFlag(safe))
            return safe;
    }
    return QDialogButtonBox::NoButton;
}

} // namespace

int NBXDlgQuestion::Do(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                       const QString& text, QFlags<QDialogButtonBox::StandardButton> buttons,
                       QDialogButtonBox::StandardButton defaultButton, bool* outFlag)
{
    // Both enums share their values, so the flags carry straight over.
    QMessageBox box(icon, title, text, QMessageBox::StandardButtons(buttons.toInt()), parent);
    box.setObjectName(QStringLiteral("NBXDlgQuestion"));
    const QDialogButtonBox::StandardButton enter = defaultFor(buttons, defaultButton);
    if (enter != QDialogButtonBox::NoButton)
        box.setDefaultButton(QMessageBox::StandardButton(int(enter)));
    const int result = box.exec();
    if (outFlag)
        *outFlag = enter != QDialogButtonBox::NoButton && result == int(enter);
    return result;
}
