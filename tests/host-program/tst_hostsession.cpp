// Host sessions run in this process, where the loading window can be pressed
// and watched: its Cancel, its Esc, and its leaving before an error box.
#include "devicefolder.h"
#include "devicesim.h"
#include "hostexit.h"
#include "hostsession.h"
#include "progresswindow.h"

#include "authorization/authorization.h"
#include "config/nbxsetup.h"
#include "setup/cwinmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// A bound on each session, far above what it needs, so that a broken test
// ends with a wrong status instead of hanging.
constexpr int kSessionBoundSeconds = 60;

ProgressWindow* visibleProgressWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<ProgressWindow*>(widget);
        if (window && window->isVisible())
            return window;
    }
    return nullptr;
}

bool anySetupDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<CWinMain*>(widget))
            return true;
    }
    return false;
}

HostOptions networkOptions(const QString& address)
{
    HostOptions options;
    options.network = true;
    QString error;
    if (!DeviceAddress::parse(address, options.address, error))
        qFatal("%s", qPrintable(error));
    options.timeoutSeconds = kSessionBoundSeconds;
    return options;
}

// Notes, as each message box appears, whether a progress window was still
// on screen.
class BoxSpy : public QObject
{
public:
    BoxSpy() { qApp->installEventFilter(this); }
    ~BoxSpy() override { qApp->removeEventFilter(this); }

    int boxes = 0;
    int boxesOverProgress = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(watched)) {
            ++boxes;
            if (visibleProgressWindow())
                ++boxesOverProgress;
        }
        return false;
    }
};

} // namespace

class tst_HostSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cancelWhileConnecting_data();
    void cancelWhileConnecting();
    void loadingWindowLeavesBeforeErrorBox();
    void progressWindowKeys_data();
    void progressWindowKeys();
    void typedLoginRememberedOnceTaken_data();
    void typedLoginRememberedOnceTaken();
    void restartOrResetEndsWithItsOwnStatus_data();
    void restartOrResetEndsWithItsOwnStatus();

private:
    QTemporaryDir m_scratch;
};

void tst_HostSession::initTestCase()
{
    // Nothing here should touch remembered logins; if it does, not the user's.
    qputenv("PXSETTINGS_FILE", m_scratch.filePath(QStringLiteral("pxsettings.ini")).toLocal8Bit());
}

void tst_HostSession::cancelWhileConnecting_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Esc key") << true;
}

// A device that takes the connection and never answers the login: the
// loading window names it, and Cancel ends the session as cancelled with
// the setup dialog gone.
void tst_HostSession::cancelWhileConnecting()
{
    QFETCH(bool, escape);
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost));
    const QString device = QStringLiteral("127.0.0.1:%1").arg(mute.serverPort());
    HostSession session(networkOptions(QStringLiteral("admin:0123abcd@%1").arg(device)));

    QString shownText;
    QTimer::singleShot(0, this, [&] {
        // Once the device has the connection the session is truly waiting.
        if (!QTest::qWaitFor([&] { return mute.hasPendingConnections(); }))
            return;
        ProgressWindow* window = visibleProgressWindow();
        if (!window)
            return;
        shownText = window->text();
        if (escape)
            QTest::keyClick(window, Qt::Key_Escape);
        else
            window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });

    QCOMPARE(session.run(), int(HostExit::Cancelled));
    QCOMPARE(shownText, QStringLiteral("Connecting to %1…").arg(device));
    QVERIFY(!visibleProgressWindow());
    QVERIFY(!anySetupDialog());
}

// The device turns the description down; the error box that follows stands
// alone, not over a loading window that no longer means anything.
void tst_HostSession::loadingWindowLeavesBeforeErrorBox()
{
    QTemporaryDir dir;
    DeviceSim sim(dir.path());
    sim.setCredentials(QStringLiteral("admin"), QStringLiteral("admin"));
    sim.faults().mode = DeviceFaults::AnswerError;
    sim.faults().message = "no description";
    QVERIFY(sim.listen());
    HostOptions options = networkOptions(sim.linkAddress());
    options.unattended = true;
    HostSession session(options);
    BoxSpy spy;

    QCOMPARE(session.run(), int(HostExit::Failed));
    QCOMPARE(spy.boxes, 1);
    QCOMPARE(spy.boxesOverProgress, 0);
}

void tst_HostSession::progressWindowKeys_data()
{
    QTest::addColumn<bool>("cancellable");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("cancelled");

    QTest::newRow("loading, Esc") << true << true << true;
    QTest::newRow("loading, window closed") << true << false << true;
    // Storing has started on the device; leaving would only hide its outcome.
    QTest::newRow("storing, Esc") << false << true << false;
    QTest::newRow("storing, window closed") << false << false << false;
}

