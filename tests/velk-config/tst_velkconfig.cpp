// velk-config end to end: the program as a child process, three emulated
// recorders on loopback in this process, each with a scratch copy of the
// sample device.
#include "devicesim.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A bound for one run, far above what any run needs.
constexpr int kRunBoundMs = 120000;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;

    // The final table's line for a device, or nothing.
    QString row(const QString& device) const
    {
        for (const QString& line : err.split(QLatin1Char('\n'))) {
            if (line.startsWith(device + QLatin1Char(' ')))
                return line.simplified();
        }
        return QString();
    }
};

struct Device
{
    QTemporaryDir dir;
    DeviceSim sim;

    Device() : sim(dir.path())
    {
        if (!DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir.path()))
            qFatal("cannot copy the sample device");
        if (!sim.listen())
            qFatal("cannot listen: %s", qPrintable(sim.errorString()));
    }

    QString address() const { return QStringLiteral("admin@") + display(); }
    QString display() const
    {
        return QStringLiteral("%1:%2").arg(sim.hostAddress().toString()).arg(sim.port());
    }
    QByteArray file(const QString& name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Requests that brought a file: what was stored on the device.
    int uploads()
    {
        int n = 0;
        for (const DeviceRequest& r : sim.log().requests())
            n += r.length > 0 ? 1 : 0;
        return n;
    }
    // The sample's net.ini with one line replaced, as if set on the device.
    void editNet(const QByteArray& from, const QByteArray& to)
    {
        QByteArray text = file(QStringLiteral("net.ini"));
        text.replace(from, to);
        QFile f(dir.filePath(QStringLiteral("net.ini")));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            qFatal("cannot edit net.ini");
    }
};

} // namespace

class tst_VelkConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void setOnThreeDevices();
    void verifyMismatchNamesTheKey();
    void getPrintsValues();
    void manyMoreDevicesThanJobs();
    void jobsEndingTogether();
    void exportThenImportOnAnotherDevice();
    void exportManyIntoOneFolder();
    void refusedBeforeAnythingIsStored_data();
    void refusedBeforeAnythingIsStored();
    void dryRunShowsChangesAndStoresNothing();
    void siteImportLeavesRecorderOwnKeys();
    void importGivingRecordersOneAddressIsRefused();
    void getOfMissingKeyFailsThatRecorder();
    void passwordSources_data();
    void passwordSources();
    void refusedLoginFailsThatRecorderAlone();
    void recorderListedTwiceRunsOnce();
    void timeoutDuringStoreSaysSo();
    void jsonReportsChangesOnce();
    void commandLineErrors_data();
    void commandLineErrors();
    void helpWithoutDisplay();

private:
    Run run(const QStringList& args, const QProcessEnvironment& env = {});
    QString deviceList() const;
    QString writeScratch(const QString& name, const QByteArray& text) const;

    std::unique_ptr<Device> m_devices[3];
    QTemporaryDir m_scratch;
};

void tst_VelkConfig::init()
{
    for (auto& d : m_devices)
        d = std::make_unique<Device>();
}

