// Lifecycle of the setup dialog: construction, the invisible wait for the
// source, showing, the error path, OK and progress, and the decoration.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "host/nbxdlgquestion.h"
#include "util/gloss.h"
#include "video/videorsn3reciver.h"

#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

CWinMain::CWinMain(NBXSetup& setup_, QWidget* parent)
    : QDialog(parent, Qt::WindowFlags(0x0b)), setup(&setup_)
{
    building = true;
    errorShown = false;
    ui.setupUi(this);

    // Every write counts for the discard question, whoever makes it: lists
    // and calibrators store through the source, not through setValue.
    setup->setWriteWatcher([this](const QString& assignment) { noteEdit(assignment); });
    connect(ui.pbOK, &QPushButton::clicked, this, &CWinMain::saveSettings);
    connect(ui.pbCancel, &QPushButton::clicked, this, &CWinMain::cancelByUser);
    connect(ui.pbApply, &QPushButton::clicked, this, &CWinMain::applySettings);
    // Closing without storing takes back what the device shows live, before
    // the host can delete the source. Once: a failed restore rejects the
    // dialog again through the error path, and must not be retried there.
    connect(this, &QDialog::rejected, &setup_, &NBXSetup::revertLive, Qt::SingleShotConnection);
    connect(&timeTaskTimer, &QTimer::timeout, this, &CWinMain::timeout);
    connect(&editMarks, &cEditMarks::changed, this, [this] {
        ui.pbOK->setEnabled(!editMarks.blocksStoring());
        ui.pbApply->setEnabled(!editMarks.blocksStoring());
    });
    setTabOrder(ui.pbOK, ui.pbCancel);

    // Nothing may reach the screen before the description is in place, not
    // even the frame that a show from inside exec() would map.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    QDialog::setVisible(false);

    connect(setup, &NBXSetup::pseudothrow, this, &CWinMain::pseudothrow);
    connect(this, &CWinMain::pseudothrow, this, &CWinMain::slot_onpseudothrow);
    connect(setup, &NBXSetup::loadDone, this, &CWinMain::onLoadDone);
    connect(setup, &NBXSetup::cancelled, this, &CWinMain::onSourceCancelled);
    connect(setup, &NBXSetup::progress, this, qOverload<int>(&CWinMain::onSetupProgress));

    loaded = false;

    if (!parent) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            QRect r(QPoint(0, 0), size());
            r.moveCenter(
                QPoint((area.left() + area.right()) / 2, (area.top() + area.bottom()) / 2));
            move(r.topLeft());
        }
    }

    setup->load();
}

CWinMain::~CWinMain()
{
    setup->setWriteWatcher({});
    if (loadWait)
        loadWait->quit();
    // The live stream belongs to the dialog that started it.
    VideoRSN3Reciver::removeReciver();
}

int CWinMain::exec()
{
    if (!loaded) {
        // QDialog ends its loop only when a visible dialog hides, and this
        // one stays hidden until the description is in place; so it waits
        // for the source in a loop of its own that done() ends as well.
        QEventLoop wait;
        loadWait = &wait;
        doneWhileLoading = false;
        const QPointer<CWinMain> alive(this);
        wait.exec(QEventLoop::DialogExec);
        if (!alive)
            return QDialog::Rejected;
        loadWait = nullptr;
        if (doneWhileLoading)
            return result();
    }
    return QDialog::exec();
}

void CWinMain::done(int r)
{
    QDialog::done(r);
    if (loadWait) {
        doneWhileLoading = true;
        loadWait->quit();
    }
}

void CWinMain::centreOn(QWidget* parent)
{
    const QRect pr = parent->rect();
    const QPoint centre =
        parent->mapToGlobal(QPoint((pr.right() - pr.left()) / 2, (pr.bottom() - pr.top()) / 2));
    QRect r = geometry();
    r.moveCenter(centre);
    setGeometry(r);
}

void CWinMain::onLoadDone()
{
    if (loaded)
        return;
    parseConfig(setup->filePath(QStringLiteral("interface")));
    loaded = true;
    if (!setup->reachesDevice())
        showLiveUnavailable();
    setAttribute(Qt::WA_DontShowOnScreen, false);
    fitToScreen();
    focusFirstControl();
    // While exec() waits for the source, it shows the dialog itself, modal.
    if (loadWait)
        loadWait->quit();
    else
        setVisible(true);
}

void CWinMain::onSourceCancelled()
{
    // Declining the login while loading leaves nothing to show; later it
    // only stops the action list, as an error would, without a message.
    if (!loaded || building) {
        done(QDialog::Rejected);
        return;
    }
    ++errorCount;
}

void CWinMain::showEvent(QShowEvent* event)
{
    if (!loaded) {
        setVisible(false);
        return;
    }
    if (parentWidget()) {
        centreOn(parentWidget());
        keepOnScreen();
    }
    QDialog::showEvent(event);
}

void CWinMain::slot_onpseudothrow(QString s)
{
    // Once the dialog is up, an error must not cost the user the edits: each
    // one is told, the action list that raised it stops (errorCount), and
    // the dialog stays for another try or for Cancel.
    if (loaded && !building && !errorShown) {
        ++errorCount;
        ui.sourceProgress->finish();
        if (storing)
            s = tr("The settings could not be stored on %1.\n\n%2").arg(setup->deviceName(), s);
        showErrorInTurn(s);
        return;
    }
    if (errorShown)
        return;
    errorShown = true;
    loaded = true;
    NBXDlgQuestion::Do(nullptr, QMessageBox::Critical, QStringLiteral("Panorix Setup"), s,
                       QDialogButtonBox::Ok, QDialogButtonBox::NoButton, nullptr);
    // Visible for exec() to end, but never on the screen: a dialog without
    // its description would flash up empty, and nothing could be done in it.
    setVisible(true);
    connect(&rejectTimer, &QTimer::timeout, this, &CWinMain::reject);
    rejectTimer.start(0);
}

