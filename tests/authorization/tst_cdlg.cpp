#include "authorization/cdlg.h"
#include "authorization/codadaptor.h"
#include "fakeinformer.h"
#include "host/pxsettings.h"
#include "util/cmd5hash.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using authorization::authorization_t;

namespace {

const QString kTitle = QStringLiteral("Please enter authorization information for ");

authorization_t record(const QByteArray& url, const QByteArray& name = QByteArray(),
                       const QByteArray& login = QByteArray())
{
    authorization_t a;
    a.url = url;
    a.name = name;
    a.level = 2;
    a.login = login;
    return a;
}

template <typename W> W* child(cDlg& d, const char* name)
{
    W* w = d.findChild<W*>(name);
    if (!w)
        qFatal("no %s in the dialog", name);
    return w;
}

QLineEdit* login(cDlg& d)
{
    return child<QLineEdit>(d, "lineEditLogin");
}

QLineEdit* password(cDlg& d)
{
    return child<QLineEdit>(d, "lineEditPassword");
}

QCheckBox* remember(cDlg& d)
{
    return child<QCheckBox>(d, "checkBoxRemember");
}

QString title(cDlg& d)
{
    return child<QLabel>(d, "labelTitle")->text();
}

QPushButton* button(cDlg& d, QDialogButtonBox::StandardButton which)
{
    return child<QDialogButtonBox>(d, "buttonBox")->button(which);
}

QPushButton* okButton(cDlg& d)
{
    return button(d, QDialogButtonBox::Ok);
}

} // namespace

