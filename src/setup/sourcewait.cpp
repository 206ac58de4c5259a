// Waiting inside the dialog for the device to answer a call that started an
// exchange: the store of OK and Apply, and the device functions.
#include "cwinmain.h"

#include "config/nbxsetup.h"

#include <QEventLoop>
#include <QPointer>
#include <QTime>

void CWinMain::waitForSource(const QString& call)
{
    // While the dialog is built its own load is still winding down; and a
    // call made from inside a wait is refused by the source itself.
    if (building || waiting || timeTaskRunning || !setup->busy())
        return;
    waiting = true;
    storing = isStoreCall(call);
    const int errorsBefore = errorCount;
    const QString device = setup->deviceName();
    ui.sourceProgress->start(storing ? tr("Storing the settings on %1…").arg(device)
                                     : tr("Waiting for %1…").arg(device));
    setInputEnabled(false);

    QEventLoop loop;
    connect(setup, &NBXSetup::storeDone, &loop, &QEventLoop::quit);
    connect(setup, &NBXSetup::loadDone, &loop, &QEventLoop::quit);
    connect(setup, &NBXSetup::pseudothrow, &loop, &QEventLoop::quit);
    connect(setup, &NBXSetup::cancelled, &loop, &QEventLoop::quit);
    connect(setup, &NBXSetup::progress, ui.sourceProgress, &cSourceProgress::setValue);
    // Closed meanwhile (the host gave up, or the description's own reject
    // after a restart): the host decides about the exchange from here on.
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    const QPointer<CWinMain> alive(this);
    // A refused login starts the exchange again after the login dialog.
    while (alive && isVisible() && setup->busy())
        loop.exec();
    if (!alive)
        return;
    disconnect(setup, &NBXSetup::progress, ui.sourceProgress, &cSourceProgress::setValue);
    setInputEnabled(true);
    ui.sourceProgress->finish();
    // A store that leaves the dialog open (Apply, a "store now" button)
    // says that it arrived; OK closes the dialog anyway.
    if (storing && errorCount == errorsBefore && isVisible())
        ui.sourceProgress->showResult(
            tr("Stored on %1 at %2.")
                .arg(device, QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    waiting = false;
    storing = false;
}

void CWinMain::callDone(const QString& call)
{
    // Stored, the edits are what the device holds: none is unsaved now.
    if (isStoreCall(call))
        editedKeys.clear();
    else
        setup->reportFunctionDone(call.section(QLatin1Char(','), 0, 0));
}

bool CWinMain::isStoreCall(const QString& call)
{
    return call.section(QLatin1Char(','), 0, 0) == QLatin1String("save_settings");
}

// Input to the dialog and to its open sub-dialogs, so that no second call
// starts while the device works on the first, and no edit is made that the
// running store would miss.
void CWinMain::setInputEnabled(bool enabled)
{
    ui.tabWidget->setEnabled(enabled);
    ui.pbCancel->setEnabled(enabled);
    ui.pbOK->setEnabled(enabled && !editMarks.blocksStoring());
    ui.pbApply->setEnabled(enabled && !editMarks.blocksStoring());
    for (const QDomElement& element : qAsConst(openDialogs)) {
        if (QWidget* dialog = widgetOf(element))
            dialog->setEnabled(enabled);
    }
}
