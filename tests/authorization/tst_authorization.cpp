#include "authorization/authorization.h"
#include "authorization/cdlg.h"
#include "fakeinformer.h"
#include "host/pxsettings.h"
#include "util/cmd5hash.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using authorization::authorization_t;

namespace {

// url, name, level, login, password as stored.
using Row = QStringList;

authorization_t record(const char* url, const char* name, int level, const char* login = "",
                       bool remember = true)
{
    authorization_t a;
    a.remember = remember;
    a.url = url;
    a.name = name;
    a.level = level;
    a.login = login;
    a.password = QByteArray(login) + "-digest";
    return a;
}

// The stored array, restricted to the addresses starting with `prefix`: the
// module keeps one list per process, so each test uses its own addresses.
QList<Row> stored(const QString& prefix)
{
    PXSettings::reopen();
    QList<Row> rows;
    const int n = PXSettings::beginReadArray("Authorization/Logins", true);
    for (int i = 0; i < n; ++i) {
        Row row;
        for (const char* field : {"name", "url", "level", "login", "password"})
            row << PXSettings::value(field, QString(), true).toString();
        if (row.at(1).startsWith(prefix))
            rows << row;
    }
    PXSettings::endArray(true);
    return rows;
}

void writeStored(const QList<authorization_t>& records)
{
    PXSettings::beginWriteArray("Authorization/Logins", -1, true);
    for (const authorization_t& r : records) {
        PXSettings::setValue("name", QString(r.name), true);
        PXSettings::setValue("url", QString(r.url), true);
        PXSettings::setValue("level", r.level, true);
        PXSettings::setValue("login", QString(r.login), true);
        PXSettings::setValue("password", QString(r.password), true);
    }
    PXSettings::endArray(true);
    PXSettings::sync();
}

authorization_t lookup(authorization_t a)
{
    lookupAuthorization(&a, false);
    return a;
}

} // namespace

class tst_Authorization : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeInformer m_informer; // knows 127.0.3.1 as "gate"

