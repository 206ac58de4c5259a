// The sample device's users and software packages, managed from the dialog
// as a user would, checked by what the emulated device then holds.
#include "../netsetup/devicefixture.h"
#include "controls/caccesslist.h"
#include "controls/csoftlist.h"
#include "sessiondriver.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kAccountTitle = QStringLiteral("User account");
const QString kRemovePackage = QStringLiteral("Remove the package…");

struct SampleSession
{
    DeviceFixture& device;
    NBXNetSetup setup{device.sim.linkAddress()};
    QStringList errors = QStringList();

    // Questions are answered with `answer`; their texts land in `errors`.
    int run(const DialogDriver& driver, QMessageBox::StandardButton answer = QMessageBox::Ok)
    {
        return runSession(setup, driver, errors, answer);
    }
};

QPushButton* button(QWidget* parent, const QString& text)
{
    return widgetWithText<QPushButton>(parent, text);
}

// Clicks `opener` and, in the account dialog it opens, types the name (when
// given) and the password twice, moves the level `levelSteps` entries down
// and presses OK.
void enterAccount(QDialog* d, const QString& opener, const QString& name, const QString& password,
                  int levelSteps)
{
    QPushButton* open = button(d, opener);
    QVERIFY2(open, qPrintable(opener));
    bool closed = false;
    driveModal(
        shownDialogTitled(kAccountTitle),
        [&](QDialog* entry) {
            const QList<QLineEdit*> edits = entry->findChildren<QLineEdit*>();
            QCOMPARE(edits.size(), 3);
            if (!name.isNull())
                edits.at(0)->setText(name);
            edits.at(1)->setText(password);
            edits.at(2)->setText(password);
            auto* level = entry->findChild<QComboBox*>();
            QVERIFY(level);
            for (int i = 0; i < levelSteps; ++i)
                QTest::keyClick(level, Qt::Key_Down);
            button(entry, QStringLiteral("OK"))->click();
            closed = !entry->isVisible();
        },
        [open] { open->click(); });
    QVERIFY2(closed, qPrintable(opener));
}

void selectRow(QTreeWidget* list, int row)
{
    list->setCurrentItem(list->topLevelItem(row));
}

QStringList packageNames(const cSoftList* list)
{
    QStringList names;
    for (int i = 0; i < list->packageCount(); ++i)
        names << list->getPackage(i).name;
    return names;
}

} // namespace

class tst_AccountSession : public QObject
{
    Q_OBJECT

private slots:
    void usersAddedEditedRemovedAndStored();
    void packageRemovedIsGoneAfterReload();
};

void tst_AccountSession::usersAddedEditedRemovedAndStored()
{
    DeviceFixture device;
    SampleSession session{device};
    const int result = session.run(
        [&](QDialog* d) {
            showPage(d, QStringLiteral("Users"));
            auto* list = d->findChild<cAccessList*>();
            QVERIFY(list);
            QCOMPARE(list->userCount(), 3);
            enterAccount(d, QStringLiteral("New…"), QStringLiteral("visitor"),
                         QStringLiteral("secret"), 1);
            QCOMPARE(list->userCount(), 4);
            QCOMPARE(list->currentIdx(), 3);
            QCOMPARE(list->topLevelItem(3)->text(2), QStringLiteral("Operator"));

            selectRow(list, 1);
            enterAccount(d, QStringLiteral("Edit…"), QString(), QStringLiteral("newpass"), 0);
            // The edited user stays chosen, so that Remove does not hit the first.
            QCOMPARE(list->currentIdx(), 1);

            selectRow(list, 2);
            button(d, QStringLiteral("Remove"))->click();
            QCOMPARE(list->userCount(), 3);
            d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
        },
        QMessageBox::Yes);
    // The removal was asked for, and answered Yes.
    QCOMPARE(session.errors, QStringList{"Remove the user \"guard\"?"});
    QCOMPARE(result, 1);
    QTRY_COMPARE(session.setup.state(), 0);
    // The removed guard's place is taken by the visitor; the visitor's keys
    // from the longer list stay beyond the count, added where the section
    // ends.
    QCOMPARE(device.bytes(QStringLiteral("users.ini")),
             QByteArray("[ accounts ]\n"
                        "CNT = 3\n"
                        "NAME0 = 'admin'\n"
                        "PASSWD0 = '21232f297a57a5a743894a0e4a801fc3'\n"
                        "LEVEL0 = 3\n"
                        "NAME1 = 'operator'\n"
                        "PASSWD1 = 'e6053eb8d35e02ae40beeeacef203c1a'\n"
                        "LEVEL1 = 2\n"
                        "NAME2 = 'visitor'\n"
                        "PASSWD2 = '5ebe2294ecd0e0f08eab7690d2a6ee69'\n"
                        "LEVEL2 = 2\n"
                        "LEVEL3 = 2\n"
                        "NAME3 = 'visitor'\n"
                        "PASSWD3 = '5ebe2294ecd0e0f08eab7690d2a6ee69'\n"));
}

