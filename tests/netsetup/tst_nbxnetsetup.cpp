#include "../config/baddescriptions.h"
#include "authorization/authorization.h"
#include "devicefixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDomDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

const QByteArray kMarker("[ untitled ]\r\n");

// The files of the test device: logical name, file in the folder, sectionless.
const struct
{
    const char* name;
    const char* file;
    bool sectionless;
} kFiles[] = {
    {"streams", "streams.ini", false}, {"net", "net.ini", true},      {"soft", "soft.ini", true},
    {"time", "time.ini", true},        {"empty", "empty.ini", false}, {"state", "state.ini", false},
};

} // namespace

class tst_NBXNetSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadRegistersEveryFile();
    void sampleDeviceLoads();
    void slowBuildOnLoadDoneIsNoTimeout();
    void storeUploadsWhatChanged();
    void progressOverThreeCommands();
    void refusedDescriptionFetchesNothing_data();
    void refusedDescriptionFetchesNothing();
    void storeTrustsNoBrokenDescription();
    void failedExchangeLeavesTheLinkReady_data();
    void failedExchangeLeavesTheLinkReady();
    void faultsGiveOneMessageAndChangeNothing_data();
    void faultsGiveOneMessageAndChangeNothing();
    void linkFailures_data();
    void linkFailures();
    void addressSelectsHostAndPort();
    void loginReplies_data();
    void loginReplies();
    void refusedLoginAsksAndLoadsAgain();
    void refusedLoginRemembersOnlyWhatTheDeviceTakes();
    void refusedStoreIsRepeatedNotReloaded();
};

void tst_NBXNetSetup::initTestCase()
{
    static QTemporaryDir settingsDir;
    qputenv("PXSETTINGS_FILE", settingsDir.filePath("px.ini").toLocal8Bit());
}

void tst_NBXNetSetup::loadRegistersEveryFile()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));

    QByteArray description;
    QVERIFY(device.sim.folder().readFile("setup-m.xml", description));
    QCOMPARE(readLocal(setup.filePath("interface")), description);
    for (const auto& f : kFiles) {
        const QByteArray expected = (f.sectionless ? kMarker : QByteArray()) + device.bytes(f.file);
        QCOMPARE(readLocal(setup.filePath(f.name)), expected);
        QCOMPARE(readLocal(setup.filePath(QString(f.name) + ".original")), expected);
    }
    QCOMPARE(setup.value("streams/common/fps"), QString("25"));
    QCOMPARE(setup.value("net/untitled/a"), QString("1"));
    QCOMPARE(setup.value("general/network/login"), QString("admin"));
    QCOMPARE(setup.state(), 0);
}

// Whoever hears loadDone builds the dialog, running the event loop as it
// goes, for as long as that takes: the link's watchdog must be over by then.
void tst_NBXNetSetup::slowBuildOnLoadDoneIsNoTimeout()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    setup.setWatchdogInterval(100);
    QSignalSpy failed(&setup, &NBXSetup::pseudothrow);
    int stateWhenDone = -1;
    connect(&setup, &NBXSetup::loadDone, this, [&] {
        stateWhenDone = setup.state();
        QTest::qWait(400);
    });
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    QTest::qWait(100);
    QCOMPARE(failed.size(), 0);
    // Idle already: the builder may start the next exchange.
    QCOMPARE(stateWhenDone, 0);
}

void tst_NBXNetSetup::sampleDeviceLoads()
{
    QTemporaryDir dir;
    QVERIFY(DeviceFolder::copyFolder(VELK_SAMPLE_DEVICE, dir.path()));
    DeviceSim sim(dir.path());
    QVERIFY(sim.listen());
    NBXNetSetup setup(sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));

    QDomDocument doc;
    QVERIFY(doc.setContent(readLocal(setup.filePath("interface"))));
    const QDomElement di = doc.documentElement().firstChildElement("di");
    int files = 0;
    for (QDomElement f = di.firstChildElement("difile"); !f.isNull();
         f = f.nextSiblingElement("difile"), ++files) {
        QByteArray held;
        QVERIFY(sim.folder().readFile(f.attribute("get_command"), held));
        if (f.attribute("type") == "sectionless")
            held.prepend(kMarker);
        QCOMPARE(readLocal(setup.filePath(f.attribute("name"))), held);
    }
    QVERIFY(files > 0);
}