Run tst_VelkConfig::run(const QStringList& args, const QProcessEnvironment& env)
{
    // The emulators live in this process, so the wait must keep the event
    // loop turning.
    QProcess process;
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(VELK_CONFIG), args);
    Run r;
    if (!process.waitForStarted() || !finished.wait(kRunBoundMs)) {
        process.kill();
        process.waitForFinished();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

// The three devices, one address a line, as an installer writes them.
QString tst_VelkConfig::deviceList() const
{
    const QString path = m_scratch.filePath(QStringLiteral("devices.txt"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the device list");
    f.write("# site A\n");
    for (const auto& d : m_devices)
        f.write(QStringLiteral("admin@%1\n").arg(d->display()).toUtf8());
    return path;
}

void tst_VelkConfig::setOnThreeDevices()
{
    // The third recorder fails its store; the two others must not care.
    m_devices[2]->sim.faults().mode = DeviceFaults::AnswerError;
    m_devices[2]->sim.faults().message = "disk full";
    m_devices[2]->sim.faults().uploadsOnly = true;
    const QByteArray untouched = m_devices[2]->file(QStringLiteral("net.ini"));

    const Run r =
        run({QStringLiteral("set"), QStringLiteral("--devices"), deviceList(),
             QStringLiteral("--password"), QStringLiteral("admin"), QStringLiteral("--jobs"),
             QStringLiteral("3"), QStringLiteral("net/common/hostname=site-a"),
             QStringLiteral("net/static/ip=10.0.0.7")});
    QCOMPARE(r.exitCode, 4);
    for (int i = 0; i < 2; ++i) {
        QVERIFY2(r.row(m_devices[i]->display()).contains(QLatin1String(" ok ")), qPrintable(r.err));
        QVERIFY(r.row(m_devices[i]->display()).contains(QLatin1String("2 key(s) read back")));
        const QByteArray net = m_devices[i]->file(QStringLiteral("net.ini"));
        QVERIFY2(net.contains("hostname = site-a") || net.contains("hostname = 'site-a'"),
                 net.constData());
        QVERIFY(net.contains("10.0.0.7"));
        // The state file was compiled from the new values before it went out.
        QVERIFY2(m_devices[i]->file(QStringLiteral("state.ini")).contains("HOSTNAME=site-a;"),
                 m_devices[i]->file(QStringLiteral("state.ini")).constData());
    }
    const QString faulty = r.row(m_devices[2]->display());
    QVERIFY2(faulty.contains(QLatin1String(" failed ")) &&
                 faulty.contains(QLatin1String("disk full")),
             qPrintable(r.err));
    QCOMPARE(m_devices[2]->file(QStringLiteral("net.ini")), untouched);
    // One progress line per device.
    QCOMPARE(r.err.count(QRegularExpression(QStringLiteral("^\\[\\d/3\\] "),
                                            QRegularExpression::MultilineOption)),
             3);
}

void tst_VelkConfig::verifyMismatchNamesTheKey()
{
    // The recorder acknowledges the upload but keeps no hostname.
    Device& d = *m_devices[0];
    QVERIFY(DeviceFaults::parse(QStringLiteral("drop-key:net/common/hostname"), d.sim.faults()));

    const Run r =
        run({QStringLiteral("set"), QStringLiteral("admin@%1").arg(d.display()),
             QStringLiteral("--password"), QStringLiteral("admin"),
             QStringLiteral("net/common/hostname=lost"), QStringLiteral("net/static/ip=10.0.0.8")});
    QCOMPARE(r.exitCode, 6);
    const QString row = r.row(d.display());
    QVERIFY2(row.contains(QLatin1String(" mismatch ")), qPrintable(r.err));
    QVERIFY2(row.contains(QLatin1String("net/common/hostname wrote \"lost\", read \"\"")),
             qPrintable(row));
    // Only the dropped key is named; the other one arrived.
    QVERIFY(!row.contains(QLatin1String("net/static/ip")));
    QVERIFY(d.file(QStringLiteral("net.ini")).contains("10.0.0.8"));
}

void tst_VelkConfig::getPrintsValues()
{
    m_devices[1]->editNet("hostname = 'velk-nvr'", "hostname = 'second'");
    const QStringList keys = {QStringLiteral("net/common/hostname"),
                              QStringLiteral("net/static/ip")};

    const Run one = run(QStringList{QStringLiteral("get"),
                                    QStringLiteral("admin@%1").arg(m_devices[0]->display()),
                                    QStringLiteral("--password"), QStringLiteral("admin")} +
                        keys);
    QCOMPARE(one.exitCode, 0);
    QCOMPARE(one.out, QStringLiteral("net/common/hostname=velk-nvr\nnet/static/ip=192.168.1.20\n"));

    const Run many =
        run(QStringList{QStringLiteral("get"), QStringLiteral("--devices"), deviceList(),
                        QStringLiteral("--password"), QStringLiteral("admin")} +
            keys);
    QCOMPARE(many.exitCode, 0);
    const QStringList lines = many.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(2), m_devices[1]->display() + QStringLiteral(" net/common/hostname=second"));
    QCOMPARE(lines.at(5), m_devices[2]->display() + QStringLiteral(" net/static/ip=192.168.1.20"));
}

void tst_VelkConfig::manyMoreDevicesThanJobs()
{
    // Refused connections end jobs within one turn of the event loop, so
    // several free places are taken at once, down to the last device.
    QStringList addresses;
    for (int i = 0; i < 12; ++i) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        addresses.append(QStringLiteral("admin@127.0.0.1:%1").arg(closed.serverPort()));
    }
    for (const auto& d : m_devices)
        addresses.append(QStringLiteral("admin@%1").arg(d->display()));
    const QString list = m_scratch.filePath(QStringLiteral("many.txt"));
    QFile f(list);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(addresses.join(QLatin1Char('\n')).toUtf8());
    f.close();

    const Run r =
        run({QStringLiteral("get"), QStringLiteral("--devices"), list, QStringLiteral("--password"),
             QStringLiteral("admin"), QStringLiteral("--jobs"), QStringLiteral("3"),
             QStringLiteral("net/common/hostname")});
    QCOMPARE(r.exitCode, 4);
    for (int i = 0; i < 12; ++i)
        QVERIFY2(r.row(addresses.at(i).mid(6)).contains(QLatin1String(" failed ")),
                 qPrintable(r.err));
    QCOMPARE(r.out.count(QLatin1String("net/common/hostname=velk-nvr")), 3);
}

void tst_VelkConfig::jobsEndingTogether()
{
    // Two recorders that never answer, given up on by timers started in the
    // same instant: both places come free before the third recorder starts.
    for (auto& d : m_devices)
        d->sim.faults().mode = DeviceFaults::Silent;

    const Run r = run({QStringLiteral("get"), QStringLiteral("--devices"), deviceList(),
                       QStringLiteral("--password"), QStringLiteral("admin"),
                       QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--timeout"),
                       QStringLiteral("1"), QStringLiteral("net/common/hostname")});
    QCOMPARE(r.exitCode, 4);
    for (const auto& d : m_devices)
        QVERIFY2(r.row(d->display()).contains(QLatin1String(" timeout ")), qPrintable(r.err));
}

void tst_VelkConfig::exportThenImportOnAnotherDevice()
{
    Device& from = *m_devices[0];
    Device& to = *m_devices[1];
    from.editNet("hostname = 'velk-nvr'", "hostname = 'exported'");
    from.editNet("ip = '192.168.1.20'", "ip = '10.9.8.7'");
    const QString exported = m_scratch.filePath(QStringLiteral("from.cfg"));
    const QString address = QStringLiteral("admin@%1");
    const QStringList password = {QStringLiteral("--password"), QStringLiteral("admin")};

    Run r = run(QStringList{QStringLiteral("export"), address.arg(from.display()), exported} +
                password);
    QCOMPARE(r.exitCode, 0);
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("net/common/hostname/exported\n"), text.constData());

    r = run(QStringList{QStringLiteral("import"), address.arg(to.display()), exported} + password);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.row(to.display()).contains(QLatin1String(" ok ")), qPrintable(r.err));
    QVERIFY2(r.row(to.display()).contains(QLatin1String("left out as this recorder's own")),
             qPrintable(r.err));

    // What the other device exports now is what was imported, line by line,
    // but for its own address and name.
    QByteArray expected = text;
    expected.replace("hostname/exported", "hostname/velk-nvr");
    expected.replace("ip/10.9.8.7", "ip/192.168.1.20");
    const QString again = m_scratch.filePath(QStringLiteral("to.cfg"));
    r = run(QStringList{QStringLiteral("export"), address.arg(to.display()), again} + password);
    QCOMPARE(r.exitCode, 0);
    QFile second(again);
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), expected);
}

