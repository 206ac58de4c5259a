// Leaving the dialog and answering its confirmations by keyboard and mouse:
// whole sessions over the sample device played by the emulator, with its
// request log as the witness that nothing was done unasked.
#include "../netsetup/devicefixture.h"
#include "controls/caccesslist.h"
#include "controls/csoftlist.h"
#include "sessiondriver.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

QPushButton* button(QWidget* parent, const QString& text)
{
    return widgetWithText<QPushButton>(parent, text);
}

// A window over the setup dialog: a question, or a sub-dialog.
QDialog* shownOverSetup()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<QDialog*>(w);
        if (d && d->isVisible() && !d->findChild<QTabWidget*>())
            return d;
    }
    return nullptr;
}

// Runs `act`, which should raise a question box, answers it with `answer`
// and hands back its text: empty when nothing came, "<TITLE>" for a
// sub-dialog that came instead (it is rejected).
QString answerQuestion(QMessageBox::StandardButton answer, const std::function<void()>& act)
{
    QString text;
    driveModal(
        shownOverSetup,
        [&](QDialog* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            if (!box) {
                text = QLatin1Char('<') + dialog->windowTitle() + QLatin1Char('>');
                return;
            }
            text = box->text();
            box->button(answer)->click();
        },
        [&] {
            act();
            return 0;
        });
    return text;
}

// The sample device with one session over it that no message box answers
// unseen: each test answers its own.
struct Session
{
    DeviceFixture device;
    NBXNetSetup setup{device.sim.linkAddress()};

    int run(const DialogDriver& driver)
    {
        return driveModal(shownSetupDialog, driver, [&] { return DoPanorixSetup(setup); });
    }
    // Whether the device received a request with this line.
    bool received(const QByteArray& line) { return !device.payloadsOf(line).isEmpty(); }
};

void editHostName(QDialog* d)
{
    QLineEdit* host = widgetWithText<QLineEdit>(d, QStringLiteral("velk-nvr"));
    QVERIFY(host);
    host->setText(QStringLiteral("edited-host"));
}

enum class Leave
{
    CancelButton,
    Escape,
    CloseButton
};

void leave(QDialog* d, Leave how)
{
    switch (how) {
    case Leave::CancelButton:
        d->findChild<QPushButton*>(QStringLiteral("pbCancel"))->click();
        break;
    case Leave::Escape:
        QTest::keyClick(d, Qt::Key_Escape);
        break;
    case Leave::CloseButton:
        d->close();
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Leave)

class tst_ConfirmSession : public QObject
{
    Q_OBJECT

private slots:
    void enterNeverConfirms_data();
    void enterNeverConfirms();
    void leavingAsksBeforeDiscarding_data();
    void leavingAsksBeforeDiscarding();
    void listEditsAreCountedToo();
    void restartSaysTheEditsWillBeLost();
};

void tst_ConfirmSession::enterNeverConfirms_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("format the disk") << "Format the disk"
                                     << "Format the disk" << QByteArray("DO FORMAT\r\n");
    QTest::newRow("factory settings") << "Factory settings"
                                      << "Factory settings" << QByteArray("RESET SETTINGS\r\n");
    QTest::newRow("remove a package") << "Remove the package…"
                                      << "Remove the package…" << QByteArray("PUT SOFT CONFIG\r\n");
}

// Enter, where the keyboard focus is when the confirmation opens, answers
// the safe way; the device receives nothing.
void tst_ConfirmSession::enterNeverConfirms()
{
    QFETCH(QString, opener);
    QFETCH(QString, title);
    QFETCH(QByteArray, request);
    Session session;
    bool closedByEnter = false;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        if (auto* list = d->findChild<cSoftList*>())
            list->setCurrentItem(list->topLevelItem(2)); // a package that may go
        QPushButton* open = button(d, opener);
        QVERIFY(open);
        driveModal(
            shownDialogTitled(title),
            [&](QDialog* confirm) {
                QWidget* focus = confirm->focusWidget() ? confirm->focusWidget() : confirm;
                QTest::keyClick(focus, Qt::Key_Return);
                closedByEnter = !confirm->isVisible();
            },
            [open] { open->click(); });
        QTRY_COMPARE(session.setup.state(), 0);
        d->reject();
    });
    QCOMPARE(result, 0);
    QVERIFY(closedByEnter);
    QVERIFY(!session.received(request));
}