void tst_NBXNetSetup::storeUploadsWhatChanged()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QByteArray streamsBefore = device.bytes("streams.ini");
    const QByteArray softBefore = device.bytes("soft.ini");
    const QByteArray netBefore = device.bytes("net.ini");
    device.sim.log().clear();

    setup.setValue("streams/common/fps/12");
    setup.setValue("time/untitled/TIME_ZONE/UTC-4");
    QVERIFY(runExchange(setup, [&] { setup.function("save_settings"); }));

    QByteArray expectedStreams = streamsBefore;
    expectedStreams.replace("fps = 25\n", "fps = 12\n");
    QCOMPARE(device.bytes("streams.ini"), expectedStreams);
    QCOMPARE(device.bytes("net.ini"), netBefore);
    QCOMPARE(device.bytes("state.ini"),
             QByteArray("[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\nFPS=12;\n"));
    QCOMPARE(device.bytes("soft.ini"), softBefore);

    // Only the edited files, and the state file compiled on the store; the
    // unedited net.ini and empty.ini stay as the device has them.
    QMap<QByteArray, QByteArray> sent;
    for (const DeviceRequest& r : device.sim.log().requests())
        sent.insert(r.line, r.wire());
    QCOMPARE(sent.keys(),
             QList<QByteArray>({"PUT CONFIG\r\n", "PUT STATE CONFIG\r\n", "PUT TIME CONFIG\r\n"}));
    // The time file lost its marker line even though the settings writer
    // rewrote it, and its clock goes out empty: only the clock's own button
    // sets the clock.
    const QByteArray time = device.bytes("time.ini");
    QVERIFY2(time.startsWith("TIME_ZONE = 'UTC-4'\n"), time.constData());
    QVERIFY(!time.contains("untitled"));
    QVERIFY2(QRegularExpression("(^|\n)YYYYMMDDHHMMSS *= *\n")
                 .match(QString::fromLatin1(time))
                 .hasMatch(),
             time.constData());

    // Stored, the files are the device's again: a second store sends none.
    device.sim.log().clear();
    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    for (const DeviceRequest& r : device.sim.log().requests())
        QVERIFY2(r.length < 0, r.line.constData());
}

void tst_NBXNetSetup::progressOverThreeCommands()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    device.write("three.xml",
                 "<pxsetup><di>"
                 "<difile name=\"streams\" get_command=\"GET CONFIG\" "
                 "put_command=\"PUT CONFIG\"/>"
                 "<difile name=\"net\" get_command=\"net.ini\" put_command=\"net.ini\"/>"
                 "<difile name=\"state\" get_command=\"GET STATE CONFIG\" "
                 "put_command=\"PUT STATE CONFIG\" type=\"state\"/>"
                 "</di></pxsetup>");
    setup.setFilePath("interface", device.path("three.xml"));
    // Each of the three goes out only when it changed.
    setup.setValue("streams/common/fps/12");
    QFile net(setup.filePath("net"));
    QVERIFY(net.open(QIODevice::Append));
    net.write("b=2\n");
    net.close();

    QSignalSpy progress(&setup, &NBXSetup::progress);
    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    QList<int> seen;
    for (const QList<QVariant>& p : qAsConst(progress))
        seen.append(p.at(0).toInt());
    QCOMPARE(seen, QList<int>({0, 33, 66, 100}));
}

void tst_NBXNetSetup::refusedDescriptionFetchesNothing_data()
{
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<QString>("message"); // %1 names the device
    for (const BadDescription& d : badDescriptions("GET CONFIG"))
        QTest::newRow(d.row) << d.packed << d.message;
    QTest::newRow("no files listed") << gzipped("<pxsetup version=\"1.0\"><di/></pxsetup>")
                                     << "The setup description %1 lists no files.";
}

void tst_NBXNetSetup::refusedDescriptionFetchesNothing()
{
    QFETCH(QByteArray, packed);
    QFETCH(QString, message);
    DeviceFixture device;
    device.write("setup-m.xml.gz", packed);
    NBXNetSetup setup(device.sim.linkAddress());
    QStringList errors;
    QVERIFY(!runExchange(
        setup, [&] { setup.load(); }, &errors));
    QCOMPARE(errors.size(), 1);
    const QString from = "from " + setup.value("general/network/url");
    QVERIFY2(errors.at(0).startsWith(message.arg(from)), qPrintable(errors.at(0)));
    QCOMPARE(setup.state(), 0);
    QCOMPARE(device.sim.log().requests().size(), 1);
    QCOMPARE(device.sim.log().requests().at(0).line, QByteArray("GET SETUP\r\n"));
    QVERIFY(!setup.fileExists("interface"));
    QVERIFY(!setup.fileExists("streams"));

    // The same link loads the device once its description is sound again.
    QVERIFY(QFile::remove(device.path("setup-m.xml.gz")));
    device.sim.folder().reload();
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    QCOMPARE(setup.value("streams/common/fps"), QString("25"));
}