void tst_VelkConfig::exportManyIntoOneFolder()
{
    m_devices[2]->editNet("hostname = 'velk-nvr'", "hostname = 'third'");
    const QString folder = m_scratch.filePath(QStringLiteral("site/exports"));

    const Run r = run({QStringLiteral("export"), QStringLiteral("--devices"), deviceList(),
                       QStringLiteral("--password"), QStringLiteral("admin"), folder});
    QCOMPARE(r.exitCode, 0);
    for (const auto& d : m_devices) {
        QFile f(QDir(folder).filePath(d->display().replace(QLatin1Char(':'), QLatin1Char('_')) +
                                      QStringLiteral(".cfg")));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        const bool third = d == m_devices[2];
        QVERIFY(f.readAll().contains(third ? "net/common/hostname/third\n"
                                           : "net/common/hostname/velk-nvr\n"));
    }
}

QString tst_VelkConfig::writeScratch(const QString& name, const QByteArray& text) const
{
    const QString path = m_scratch.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_VelkConfig::refusedBeforeAnythingIsStored_data()
{
    QTest::addColumn<QStringList>("assignments");
    QTest::addColumn<QStringList>("named");

    QTest::newRow("typo in the key")
        << QStringList{QStringLiteral("net/common/hostnme=gate")}
        << QStringList{QStringLiteral("has no key net/common/hostnme")};
    QTest::newRow("address out of range, with a good key beside it")
        << QStringList{QStringLiteral("net/dns/server1=10.0.0.1"),
                       QStringLiteral("net/static/ip=999.999.999.999")}
        << QStringList{QStringLiteral("net/static/ip: \"999.999.999.999\" is not accepted"),
                       QStringLiteral("must match ((25[0-5]")};
    QTest::newRow("host name with a blank")
        << QStringList{QStringLiteral("net/common/hostname=gate two")}
        << QStringList{QStringLiteral("net/common/hostname: \"gate two\" is not accepted")};
    QTest::newRow("file the recorder lacks")
        << QStringList{QStringLiteral("nets/common/dhcp=1")}
        << QStringList{QStringLiteral("no settings file \"nets\"")};
}

void tst_VelkConfig::refusedBeforeAnythingIsStored()
{
    QFETCH(QStringList, assignments);
    QFETCH(QStringList, named);
    Device& d = *m_devices[0];
    const QByteArray before = d.file(QStringLiteral("net.ini"));

    const Run r = run(QStringList{QStringLiteral("set"), d.address(), QStringLiteral("--password"),
                                  QStringLiteral("admin")} +
                      assignments);
    QCOMPARE(r.exitCode, 2);
    const QString row = r.row(d.display());
    QVERIFY2(row.contains(QLatin1String(" refused ")), qPrintable(r.err));
    for (const QString& text : named)
        QVERIFY2(row.contains(text), qPrintable(row));
    QCOMPARE(d.uploads(), 0);
    QCOMPARE(d.file(QStringLiteral("net.ini")), before);
    QVERIFY(r.out.isEmpty());
}

void tst_VelkConfig::dryRunShowsChangesAndStoresNothing()
{
    Device& d = *m_devices[0];
    const QStringList args = {QStringLiteral("set"),
                              d.address(),
                              QStringLiteral("--password"),
                              QStringLiteral("admin"),
                              QStringLiteral("net/static/ip=10.0.0.5"),
                              QStringLiteral("net/common/hostname=velk-nvr"),
                              QStringLiteral("net/common/added=1")};

    Run r = run(args + QStringList{QStringLiteral("--dry-run"), QStringLiteral("--create")});
    QCOMPARE(r.exitCode, 0);
    // The unchanged host name is not listed; a key to be created has no old value.
    QCOMPARE(r.out, QStringLiteral("net/static/ip: \"192.168.1.20\" -> \"10.0.0.5\"\n"
                                   "net/common/added: (none) -> \"1\"\n"));
    QCOMPARE(d.uploads(), 0);

    // Without --create the new key is refused, dry run or not.
    r = run(args + QStringList{QStringLiteral("--dry-run")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.row(d.display()).contains(QLatin1String("has no key net/common/added")),
             qPrintable(r.err));

    r = run(args + QStringList{QStringLiteral("--create")});
    QCOMPARE(r.exitCode, 0);
    const QByteArray net = d.file(QStringLiteral("net.ini"));
    QVERIFY2(net.contains("added = 1") && net.contains("10.0.0.5"), net.constData());
}

void tst_VelkConfig::siteImportLeavesRecorderOwnKeys()
{
    Device& from = *m_devices[0];
    from.editNet("hostname = 'velk-nvr'", "hostname = 'first'");
    from.editNet("server1 = '192.168.1.1'", "server1 = '10.1.1.1'");
    m_devices[2]->editNet("hostname = 'velk-nvr'", "hostname = 'third'");
    const QString exported = m_scratch.filePath(QStringLiteral("site.cfg"));
    // The DNS server is left out of this export: the import must not bring it.
    Run r = run({QStringLiteral("export"), from.address(), exported, QStringLiteral("--password"),
                 QStringLiteral("admin"), QStringLiteral("--exclude"),
                 QStringLiteral("net/dns/server1,time/untitled/USENTP")});
    QCOMPARE(r.exitCode, 0);
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(!text.contains("net/dns/server1") && !text.contains("USENTP") &&
                 text.contains("net/common/hostname/first"),
             text.constData());
    file.close();
    // What the site shares, changed in the file by hand.
    QByteArray edited = text;
    edited.replace("net/static/gateway/192.168.1.1", "net/static/gateway/10.1.1.254");
    writeScratch(QStringLiteral("site.cfg"), edited);

    r = run({QStringLiteral("import"), QStringLiteral("--devices"), deviceList(),
             QStringLiteral("--password"), QStringLiteral("admin"), exported});
    QCOMPARE(r.exitCode, 0);
    const char* hostnames[] = {"hostname = 'first'", "hostname = 'velk-nvr'", "hostname = 'third'"};
    for (int i = 0; i < 3; ++i) {
        const QByteArray net = m_devices[i]->file(QStringLiteral("net.ini"));
        QVERIFY2(net.contains(hostnames[i]) && net.contains("ip = '192.168.1.20'") &&
                     net.contains("gateway = '10.1.1.254'"),
                 net.constData());
        QVERIFY2(i == 0 || net.contains("server1 = '192.168.1.1'"), net.constData());
    }
}

void tst_VelkConfig::importGivingRecordersOneAddressIsRefused()
{
    const QString file = writeScratch(QStringLiteral("one.cfg"), "net/static/ip/10.0.0.7\n"
                                                                 "net/static/gateway/10.0.0.1\n");
    const QStringList base = {QStringLiteral("import"),
                              QStringLiteral("--password"),
                              QStringLiteral("admin"),
                              QStringLiteral("--only"),
                              QStringLiteral("net/static/ip"),
                              QStringLiteral("--only"),
                              QStringLiteral("net/static/gateway")};

    Run r = run(base + QStringList{QStringLiteral("--devices"), deviceList(), file});
    QCOMPARE(r.exitCode, 2);
    for (const auto& d : m_devices) {
        QVERIFY2(r.row(d->display())
                     .contains(QLatin1String(
                         "would give all 3 recorders the same net/static/ip \"10.0.0.7\"")),
                 qPrintable(r.err));
        QCOMPARE(d->uploads(), 0);
    }

    // Named for one recorder alone, the address is its to take.
    r = run(base + QStringList{m_devices[1]->address(), file});
    QCOMPARE(r.exitCode, 0);
    const QByteArray net = m_devices[1]->file(QStringLiteral("net.ini"));
    QVERIFY2(net.contains("ip = '10.0.0.7'") && net.contains("gateway = '10.0.0.1'"),
             net.constData());
}

void tst_VelkConfig::getOfMissingKeyFailsThatRecorder()
{
    // An empty value is a value; a key the file lacks is not.
    m_devices[0]->editNet("server1 = '192.168.1.1'", "server1 = ''");
    m_devices[1]->editNet("server1 = '192.168.1.1'", "; no DNS server");

    const Run r = run({QStringLiteral("get"), QStringLiteral("--devices"), deviceList(),
                       QStringLiteral("--password"), QStringLiteral("admin"),
                       QStringLiteral("net/common/hostname"), QStringLiteral("net/dns/server1")});
    QCOMPARE(r.exitCode, 4);
    const QString failed = r.row(m_devices[1]->display());
    QVERIFY2(failed.contains(QLatin1String(" failed ")) &&
                 failed.contains(QLatin1String("the recorder has no key net/dns/server1")),
             qPrintable(r.err));
    // The failed recorder prints nothing, not even the key it has.
    const QString d0 = m_devices[0]->display();
    const QString d2 = m_devices[2]->display();
    QCOMPARE(r.out,
             QStringLiteral("%1 net/common/hostname=velk-nvr\n%1 net/dns/server1=\n"
                            "%2 net/common/hostname=velk-nvr\n%2 net/dns/server1=192.168.1.1\n")
                 .arg(d0, d2));
}

void tst_VelkConfig::passwordSources_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<int>("exitCode");

    const QString file = QStringLiteral("--password-file");
    QTest::newRow("file") << QStringList{file, QStringLiteral("admin.txt")} << QString() << 0;
    QTest::newRow("environment") << QStringList() << QStringLiteral("admin") << 0;
    QTest::newRow("file before environment")
        << QStringList{file, QStringLiteral("admin.txt")} << QStringLiteral("wrong") << 0;
    QTest::newRow("command line before file")
        << QStringList{QStringLiteral("--password"), QStringLiteral("wrong"), file,
                       QStringLiteral("admin.txt")}
        << QString() << 4;
}

void tst_VelkConfig::passwordSources()
{
    QFETCH(QStringList, args);
    QFETCH(QString, environment);
    QFETCH(int, exitCode);
    writeScratch(QStringLiteral("admin.txt"), "admin\n");
    args.replaceInStrings(QStringLiteral("admin.txt"),
                          m_scratch.filePath(QStringLiteral("admin.txt")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VELK_PASSWORD"));
    if (!environment.isNull())
        env.insert(QStringLiteral("VELK_PASSWORD"), environment);

    const Run r = run(QStringList{QStringLiteral("get"), m_devices[0]->address(),
                                  QStringLiteral("net/common/hostname")} +
                          args,
                      env);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, exitCode == 0 ? QStringLiteral("net/common/hostname=velk-nvr\n") : QString());
}

void tst_VelkConfig::refusedLoginFailsThatRecorderAlone()
{
    // Were the informer started, it would come here first.
    QTcpServer informer;
    const bool watching = informer.listen(QHostAddress::LocalHost, 5049);
    m_devices[1]->sim.setCredentials(QStringLiteral("admin"), QStringLiteral("other"));

    const Run r = run({QStringLiteral("get"), QStringLiteral("--devices"), deviceList(),
                       QStringLiteral("--password"), QStringLiteral("admin"),
                       QStringLiteral("net/common/hostname")});
    QCOMPARE(r.exitCode, 4);
    const QString refused = r.row(m_devices[1]->display());
    QVERIFY2(refused.contains(QLatin1String(" failed ")) &&
                 refused.contains(QLatin1String("the recorder refused login \"admin\"")),
             qPrintable(r.err));
    // Values only on stdout, and only the program's own name on stderr.
    QCOMPARE(
        r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList{m_devices[0]->display() + QStringLiteral(" net/common/hostname=velk-nvr"),
                     m_devices[2]->display() + QStringLiteral(" net/common/hostname=velk-nvr")}));
    QVERIFY2(!r.err.contains(QLatin1String("panorix-setup")), qPrintable(r.err));
    if (watching)
        QVERIFY(!informer.waitForNewConnection(0));
}

void tst_VelkConfig::recorderListedTwiceRunsOnce()
{
    Device& d = *m_devices[0];
    const QString list = writeScratch(QStringLiteral("twice.txt"),
                                      QStringLiteral("%1\n%2\nadmin@%3\n")
                                          .arg(d.address(), m_devices[1]->address(), d.display())
                                          .toUtf8());

    const Run r =
        run({QStringLiteral("set"), QStringLiteral("--devices"), list, QStringLiteral("--password"),
             QStringLiteral("admin"), QStringLiteral("net/dns/server1=10.0.0.53")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("%1 is listed more than once").arg(d.display())),
             qPrintable(r.err));
    QCOMPARE(r.err.count(QRegularExpression(QStringLiteral("^\\[\\d/2\\] "),
                                            QRegularExpression::MultilineOption)),
             2);
    // The recorder listed once is the measure: a second job would double
    // the logins and uploads.
    QVERIFY(d.uploads() > 0);
    QCOMPARE(d.uploads(), m_devices[1]->uploads());
    QCOMPARE(d.sim.log().logins().size(), m_devices[1]->sim.log().logins().size());
}

void tst_VelkConfig::timeoutDuringStoreSaysSo()
{
    Device& d = *m_devices[0];
    d.sim.faults().mode = DeviceFaults::Silent;
    d.sim.faults().uploadsOnly = true;

    const Run r = run({QStringLiteral("set"), d.address(), QStringLiteral("--password"),
                       QStringLiteral("admin"), QStringLiteral("--timeout"), QStringLiteral("2"),
                       QStringLiteral("net/dns/server1=10.0.0.53")});
    QCOMPARE(r.exitCode, 4);
    const QString row = r.row(d.display());
    QVERIFY2(row.contains(QLatin1String(" timeout ")) &&
                 row.contains(QLatin1String("store may be incomplete: check with get")),
             qPrintable(row));
}

void tst_VelkConfig::jsonReportsChangesOnce()
{
    const QStringList args = {QStringLiteral("set"),
                              QStringLiteral("--json"),
                              QStringLiteral("--devices"),
                              deviceList(),
                              QStringLiteral("--password"),
                              QStringLiteral("admin"),
                              QStringLiteral("net/dns/server1=10.0.0.53")};
    for (const bool first : {true, false}) {
        const Run r = run(args);
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines.at(i).toUtf8()).object();
            QCOMPARE(o.value(QStringLiteral("address")).toString(), m_devices[i]->display());
            QCOMPARE(o.value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
            QVERIFY(o.value(QStringLiteral("seconds")).isDouble());
            const QJsonObject changed = o.value(QStringLiteral("changed")).toObject();
            if (!first) {
                QVERIFY2(changed.isEmpty(), qPrintable(lines.at(i)));
                continue;
            }
            const QJsonObject change = changed.value(QStringLiteral("net/dns/server1")).toObject();
            QCOMPARE(change.value(QStringLiteral("old")).toString(), QStringLiteral("192.168.1.1"));
            QCOMPARE(change.value(QStringLiteral("new")).toString(), QStringLiteral("10.0.0.53"));
        }
    }
}

