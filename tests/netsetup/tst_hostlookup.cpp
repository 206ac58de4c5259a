// A host that supplies its own lookupAuthorization, as the exported
// credential functions allow: this executable's definition takes the name,
// and the device link must ask it after a refused login, not only the
// library's login dialog.
#include "devicefixture.h"

#include "authorization/authorization.h"

namespace {

int g_asked = 0;
bool g_forced = false;
// What the host answers; a null login declines.
QByteArray g_login;
QByteArray g_password;

} // namespace

extern "C" int lookupAuthorization(authorization::authorization_t* a, bool forceDialog)
{
    ++g_asked;
    g_forced = forceDialog;
    if (g_login.isNull())
        return 0;
    a->login = g_login;
    a->password = g_password;
    return 1;
}

class tst_HostLookup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        g_asked = 0;
        g_forced = false;
    }
    void hostAnswersAfterRefusal();
    void hostDecliningIsAQuietCancel();
};

void tst_HostLookup::hostAnswersAfterRefusal()
{
    DeviceFixture device;
    device.sim.setCredentials("operator", "s3cret");
    g_login = "operator";
    g_password = device.sim.passwordDigest().toLatin1();
    NBXNetSetup setup(QString("admin:wrong@127.0.0.1:%1").arg(device.sim.port()));
    QStringList errors;
    QVERIFY(runExchange(
        setup, [&] { setup.load(); }, &errors));
    QCOMPARE(errors, QStringList());
    QCOMPARE(g_asked, 1);
    QVERIFY(g_forced);
    QCOMPARE(device.sim.log().logins().size(), 2);
    QVERIFY(device.sim.log().logins().at(1).accepted);
}

// Declining is no error: the link reports cancelled(), is idle, and a later
// load with good credentials runs.
void tst_HostLookup::hostDecliningIsAQuietCancel()
{
    DeviceFixture device;
    device.sim.setCredentials("operator", "s3cret");
    g_login = QByteArray();
    NBXNetSetup setup(QString("admin:wrong@127.0.0.1:%1").arg(device.sim.port()));
    QSignalSpy cancelled(&setup, &NBXSetup::cancelled);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QTRY_COMPARE(cancelled.count(), 1);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(g_asked, 1);
    QVERIFY(!setup.busy());

    g_login = "operator";
    g_password = device.sim.passwordDigest().toLatin1();
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
}

QTEST_MAIN(tst_HostLookup)
#include "tst_hostlookup.moc"