class tst_cDlg : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        qputenv("PXSETTINGS_FILE", QFile::encodeName(m_dir.filePath("px.ini")));
        PXSettings::reopen();
    }

    void widgetTree()
    {
        authorization_t a = record("127.0.0.9");
        cDlg d(&a, nullptr);
        QCOMPARE(d.objectName(), QString("cDlg"));
        // A plain dialog window: a title bar to read and to move it by.
        QCOMPARE(d.windowType(), Qt::Dialog);
        QVERIFY(d.windowFlags().testFlag(Qt::WindowTitleHint));
        QVERIFY(!d.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(d.size(), QSize(305, 170));
        for (const char* name :
             {"labelIcon", "labelTitle", "labelLogin", "lineEditLogin", "labelPassword",
              "lineEditPassword", "checkBoxRemember", "buttonBox"})
            QVERIFY2(d.findChild<QWidget*>(name), name);
        for (const char* name : {"hboxLayout", "hboxLayout1", "vboxLayout", "hboxLayout2",
                                 "hboxLayout3", "hboxLayout4"})
            QVERIFY2(d.findChild<QLayout*>(name), name);
        QCOMPARE(child<QLabel>(d, "labelIcon")->pixmap().size(), QSize(64, 64));
        {
            // A dialog gone releases the bundle; the next one brings it back.
            authorization_t b = record("127.0.0.9");
            cDlg earlier(&b, nullptr);
        }
        cDlg later(&a, nullptr);
        QCOMPARE(child<QLabel>(later, "labelIcon")->pixmap().size(), QSize(64, 64));
        QCOMPARE(password(d)->echoMode(), QLineEdit::Password);
        QCOMPARE(remember(d)->layoutDirection(), Qt::RightToLeft);
        QVERIFY(QFile::exists(":/icons/resources/exclamation.png"));
    }

    void okFollowsLogin()
    {
        authorization_t a = record("127.0.0.9");
        cDlg d(&a, nullptr);
        d.show();
        QVERIFY(!okButton(d)->isEnabled());
        QTest::keyClick(login(d), Qt::Key_A);
        QVERIFY(okButton(d)->isEnabled());
        QTest::keyClick(login(d), Qt::Key_Backspace);
        QVERIFY(!okButton(d)->isEnabled());

        authorization_t known = record("127.0.0.9", "", "operator");
        cDlg withLogin(&known, nullptr);
        QCOMPARE(login(withLogin)->text(), QString("operator"));
        QVERIFY(okButton(withLogin)->isEnabled());
    }

    // Address first (with an empty name), the device name once the informer
    // knows it, and nothing after that.
    void titleRisesOnce()
    {
        FakeInformer informer;
        QVERIFY(informer.start());
        informer.answer = FakeInformer::table({{"127.0.0.5", "elsewhere", ""}});
        cODAdaptor adaptor;
        QSignalSpy updates(&adaptor, &cODAdaptor::update);
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 1, 7000);

        authorization_t a = record("127.0.0.9");
        cDlg d(&a, &adaptor);
        QCOMPARE(title(d), kTitle + " (127.0.0.9)");
        QCOMPARE(d.windowTitle(), QString("Login to 127.0.0.9"));

        informer.answer = FakeInformer::table({{"127.0.0.9", "front door", ""}});
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 2, 7000);
        QCOMPARE(title(d), kTitle + "front door (127.0.0.9)");
        QCOMPARE(d.windowTitle(), QString("Login to front door"));

        informer.answer = FakeInformer::table({{"127.0.0.9", "renamed", ""}});
        QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 3, 7000);
        QCOMPARE(title(d), kTitle + "front door (127.0.0.9)");
        QCOMPARE(d.windowTitle(), QString("Login to front door"));
        QVERIFY(a.name.isEmpty());
    }

    void knownNameShownAtOnce()
    {
        authorization_t a = record("127.0.0.9", "yard");
        cDlg d(&a, nullptr);
        QCOMPARE(title(d), kTitle + "yard (127.0.0.9)");
        QCOMPARE(d.windowTitle(), QString("Login to yard"));
    }

    // After a refusal the dialog says which login the device refused and
    // offers it again; otherwise it says nothing of a refusal.
    void refusalNamesTheLogin()
    {
        authorization_t a = record("127.0.0.9", "", "admin");
        cDlg asked(&a, nullptr);
        asked.show();
        QLabel* refusal = child<QLabel>(asked, "labelRefusal");
        QVERIFY(!refusal->isVisible());

        cDlg refused(&a, nullptr);
        refused.showRefusal();
        refused.show();
        refusal = child<QLabel>(refused, "labelRefusal");
        QVERIFY(refusal->isVisible());
        QCOMPARE(refusal->text(), QString("The device refused login \"admin\""));
        QCOMPARE(login(refused)->text(), QString("admin"));
        QVERIFY(okButton(refused)->isEnabled());
        QCOMPARE(refused.focusWidget(), password(refused));
    }

    void acceptStoresDigestAndChoice()
    {
        PXSettings::setValue("Authorization/remember", true, true);
        authorization_t a = record("127.0.0.9");
        {
            cDlg d(&a, nullptr);
            d.show();
            QVERIFY(remember(d)->isChecked());
            QTest::keyClicks(login(d), "admin");
            QTest::keyClicks(password(d), "s3cret");
            remember(d)->click();
            QTest::mouseClick(okButton(d), Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QCOMPARE(a.login, QByteArray("admin"));
        QCOMPARE(a.password, CMD5Hash::DoHash("s3cret").toLatin1());
        QCOMPARE(a.password.size(), 32);
        QCOMPARE(a.remember, false);
        PXSettings::reopen();
        QCOMPARE(PXSettings::value("Authorization/remember", true, true).toBool(), false);

        authorization_t next = record("127.0.0.9");
        cDlg again(&next, nullptr);
        QVERIFY(!remember(again)->isChecked());
    }

    void cancelLeavesRecord()
    {
        PXSettings::setValue("Authorization/remember", true, true);
        authorization_t a = record("127.0.0.9", "", "operator");
        a.password = "digest";
        a.remember = true;
        cDlg d(&a, nullptr);
        d.show();
        QTest::keyClicks(login(d), "x");
        QTest::keyClicks(password(d), "y");
        remember(d)->click();
        QTest::mouseClick(button(d, QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(a.login, QByteArray("operator"));
        QCOMPARE(a.password, QByteArray("digest"));
        QCOMPARE(a.remember, true);
        QCOMPARE(PXSettings::value("Authorization/remember", false, true).toBool(), true);
    }

    // The outline and the top gloss are painted over the window colour.
    void painting()
    {
        authorization_t a = record("127.0.0.9", "yard", "admin");
        cDlg d(&a, nullptr);
        d.showRefusal();
        d.show();
        const QImage img = d.grab().toImage();
        if (!qEnvironmentVariableIsEmpty("CDLG_GRAB"))
            img.save(qEnvironmentVariable("CDLG_GRAB"));
        QCOMPARE(img.pixelColor(0, img.height() / 2), QColor(64, 64, 64));
        QCOMPARE(img.pixelColor(img.width() - 1, img.height() / 2), QColor(64, 64, 64));
        const QColor window = d.palette().color(QPalette::Window);
        const QColor gloss = img.pixelColor(img.width() / 2, 5);
        QVERIFY2(gloss.lightness() > window.lightness(), "gloss brightens the top edge");
        QCOMPARE(img.pixelColor(img.width() / 2, 25), window);
    }
};

QTEST_MAIN(tst_cDlg)
#include "tst_cdlg.moc"