void tst_VelkConfig::commandLineErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString a = QStringLiteral("admin:x@127.0.0.1:1");
    QTest::newRow("no command") << QStringList() << QStringLiteral("give a command");
    QTest::newRow("unknown command")
        << QStringList{QStringLiteral("put"), a} << QStringLiteral("unknown command \"put\"");
    QTest::newRow("no address") << QStringList{QStringLiteral("get")}
                                << QStringLiteral("give a recorder address");
    QTest::newRow("address without password")
        << QStringList{QStringLiteral("get"), QStringLiteral("admin@127.0.0.1"),
                       QStringLiteral("net/common/dhcp")}
        << QStringLiteral("no password for 127.0.0.1:5049");
    QTest::newRow("set without value")
        << QStringList{QStringLiteral("set"), a, QStringLiteral("net/common/dhcp")}
        << QStringLiteral("is not file/section/name=value");
    QTest::newRow("key of two parts")
        << QStringList{QStringLiteral("get"), a, QStringLiteral("net/dhcp")}
        << QStringLiteral("is not file/section/name");
    QTest::newRow("export without file")
        << QStringList{QStringLiteral("export"), a} << QStringLiteral("take one FILE");
    QTest::newRow("no jobs") << QStringList{QStringLiteral("get"), a,
                                            QStringLiteral("net/common/dhcp"),
                                            QStringLiteral("--jobs"), QStringLiteral("0")}
                             << QStringLiteral("--jobs takes a whole number from 1 to 64");
    QTest::newRow("missing device list")
        << QStringList{QStringLiteral("get"), QStringLiteral("--devices"),
                       QStringLiteral("/nonexistent/list"), QStringLiteral("net/common/dhcp")}
        << QStringLiteral("cannot read the device list");
    QTest::newRow("key list with set")
        << QStringList{QStringLiteral("set"), a, QStringLiteral("net/common/dhcp=1"),
                       QStringLiteral("--only"), QStringLiteral("net/common/dhcp")}
        << QStringLiteral("--only does not go with this command");
    QTest::newRow("dry run with get")
        << QStringList{QStringLiteral("get"), a, QStringLiteral("net/common/dhcp"),
                       QStringLiteral("--dry-run")}
        << QStringLiteral("--dry-run does not go with this command");
    QTest::newRow("malformed key to exclude")
        << QStringList{QStringLiteral("export"), a, QStringLiteral("out.cfg"),
                       QStringLiteral("--exclude"), QStringLiteral("net/dhcp")}
        << QStringLiteral("\"net/dhcp\" is not file/section/name");
    QTest::newRow("missing password file")
        << QStringList{QStringLiteral("get"), QStringLiteral("admin@127.0.0.1:1"),
                       QStringLiteral("net/common/dhcp"), QStringLiteral("--password-file"),
                       QStringLiteral("/nonexistent/password")}
        << QStringLiteral("cannot read the password file");
}

void tst_VelkConfig::commandLineErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = run(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void tst_VelkConfig::helpWithoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const Run r = run({QStringLiteral("--help")}, env);
    QCOMPARE(r.exitCode, 0);
    for (const char* text :
         {"get ADDRESS KEY", "--jobs", "--password-file", "VELK_PASSWORD", "--dry-run", "--json",
          "--only", "--exclude", "--create", "Exit status:", "2  usage error", "refused a key",
          "6  every recorder"})
        QVERIFY2(r.out.contains(QLatin1String(text)), text);
}

QTEST_GUILESS_MAIN(tst_VelkConfig)
#include "tst_velkconfig.moc"