void tst_AccountSession::packageRemovedIsGoneAfterReload()
{
    DeviceFixture device;
    const QStringList installed = {"velk-base",  "velk-kernel", "velk-web",
                                   "velk-onvif", "velk-ptz",    "velk-mail"};
    SampleSession first{device};
    QString question;
    int result = first.run([&](QDialog* d) {
        showPage(d, QStringLiteral("Software"));
        auto* list = d->findChild<cSoftList*>();
        QVERIFY(list);
        QCOMPARE(packageNames(list), installed);

        // A required package stays; the message says so.
        selectRow(list, 0);
        driveModal(
            shownDialogTitled(kRemovePackage),
            [](QDialog* refusal) { button(refusal, QStringLiteral("OK"))->click(); },
            [d] { button(d, kRemovePackage)->click(); });
        QTRY_COMPARE(first.setup.state(), 0);
        QVERIFY(first.device.payloadsOf("PUT SOFT CONFIG\r\n").isEmpty());

        selectRow(list, 2);
        driveModal(
            shownDialogTitled(kRemovePackage),
            [&](QDialog* confirm) {
                for (QLabel* l : confirm->findChildren<QLabel*>())
                    question += l->text();
                button(confirm, QStringLiteral("Yes"))->click();
            },
            [d] { button(d, kRemovePackage)->click(); });
        QTRY_VERIFY(!first.device.payloadsOf("PUT SOFT CONFIG\r\n").isEmpty());
        QTRY_COMPARE(first.setup.state(), 0);

        // The removed package stays in sight, marked and out of reach: a
        // second removal would only be the recorder's error.
        QCOMPARE(packageNames(list), installed);
        QTreeWidgetItem* removed = list->topLevelItem(2);
        QVERIFY(!(removed->flags() & Qt::ItemIsEnabled));
        QCOMPARE(removed->text(2), QStringLiteral("Removed from the recorder"));
        QVERIFY(!list->isRemovable(2));
        QCOMPARE(list->selection(), -1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(removed).center());
        QCOMPARE(list->selection(), -1);
        selectRow(list, 2);
        driveModal(
            shownDialogTitled(kRemovePackage),
            [](QDialog* refusal) { button(refusal, QStringLiteral("OK"))->click(); },
            [d] { button(d, kRemovePackage)->click(); });
        QTRY_COMPARE(first.setup.state(), 0);
        const QString picture = QDir::current().filePath(QStringLiteral("software-page.png"));
        QVERIFY(d->grab().save(picture));
        qInfo("grabbed to %s", qPrintable(picture));
        d->reject();
    });
    QVERIFY2(first.errors.isEmpty(), qPrintable(first.errors.join(QLatin1Char('\n'))));
    QCOMPARE(result, 0);
    QVERIFY2(question.contains(QStringLiteral("velk-web")), qPrintable(question));
    QCOMPARE(device.payloadsOf("PUT SOFT CONFIG\r\n"),
             QList<QByteArray>{"PACKAGE_DELETE=velk-web\n"});

    SampleSession reload{device};
    QStringList shown;
    result = reload.run([&](QDialog* d) {
        shown = packageNames(d->findChild<cSoftList*>());
        d->reject();
    });
    QCOMPARE(result, 0);
    QStringList expected = installed;
    expected.removeAll(QStringLiteral("velk-web"));
    QCOMPARE(shown, expected);
}

QTEST_MAIN(tst_AccountSession)
#include "tst_accountsession.moc"