void tst_HostSession::progressWindowKeys()
{
    QFETCH(bool, cancellable);
    QFETCH(bool, escape);
    QFETCH(bool, cancelled);
    ProgressWindow window(QStringLiteral("Working on 127.0.0.2:5049…"), cancellable);
    QSignalSpy spy(&window, &ProgressWindow::cancelled);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    if (escape)
        QTest::keyClick(&window, Qt::Key_Escape);
    else
        window.close();

    QCOMPARE(spy.size(), cancelled ? 1 : 0);
    QCOMPARE(window.isVisible(), !cancelled);
}

void tst_HostSession::typedLoginRememberedOnceTaken_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("remembered");
    QTest::newRow("right password") << QStringLiteral("admin") << int(HostExit::Cancelled) << true;
    // Declining the link's own login dialog is a cancel, with no error box.
    QTest::newRow("mistyped password")
        << QStringLiteral("admni") << int(HostExit::Cancelled) << false;
}

// admin@host without a password: the host asks with the login dialog, ticks
// "Remember password", and the device either takes the password or refuses
// it (the second dialog, the link's own, is then cancelled). Only a taken
// password may be remembered.
void tst_HostSession::typedLoginRememberedOnceTaken()
{
    QFETCH(QString, typed);
    QFETCH(int, status);
    QFETCH(bool, remembered);
    QTemporaryDir dir;
    QVERIFY(DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir.path()));
    DeviceSim sim(dir.path());
    sim.setCredentials(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY(sim.listen());
    const QString device = sim.linkAddress().section(QLatin1Char('@'), 1);
    HostSession session(networkOptions(QStringLiteral("admin@%1").arg(device)));

    int dialogs = 0;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* setup = qobject_cast<CWinMain*>(modal)) {
            setup->reject();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->accept();
            return;
        }
        auto* dlg = qobject_cast<QDialog*>(modal);
        if (!dlg || dlg->objectName() != QLatin1String("cDlg"))
            return;
        if (++dialogs > 1) {
            dlg->reject();
            return;
        }
        QTest::keyClicks(dlg->findChild<QLineEdit*>("lineEditPassword"), typed);
        dlg->findChild<QCheckBox*>("checkBoxRemember")->setChecked(true);
        dlg->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
    answerer.start(20);

    QCOMPARE(session.run(), status);
    authorization::authorization_t probe;
    probe.url = device.toLocal8Bit();
    probe.level = 2;
    lookupByURL(probe);
    QCOMPARE(!probe.password.isEmpty(), remembered);
    if (remembered)
        QCOMPARE(probe.password, sim.passwordDigest().toLatin1());
    removeAuthorizationRecord(&probe);
}

void tst_HostSession::restartOrResetEndsWithItsOwnStatus_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("restart") << QStringLiteral("Restart the recorder") << int(HostExit::Restarted)
                             << QStringLiteral("is restarting");
    QTest::newRow("factory settings") << QStringLiteral("Factory settings") << int(HostExit::Reset)
                                      << QStringLiteral("was reset to its factory settings");
}

// Once the recorder restarts or resets, the dialog closes; the host says
// what happened and leaves with a status of its own, not "cancelled".
void tst_HostSession::restartOrResetEndsWithItsOwnStatus()
{
    QFETCH(QString, opener);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir.path()));
    DeviceSim sim(dir.path());
    QVERIFY(sim.listen());
    HostSession session(networkOptions(sim.linkAddress()));

    QStringList boxes;
    bool opened = false;
    // Clicks go through the event loop: a click opens a modal dialog, and
    // a timer does not fire again while its own slot runs.
    const auto click = [](QPushButton* b) {
        QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
    };
    QTimer player;
    connect(&player, &QTimer::timeout, this, [&, click] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->text();
            box->accept();
            return;
        }
        if (auto* setup = qobject_cast<CWinMain*>(modal)) {
            if (opened || setup->source()->busy())
                return;
            opened = true;
            for (QPushButton* b : setup->findChildren<QPushButton*>()) {
                if (b->text() == opener)
                    click(b);
            }
            return;
        }
        auto* confirm = qobject_cast<QDialog*>(modal);
        if (confirm && confirm->windowTitle() == opener) {
            for (QPushButton* b : confirm->findChildren<QPushButton*>()) {
                if (b->text() == QLatin1String("Yes"))
                    click(b);
            }
        }
    });
    player.start(20);

    QCOMPARE(session.run(), status);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().contains(said), qPrintable(boxes.first()));
}

QTEST_MAIN(tst_HostSession)
#include "tst_hostsession.moc"