void tst_ConfirmSession::leavingAsksBeforeDiscarding_data()
{
    QTest::addColumn<Leave>("how");
    QTest::newRow("Cancel") << Leave::CancelButton;
    QTest::newRow("Esc") << Leave::Escape;
    QTest::newRow("close button") << Leave::CloseButton;
}

// Without edits the dialog goes at once; with one, only once the user
// agrees, and "go back" keeps it open with the edit.
void tst_ConfirmSession::leavingAsksBeforeDiscarding()
{
    QFETCH(Leave, how);
    Session session;
    QString question;
    bool keptAfterGoingBack = false;
    bool closedAfterDiscard = false;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        question = answerQuestion(QMessageBox::Cancel, [&] { leave(d, how); });
        keptAfterGoingBack = d->isVisible() && widgetWithText<QLineEdit>(d, "edited-host");
        answerQuestion(QMessageBox::Discard, [&] { leave(d, how); });
        closedAfterDiscard = !d->isVisible();
    });
    QCOMPARE(result, 0);
    QVERIFY2(question.startsWith(QStringLiteral("Discard 1 change?")), qPrintable(question));
    QVERIFY(keptAfterGoingBack);
    QVERIFY(closedAfterDiscard);

    Session unedited;
    QString asked = QStringLiteral("<none>");
    const int second = unedited.run([&](QDialog* d) {
        QTRY_COMPARE(unedited.setup.state(), 0);
        asked = answerQuestion(QMessageBox::Cancel, [&] { leave(d, how); });
    });
    QCOMPARE(second, 0);
    QCOMPARE(asked, QString());
}

// A list stores its rows into the settings itself, not through a bound
// control: removing a user is still an edit that Cancel asks about.
void tst_ConfirmSession::listEditsAreCountedToo()
{
    Session session;
    const QByteArray stored = session.device.bytes("users.ini");
    QString question;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        showPage(d, QStringLiteral("Users"));
        auto* users = d->findChild<cAccessList*>();
        QVERIFY(users);
        users->setCurrentItem(users->topLevelItem(users->topLevelItemCount() - 1));
        QPushButton* remove = button(d, QStringLiteral("Remove"));
        QVERIFY(remove);
        answerQuestion(QMessageBox::Yes, [&] { remove->click(); });
        QCOMPARE(users->userCount(), 2);
        question = answerQuestion(QMessageBox::Discard, [&] { leave(d, Leave::CancelButton); });
    });
    QCOMPARE(result, 0);
    QVERIFY2(question.startsWith(QStringLiteral("Discard ")), qPrintable(question));
    QCOMPARE(session.device.bytes("users.ini"), stored);
}

// Before the restart's own question, the dialog says that the edit will be
// lost; going back there restarts nothing.
void tst_ConfirmSession::restartSaysTheEditsWillBeLost()
{
    Session session;
    QString warning;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        QPushButton* restart = button(d, QStringLiteral("Restart the recorder"));
        QVERIFY(restart);
        warning = answerQuestion(QMessageBox::Cancel, [&] { restart->click(); });
        QVERIFY(!shownOverSetup());
        d->reject();
    });
    QCOMPARE(result, 0);
    QVERIFY2(
        warning.startsWith(QStringLiteral("1 change not stored on the recorder will be lost.")),
        qPrintable(warning));
    QVERIFY(!session.received("DO REBOOT\r\n"));
}

QTEST_MAIN(tst_ConfirmSession)
#include "tst_confirmsession.moc"
