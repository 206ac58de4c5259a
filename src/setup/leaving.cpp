// Leaving the dialog by the user's hand: Cancel, Esc and the window's close
// button ask before unsaved changes are thrown away.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "host/nbxdlgquestion.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

// Scratch values of the dialog itself; they never reach the device.
bool isDeviceKey(const QString& path)
{
    return !path.startsWith(QLatin1String("general/"));
}

} // namespace

void CWinMain::noteEdit(const QString& assignment)
{
    if (building)
        return;
    const QString path = setup->path(assignment);
    if (isDeviceKey(path) && path.count(QLatin1Char('/')) == 2 && !editedKeys.contains(path))
        editedKeys.insert(path, setup->value(path));
}

int CWinMain::unsavedChanges()
{
    int changed = 0;
    for (auto it = editedKeys.cbegin(); it != editedKeys.cend(); ++it) {
        if (setup->value(it.key()) != it.value())
            ++changed;
    }
    return changed;
}

bool CWinMain::discardAgreed()
{
    const int changed = unsavedChanges();
    if (changed == 0)
        return true;
    const int answer = NBXDlgQuestion::Do(
        this, QMessageBox::Question, QStringLiteral("Panorix Setup"),
        (changed == 1 ? tr("Discard 1 change?") : tr("Discard %1 changes?").arg(changed)) +
            QLatin1Char('\n') + tr("They have not been stored on the recorder."),
        QDialogButtonBox::Discard | QDialogButtonBox::Cancel, QDialogButtonBox::Cancel);
    return answer == QDialogButtonBox::Discard;
}

void CWinMain::cancelByUser()
{
    // While the device takes a store its outcome decides; the dialog does
    // not go in the middle of it.
    if (waiting || !discardAgreed())
        return;
    reject();
}

void CWinMain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelByUser();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CWinMain::closeEvent(QCloseEvent* event)
{
    if (isVisible() && (waiting || !discardAgreed())) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
