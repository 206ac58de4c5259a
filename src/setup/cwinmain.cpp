// Lifecycle of the setup dialog: construction, the invisible wait for the
// source, showing, the error path, OK and progress, and the decoration.
#include "cwinmain.h"

#include "config/nbxsetup.h"
#include "host/nbxdlgquestion.h"
#include "util/gloss.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

CWinMain::CWinMain(NBXSetup& setup_, QWidget* parent)
    : QDialog(parent, Qt::WindowFlags(0x0b)), setup(&setup_)
{
    building = true;
    errorShown = false;
    ui.setupUi(this);

    connect(ui.pbOK, &QPushButton::clicked, this, &CWinMain::saveSettings);
    connect(ui.pbCancel, &QPushButton::clicked, this, &CWinMain::reject);
    // Closing without storing takes back what the device shows live, before
    // the host can delete the source. Once: a failed restore rejects the
    // dialog again through the error path, and must not be retried there.
    connect(this, &QDialog::rejected, &setup_, &NBXSetup::revertLive, Qt::SingleShotConnection);
    connect(&timeTaskTimer, &QTimer::timeout, this, &CWinMain::timeout);

    // Nothing may reach the screen before the description is in place, not
    // even the frame that a show from inside exec() would map.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    QDialog::setVisible(false);

    connect(setup, &NBXSetup::pseudothrow, this, &CWinMain::pseudothrow);
    connect(this, &CWinMain::pseudothrow, this, &CWinMain::slot_onpseudothrow);
    connect(setup, &NBXSetup::loadDone, this, &CWinMain::onLoadDone);
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

CWinMain::~CWinMain() = default;

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
    setAttribute(Qt::WA_DontShowOnScreen, false);
    setVisible(true);
}

void CWinMain::showEvent(QShowEvent* event)
{
    if (!loaded) {
        setVisible(false);
        return;
    }
    if (parentWidget())
        centreOn(parentWidget());
    QDialog::showEvent(event);
}

void CWinMain::slot_onpseudothrow(QString s)
{
    if (errorShown)
        return;
    errorShown = true;
    loaded = true;
    NBXDlgQuestion::Do(nullptr, QMessageBox::Critical, QStringLiteral("Panorix Setup"), s,
                       QDialogButtonBox::Ok, QDialogButtonBox::NoButton, nullptr);
    setAttribute(Qt::WA_DontShowOnScreen, false);
    setVisible(true);
    connect(&rejectTimer, &QTimer::timeout, this, &CWinMain::reject);
    rejectTimer.start(0);
}

void CWinMain::saveSettings()
{
    QDomElement ok = root.firstChildElement(QStringLiteral("buttonOK"));
    if (!ok.isNull())
        commonActionsProcessing(ok);
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