// Errors that come while a message is up wait for it, each shown once, and
// a message the user is just reading is not repeated.
void CWinMain::showErrorInTurn(const QString& message)
{
    if (pendingErrors.isEmpty() || pendingErrors.last() != message)
        pendingErrors.append(message);
    if (errorBoxOpen)
        return;
    errorBoxOpen = true;
    const QPointer<CWinMain> alive(this);
    while (alive && !pendingErrors.isEmpty()) {
        const QString shown = pendingErrors.first();
        NBXDlgQuestion::Do(this, QMessageBox::Critical, QStringLiteral("Panorix Setup"), shown,
                           QDialogButtonBox::Ok, QDialogButtonBox::NoButton, nullptr);
        if (alive)
            pendingErrors.removeFirst();
    }
    if (alive)
        errorBoxOpen = false;
}

void CWinMain::saveSettings()
{
    runButtonActions(QStringLiteral("buttonOK"));
}

void CWinMain::applySettings()
{
    runButtonActions(QStringLiteral("buttonApply"));
}

void CWinMain::runButtonActions(const QString& name)
{
    if (editMarks.blocksStoring())
        return;
    QDomElement button = root.firstChildElement(name);
    if (!button.isNull())
        commonActionsProcessing(button);
}

void CWinMain::onSetupProgress(int prc)
{
    const QString key = QStringLiteral("general/progress_dialog/progress");
    if (prc == -1) {
        const int p = setup->value(key).toInt();
        if (p <= 99)
            return;
        prc = p;
    }
    setValue(key + QLatin1Char('/') + QString::number(prc));
    if (prc <= 99)
        return;
    if (QDialog* progressDialog =
            qobject_cast<QDialog*>(taggedObject(QStringLiteral("progress_dialog"))))
        progressDialog->accept();
}

void CWinMain::onSetupProgress()
{
    onSetupProgress(-1);
}

void CWinMain::paintFrame(QWidget* widget)
{
    QPainter painter(widget);
    painter.setPen(QColor(64, 64, 64, 255));
    painter.drawRect(0, 0, widget->width() - 2, widget->height() - 2);

    paintTopGloss(painter, widget->width());
}

void CWinMain::paintEvent(QPaintEvent* event)
{
    paintFrame(this);
    QDialog::paintEvent(event);
}

bool CWinMain::eventFilter(QObject* obj, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        if (QWidget* widget = qobject_cast<QWidget*>(obj))
            paintFrame(widget);
    }
    return obj->eventFilter(obj, event);
}

QRect CWinMain::availableArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// What the window system adds around the dialog, as far as it is known.
QSize CWinMain::frameExtra() const
{
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

// The description's size, and the controls' own, are kept within the
// screen: pages that need more room scroll, and the dialog is centred once
// its size is final.
void CWinMain::fitToScreen()
{
    const QRect area = availableArea();
    if (area.isEmpty())
        return;
    create(); // the window system's frame is known from here on
    const QSize room = (area.size() - frameExtra()).expandedTo(QSize(1, 1));
    setMinimumSize(minimumSize().boundedTo(room));
    // The hints decide the wrapping before any geometry is set, so that
    // the pages are laid out once, in their final parents.
    const QSize needed = minimumSizeHint().expandedTo(minimumSize());
    QSize target = size();
    if (needed.width() > room.width() || needed.height() > room.height()) {
        scrollPages();
        ui.tabWidget->updateGeometry();
        layout()->invalidate();
        // Pages scroll only as far as the screen makes them: the dialog
        // takes all the room they want that the screen has.
        target = target.expandedTo(needed);
    }
    layout()->activate();
    resize(target.expandedTo(minimumSize()).boundedTo(room));
    if (parentWidget())
        return; // centred on the parent when shown
    QRect frame(QPoint(0, 0), size() + frameExtra());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

void CWinMain::scrollPages()
{
    // Each removal of the shown page switches pages, and each switch pauses
    // and resumes updates of every control on every page; one pause around
    // all the moves keeps that to one pass.
    const bool updates = ui.tabWidget->updatesEnabled();
    ui.tabWidget->setUpdatesEnabled(false);
    const int current = ui.tabWidget->currentIndex();
    for (int i = 0; i < ui.tabWidget->count(); ++i) {
        QWidget* page = ui.tabWidget->widget(i);
        auto* scroll = new QScrollArea();
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        // The area joins the dialog before it takes the page: a page that
        // stays in its window is moved without Qt walking the window's whole
        // focus chain, once per page.
        ui.tabWidget->insertTab(i, scroll, ui.tabWidget->tabText(i));
        ui.tabWidget->removeTab(i + 1);
        scroll->setWidget(page);
    }
    ui.tabWidget->setCurrentIndex(current);
    ui.tabWidget->setUpdatesEnabled(updates);
}

void CWinMain::keepOnScreen()
{
    const QRect area = availableArea();
    if (area.isEmpty())
        return;
    QRect frame(pos(), size() + frameExtra());
    frame.moveRight(qMin(frame.right(), area.right()));
    frame.moveBottom(qMin(frame.bottom(), area.bottom()));
    frame.moveLeft(qMax(frame.left(), area.left()));
    frame.moveTop(qMax(frame.top(), area.top()));
    move(frame.topLeft());
}

// The first control of the first page that takes the keyboard.
void CWinMain::focusFirstControl()
{
    QWidget* page = ui.tabWidget->widget(0);
    if (auto* scroll = qobject_cast<QScrollArea*>(page))
        page = scroll->widget();
    if (!page)
        return;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
