// The login dialog and an error message in the language of the host's
// locale: a device refuses the login, the login dialog asks and is
// cancelled (quietly: declining to log in is no error); then a source with a
// wrong address reports it.
#include "config/nbxnetsetup.h"
#include "devicesim.h"
#include "setup/entrypoints.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// What the login dialog and the message box said.
struct Seen
{
    QString loginTitle;
    QString loginLabel;
    QString cancelButton;
    QString message;
};

} // namespace

class tst_Translation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void loginAndErrorFollowTheLocale_data();
    void loginAndErrorFollowTheLocale();

private:
    QTemporaryDir m_scratch;
};

void tst_Translation::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    qputenv("PXSETTINGS_FILE", m_scratch.filePath(QStringLiteral("pxsettings.ini")).toLocal8Bit());
}

void tst_Translation::cleanupTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void tst_Translation::loginAndErrorFollowTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("message");
    QTest::newRow("russian") << QStringLiteral("ru_RU") << QStringLiteral("Вход на ")
                             << QStringLiteral("Логин") << QStringLiteral("Отмена")
                             << QStringLiteral("Неверный сетевой адрес «nowhere»");
    // After Russian: the translation must go again, not stay installed.
    QTest::newRow("english after russian")
        << QStringLiteral("en_US") << QStringLiteral("Login to ") << QStringLiteral("Login")
        << QStringLiteral("Cancel") << QStringLiteral("Wrong network address \"nowhere\"");
}

void tst_Translation::loginAndErrorFollowTheLocale()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));

    QTemporaryDir dir;
    QVERIFY(DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir.path()));
    DeviceSim sim(dir.path());
    sim.faults().mode = DeviceFaults::RefuseFirstLogin;
    QVERIFY(sim.listen());
    NBXNetSetup source(sim.linkAddress());

    Seen seen;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&seen] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(window)) {
                seen.message = box->text();
                box->accept();
            } else if (window->objectName() == QLatin1String("cDlg")) {
                auto* dlg = qobject_cast<QDialog*>(window);
                seen.loginTitle = dlg->windowTitle();
                seen.loginLabel = dlg->findChild<QLabel*>("labelLogin")->text();
                seen.cancelButton = dlg->findChild<QDialogButtonBox*>("buttonBox")
                                        ->button(QDialogButtonBox::Cancel)
                                        ->text();
                dlg->reject();
            }
        }
    });
    answerer.start(20);

    QCOMPARE(DoPanorixSetup(source), 0);
    QCOMPARE(seen.message, QString());
    NBXNetSetup nowhere(QStringLiteral("nowhere"));
    QCOMPARE(DoPanorixSetup(nowhere), 0);
    QFETCH(QString, title);
    QFETCH(QString, login);
    QFETCH(QString, cancel);
    QFETCH(QString, message);
    QVERIFY2(seen.loginTitle.startsWith(title), qPrintable(seen.loginTitle));
    QCOMPARE(seen.loginLabel, login);
    QCOMPARE(seen.cancelButton, cancel);
    QVERIFY2(seen.message.contains(message), qPrintable(seen.message));
}

QTEST_MAIN(tst_Translation)
#include "tst_translation.moc"