void tst_NBXNetSetup::storeTrustsNoBrokenDescription()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QString sound = setup.filePath("interface");
    setup.setValue("streams/common/fps/12");
    device.write("broken.xml", "<pxsetup><di><difile name=\"streams\" get_command=\"GET CONFIG\" "
                               "put_command=\"PUT CONFIG\"/></di><window></pxsetup>");
    setup.setFilePath("interface", device.path("broken.xml"));
    device.sim.log().clear();

    QStringList errors;
    QVERIFY(!runExchange(
        setup, [&] { setup.store(); }, &errors));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.at(0).startsWith("The setup description from " +
                                     setup.value("general/network/url") + " is not well-formed"),
             qPrintable(errors.at(0)));
    QVERIFY(device.sim.log().requests().isEmpty());
    QVERIFY(device.bytes("streams.ini").contains("fps = 25\n"));

    setup.setFilePath("interface", sound);
    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    QVERIFY(device.bytes("streams.ini").contains("fps = 12\n"));
}

void tst_NBXNetSetup::failedExchangeLeavesTheLinkReady_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("message");
    const struct
    {
        const char* fault;
        const char* message;
    } faults[] = {
        {"error:disk busy", "Device error \"disk busy\""},
        {"silent", "Device timed out"},
        {"close-mid-frame", "Network error 1: the remote host closed the connection (<device>)"},
        {"garbage", "Wrong device answer"},
        {"huge-length", "Wrong device answer"},
    };
    for (const auto& f : faults) {
        for (const char* operation : {"load", "store", "get_report"}) {
            QTest::addRow("%s, %s", f.fault, operation)
                << QString(f.fault) << QString(operation) << QString(f.message);
        }
    }
}

void tst_NBXNetSetup::failedExchangeLeavesTheLinkReady()
{
    QFETCH(QString, fault);
    QFETCH(QString, operation);
    QFETCH(QString, message);
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    setup.setWatchdogInterval(300);
    if (operation != "load")
        QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const auto run = [&] {
        if (operation == "load")
            setup.load();
        else if (operation == "store")
            setup.store();
        else
            setup.function(operation);
    };

    QVERIFY(DeviceFaults::parse(fault, device.sim.faults()));
    // A store sends only what changed.
    if (operation == "store")
        setup.setValue("streams/common/fps/12");
    QStringList errors;
    QVERIFY(!runExchange(setup, run, &errors));
    QCOMPARE(errors, QStringList(device.named(message)));
    QCOMPARE(setup.state(), 0);

    // Nothing of the failed exchange is left to refuse or disturb the next
    // one: it runs on the same link without a message.
    device.sim.faults() = DeviceFaults();
    QVERIFY(runExchange(setup, run));
}

void tst_NBXNetSetup::faultsGiveOneMessageAndChangeNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("error with a message") << "error:disk busy"
                                          << "Device error \"disk busy\"";
    QTest::newRow("error without a message") << "error"
                                             << "Device error \"\"";
    QTest::newRow("silent past the watchdog") << "silent"
                                              << "Device timed out";
    QTest::newRow("closed in the middle of a frame")
        << "close-mid-frame"
        << "Network error 1: the remote host closed the connection (<device>)";
    QTest::newRow("garbage") << "garbage"
                             << "Wrong device answer";
    QTest::newRow("huge length") << "huge-length"
                                 << "Wrong device answer";
}

void tst_NBXNetSetup::faultsGiveOneMessageAndChangeNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);

    DeviceFixture device;
    device.sim.setCredentials("admin", "s3cret");
    NBXNetSetup setup(device.sim.linkAddress());
    setup.setWatchdogInterval(300);
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QMap<QString, QByteArray> before = device.snapshot();
    QVERIFY(DeviceFaults::parse(fault, device.sim.faults()));

    setup.setValue("streams/common/fps/12");
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.store();
    QTRY_VERIFY(!errors.isEmpty());
    const QString shown = errors.first().at(0).toString();
    QCOMPARE(shown, device.named(message));
    QVERIFY(!shown.contains(device.sim.passwordDigest()));
    // Nothing more follows, not even the watchdog, and the link is idle again.
    QTest::qWait(600);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(setup.state(), 0);
    QCOMPARE(device.snapshot(), before);
}

