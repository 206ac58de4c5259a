#pragma once

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QString>

class QWidget;

// The host suite's message box.
class NBXDlgQuestion
{
public:
    // Shows a modal message box and returns the button that closed it. The
    // default button (the one Enter presses) is `defaultButton`, or without
    // one the safe answer among `buttons` (Cancel, No, Abort). When `outFlag`
    // is given it receives whether the box was closed with the default button.
    static int Do(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                  const QString& text,
                  QFlags<QDialogButtonBox::StandardButton> buttons = QDialogButtonBox::Ok,
                  QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton,
                  bool* outFlag = nullptr);
};