private slots:
    void initTestCase()
    {
        qputenv("PXSETTINGS_FILE", QFile::encodeName(m_dir.filePath("px/store.ini")));
        PXSettings::reopen();
        QVERIFY(m_informer.start());
        m_informer.answer = FakeInformer::table({{"127.0.3.1", "gate", ""}});
    }

    void defaultsWhenNothingRemembered_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("login");
        QTest::newRow("administrator level") << 2 << QByteArray("admin");
        QTest::newRow("guest level") << 0 << QByteArray("guest");
        QTest::newRow("negative level is guest") << -1 << QByteArray("guest");
    }

    void defaultsWhenNothingRemembered()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, login);
        const authorization_t a = lookup(record("127.0.1.1", "", level));
        QCOMPARE(a.login, login);
        QCOMPARE(a.password, CMD5Hash::DoHash(QString()).toLatin1());
        QCOMPARE(a.password, QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    }

    void addressMatchesOnlyItsLevel()
    {
        authorization_t op = record("127.0.2.1", "", 1, "operator");
        appendAuthorizationRecord(&op);
        QCOMPARE(lookup(record("127.0.2.1", "", 1)).login, QByteArray("operator"));
        QCOMPARE(lookup(record("127.0.2.1", "", 1)).password, QByteArray("operator-digest"));
        QCOMPARE(lookup(record("127.0.2.1", "", 2)).login, QByteArray("admin"));
    }

    // The informer's name for the address beats a record of the address.
    void nameBeatsAddress()
    {
        authorization_t byName = record("127.0.3.9", "gate", 2, "byname");
        authorization_t byUrl = record("127.0.3.1", "", 2, "byurl");
        writeStored({byName, byUrl});
        QTRY_COMPARE_WITH_TIMEOUT(lookup(record("127.0.3.1", "", 2)).login, QByteArray("byname"),
                                  7000);
        QCOMPARE(lookup(record("127.0.3.1", "", 2)).name, QByteArray("gate"));
        // A record that carries another name is not renamed and falls back to
        // its address.
        QCOMPARE(lookup(record("127.0.3.1", "porch", 2)).login, QByteArray("byurl"));
    }

    // Without a name to tell them apart, devices are told apart by address:
    // remembering or forgetting one nameless device leaves another alone.
    void namelessDevicesToldApartByAddress()
    {
        authorization_t first = record("127.0.4.1", "", 2, "one");
        authorization_t second = record("127.0.4.2", "", 2, "two");
        appendAuthorizationRecord(&first);
        appendAuthorizationRecord(&second);
        QCOMPARE(stored("127.0.4."), QList<Row>({{"", "127.0.4.1", "2", "one", "one-digest"},
                                                 {"", "127.0.4.2", "2", "two", "two-digest"}}));
        QCOMPARE(lookup(record("127.0.4.1", "", 2)).login, QByteArray("one"));

        // The same nameless device remembered again replaces its record.
        authorization_t firstAgain = record("127.0.4.1", "", 2, "uno");
        appendAuthorizationRecord(&firstAgain);
        QCOMPARE(stored("127.0.4."), QList<Row>({{"", "127.0.4.2", "2", "two", "two-digest"},
                                                 {"", "127.0.4.1", "2", "uno", "uno-digest"}}));

        removeAuthorizationRecord(&second);
        QCOMPARE(stored("127.0.4."), QList<Row>({{"", "127.0.4.1", "2", "uno", "uno-digest"}}));
        QCOMPARE(lookup(record("127.0.4.1", "", 2)).login, QByteArray("uno"));
    }

    // A name learnt later still meets the nameless record of its address.
    void namedRecordReplacesNamelessOfSameAddress()
    {
        authorization_t nameless = record("127.0.10.7", "", 2, "before");
        appendAuthorizationRecord(&nameless);
        authorization_t named = record("127.0.10.7", "yard", 2, "after");
        appendAuthorizationRecord(&named);
        QCOMPARE(stored("127.0.10.7"),
                 QList<Row>({{"yard", "127.0.10.7", "2", "after", "after-digest"}}));
    }

    void loadMergesWithoutDuplicates()
    {
        writeStored({record("127.0.5.1", "a", 2, "old"), record("127.0.5.2", "b", 2, "b"),
                     record("127.0.5.1", "a", 2, "new"), record("127.0.5.1", "a", 0, "guest")});
        loadAuthorization();
        loadAuthorization();
        storeAuthorization();
        QCOMPARE(stored("127.0.5."),
                 QList<Row>({{"a", "127.0.5.1", "2", "new", "new-digest"},
                             {"b", "127.0.5.2", "2", "b", "b-digest"},
                             {"a", "127.0.5.1", "0", "guest", "guest-digest"}}));
    }

    void unrememberedNeverWritten()
    {
        authorization_t once = record("127.0.6.1", "once", 2, "temp", false);
        appendAuthorizationRecord(&once);
        QCOMPARE(stored("127.0.6."), QList<Row>());
        storeAuthorization();
        QCOMPARE(stored("127.0.6."), QList<Row>());
    }

    void appendedRecordMovesToEnd()
    {
        authorization_t a = record("127.0.7.1", "a", 2, "first");
        authorization_t b = record("127.0.7.2", "b", 2, "b");
        appendAuthorizationRecord(&a);
        appendAuthorizationRecord(&b);
        authorization_t again = record("127.0.7.3", "a", 2, "second");
        appendAuthorizationRecord(&again);
        QCOMPARE(stored("127.0.7."),
                 QList<Row>({{"b", "127.0.7.2", "2", "b", "b-digest"},
                             {"a", "127.0.7.3", "2", "second", "second-digest"}}));

        removeAuthorizationRecord(&b);
        QCOMPARE(stored("127.0.7.").size(), 1);
        QCOMPARE(stored("127.0.7.").at(0).at(0), QString("a"));
    }

    // The forced dialog is the only source of credentials: its answer or 0.
    void forcedDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true;
        QTest::newRow("cancelled") << false;
    }

    void forcedDialog()
    {
        QFETCH(bool, accept);
        authorization_t a = record("127.0.8.1", "", 2, "kept");
        a.password = "kept-digest";
        QTimer::singleShot(0, this, [accept] {
            cDlg* dlg = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                dlg = dlg ? dlg : qobject_cast<cDlg*>(w);
            QVERIFY(dlg);
            QLineEdit* login = dlg->findChild<QLineEdit*>("lineEditLogin");
            login->setText("typed");
            dlg->findChild<QLineEdit*>("lineEditPassword")->setText("pw");
            auto* box = dlg->findChild<QDialogButtonBox*>("buttonBox");
            box->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(lookupAuthorization(&a, true), accept ? 1 : 0);
        QCOMPARE(a.login, accept ? QByteArray("typed") : QByteArray("kept"));
        QCOMPARE(a.password,
                 accept ? CMD5Hash::DoHash("pw").toLatin1() : QByteArray("kept-digest"));
    }
};

QTEST_MAIN(tst_Authorization)
#include "tst_authorization.moc"