void tst_NBXNetSetup::linkFailures_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");
    QTest::newRow("no @") << "admin:secret-127.0.0.1"
                          << "Wrong network address \"admin:***\"<br>Correct one is "
                             "login:password@address[:port]";
    QTest::newRow("port not a number") << "a:secret@127.0.0.1:http"
                                       << "Wrong network address \"a:***@127.0.0.1:http\"<br>"
                                          "Correct one is login:password@address[:port]";
    QTest::newRow("nobody listening") << "a:secret@127.0.0.1:%1"
                                      << "Network error 0: connection refused (127.0.0.1:%1)";
}

void tst_NBXNetSetup::linkFailures()
{
    QFETCH(QString, address);
    QFETCH(QString, message);
    if (address.contains("%1")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address = address.arg(closed.serverPort());
        message = message.arg(closed.serverPort());
    }
    NBXNetSetup setup(address);
    QStringList errors;
    QVERIFY(!runExchange(
        setup, [&] { setup.load(); }, &errors));
    QCOMPARE(errors, QStringList(message));
    QVERIFY(!errors.first().contains("secret"));
    QCOMPARE(setup.state(), 0);
}

void tst_NBXNetSetup::addressSelectsHostAndPort()
{
    // A loopback address of its own, so the default port is free to take.
    QTcpServer server;
    if (!server.listen(QHostAddress("127.0.58.49"), NBXNetSetup::kDefaultPort))
        QSKIP("127.0.58.49:5049 is not available here");
    NBXNetSetup setup("log:in:pa@ss@127.0.58.49");
    setup.load();
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket* peer = server.nextPendingConnection();
    const QByteArray login("\x04LOGIN=log:in\r\nPASS=pa@ss\r\n");
    QTRY_COMPARE(peer->bytesAvailable(), qint64(login.size()));
    QCOMPARE(peer->readAll(), login);
    QCOMPARE(setup.value("general/network/url"), QString("127.0.58.49"));
}

void tst_NBXNetSetup::loginReplies_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("accepted in two pieces")
        << QByteArrayList({"LENGTH=16\r\nVELK_", "ANSWER=OK\r\n"}) << true;
    QTest::newRow("anything else waits for the watchdog")
        << QByteArrayList({"LENGTH=16\r\nVELK_ANSWER=OK\r\nX"}) << false;
}

void tst_NBXNetSetup::loginReplies()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, accepted);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    NBXNetSetup setup(QString("a:b@127.0.0.1:%1").arg(server.serverPort()));
    setup.setWatchdogInterval(300);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY(peer->bytesAvailable() > 0);
    peer->readAll();
    for (const QByteArray& piece : pieces) {
        peer->write(piece);
        peer->flush();
        QTest::qWait(50);
    }
    if (accepted) {
        QByteArray request;
        QTRY_VERIFY((request += peer->readAll()).endsWith("\r\n"));
        QCOMPARE(request, QByteArray("GET SETUP\r\n"));
        QCOMPARE(setup.state(), 4);
        QVERIFY(errors.isEmpty());
    } else {
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(errors.first().at(0).toString(), QString("Device timed out"));
    }
}

namespace {

// Answers the login dialog each time it shows, with the next of `answers`
// (the last again once they run out): `look` sees the dialog first, then the
// login and password are typed, "Remember password" checked and OK pressed.
struct DialogAnswerer
{
    struct Answer
    {
        QString login;
        QString password;
    };
    QList<Answer> answers;
    std::function<void(QDialog&)> look;
    int shown = 0;
    QTimer timer;

    explicit DialogAnswerer(const QList<Answer>& answers = {{"operator", "s3cret"}})
        : answers(answers)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg || dlg->objectName() != QLatin1String("cDlg"))
                return;
            if (look)
                look(*dlg);
            const Answer& answer = this->answers.at(qMin(shown, this->answers.size() - 1));
            ++shown;
            auto* login = dlg->findChild<QLineEdit*>("lineEditLogin");
            login->clear();
            QTest::keyClicks(login, answer.login);
            QTest::keyClicks(dlg->findChild<QLineEdit*>("lineEditPassword"), answer.password);
            dlg->findChild<QCheckBox*>("checkBoxRemember")->setChecked(true);
            QTest::mouseClick(
                dlg->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok),
                Qt::LeftButton);
        });
        timer.start(20);
    }
};

// What the credential store remembers for `url`: no login when nothing.
authorization::authorization_t remembered(const QString& url)
{
    authorization::authorization_t probe;
    probe.url = url.toLocal8Bit();
    probe.level = 2;
    lookupByURL(probe);
    return probe;
}

QString labelText(const QDialog& d, const char* name)
{
    const auto* label = d.findChild<QLabel*>(name);
    return label ? label->text() : QString("<no %1>").arg(name);
}

} // namespace

void tst_NBXNetSetup::refusedLoginAsksAndLoadsAgain()
{
    DeviceFixture device;
    device.sim.setCredentials("operator", "s3cret");
    NBXNetSetup setup(QString("admin:wrong@127.0.0.1:%1").arg(device.sim.port()));

    DialogAnswerer dialog;
    QStringList errors;
    QVERIFY(runExchange(
        setup, [&] { setup.load(); }, &errors, 10000));
    QCOMPARE(errors, QStringList());
    QCOMPARE(dialog.shown, 1);

    QCOMPARE(device.sim.log().logins().size(), 2);
    QVERIFY(!device.sim.log().logins().at(0).accepted);
    QVERIFY(device.sim.log().logins().at(1).accepted);
    QCOMPARE(setup.value("general/network/login"), QString("operator"));
    QCOMPARE(setup.value("streams/common/fps"), QString("25"));

    const authorization::authorization_t kept = remembered(setup.value("general/network/url"));
    QCOMPARE(kept.login, QByteArray("operator"));
    QCOMPARE(kept.password, device.sim.passwordDigest().toLatin1());
}

// Each refusal is explained with the login that was tried, which the dialog
// offers again; what the user asks to remember is remembered only once the
// device has taken it, so a mistyped password is never kept.
void tst_NBXNetSetup::refusedLoginRemembersOnlyWhatTheDeviceTakes()
{
    DeviceFixture device;
    device.sim.setCredentials("admin", "s3cret");
    const QString url = QString("127.0.0.1:%1").arg(device.sim.port());
    NBXNetSetup setup("admin:wrong@" + url);

    struct Seen
    {
        QString refusal;
        QString login;
        QString windowTitle;
        bool remembered;
    };
    QList<Seen> seen;
    DialogAnswerer dialog({{"operator", "guess"}, {"admin", "s3cret"}});
    dialog.look = [&](QDialog& d) {
        seen.append({labelText(d, "labelRefusal"), d.findChild<QLineEdit*>("lineEditLogin")->text(),
                     d.windowTitle(), !remembered(url).login.isEmpty()});
    };
    QStringList errors;
    QVERIFY(runExchange(
        setup, [&] { setup.load(); }, &errors, 10000));
    QCOMPARE(errors, QStringList());

    QCOMPARE(seen.size(), 2);
    const QStringList tried = {"admin", "operator"};
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen[i].refusal, QString("The device refused login \"%1\"").arg(tried[i]));
        QCOMPARE(seen[i].login, tried[i]);
        QVERIFY2(seen[i].windowTitle.contains(url), qPrintable(seen[i].windowTitle));
        QVERIFY2(!seen[i].remembered, "remembered before the device took it");
    }
    QCOMPARE(device.sim.log().logins().size(), 3);
    QVERIFY(device.sim.log().logins().at(2).accepted);
    QCOMPARE(remembered(url).login, QByteArray("admin"));
    QCOMPARE(remembered(url).password, device.sim.passwordDigest().toLatin1());
}

void tst_NBXNetSetup::refusedStoreIsRepeatedNotReloaded()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    device.sim.setCredentials("operator", "s3cret");
    setup.setValue("streams/common/fps/12");

    DialogAnswerer dialog;
    QSignalSpy loaded(&setup, &NBXSetup::loadDone);
    QStringList errors;
    QVERIFY(runExchange(
        setup, [&] { setup.store(); }, &errors, 10000));
    QCOMPARE(errors, QStringList());
    QCOMPARE(dialog.shown, 1);
    QCOMPARE(loaded.count(), 0);
    QVERIFY(device.bytes("streams.ini").contains("fps = 12\n"));
    QCOMPARE(setup.value("streams/common/fps"), QString("12"));
}

QTEST_MAIN(tst_NBXNetSetup)
#include "tst_nbxnetsetup.moc"
