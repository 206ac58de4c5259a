// panorix-setup run as a child process, the way the demo and scripts run it,
// against the device emulator in this process. Every run is unattended or a
// bare command-line run, and every grab carries a time limit, so no run can
// wait for a person.
#include "devicesim.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An upper bound for one run, far above what any run needs; the program's
// own --timeout is what a test of giving up measures.
constexpr int kRunBoundMs = 120000;

struct HostResult
{
    int exitCode = -1;
    QString out;
    QString err;

    QString all() const { return out + err; }
};

// A scratch copy of the sample device, played on an ephemeral port.
struct Device
{
    QTemporaryDir dir;
    DeviceSim sim;

    Device() : sim(dir.path())
    {
        if (!DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir.path()))
            qFatal("cannot copy the sample device");
        sim.setCredentials(QStringLiteral("admin"), QStringLiteral("admin"));
        if (!sim.listen())
            qFatal("cannot listen: %s", qPrintable(sim.errorString()));
    }

    QString url() const
    {
        return QStringLiteral("%1:%2").arg(sim.hostAddress().toString()).arg(sim.port());
    }

    // The fault hits the uploads of a store only, after a load that went well.
    void faultFromFirstUpload(DeviceFaults::Mode mode, const QByteArray& message = QByteArray())
    {
        sim.faults().mode = mode;
        sim.faults().message = message;
        sim.faults().uploadsOnly = true;
    }

    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> all;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            all.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        }
        return all;
    }
};

QString digest(const QString& plain)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(plain.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace

class tst_PanorixSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void commandLineWithoutDisplay_data();
    void commandLineWithoutDisplay();
    void storeFailureAfterOk_data();
    void storeFailureAfterOk();
    void grabGivesUp_data();
    void grabGivesUp();
    void flashFolderWithoutDescription();
    void languageOption();
    void addressWithoutPassword_data();
    void addressWithoutPassword();

private:
    HostResult run(const QStringList& args, const QProcessEnvironment& env);
    HostResult run(const QStringList& args) { return run(args, environment()); }
    QProcessEnvironment environment() const;
    void remember(const QString& url, const QString& login, const QString& plainPassword);
    static QString flashFolderWhoseOkStays(const QString& dir);

    QTemporaryDir m_scratch;
    QString m_program;
    QString m_settings;
    QString m_pictures;
};

void tst_PanorixSetup::initTestCase()
{
    QVERIFY(m_scratch.isValid());
    m_program = m_scratch.filePath(QStringLiteral("panorix-setup"));
    QVERIFY(QFile::copy(QStringLiteral(PANORIX_SETUP), m_program));
    m_settings = m_scratch.filePath(QStringLiteral("pxsettings.ini"));
    m_pictures = m_scratch.filePath(QStringLiteral("pictures"));
}

void tst_PanorixSetup::init()
{
    QFile::remove(m_settings);
    QDir(m_pictures).removeRecursively();
}

QProcessEnvironment tst_PanorixSetup::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Remembered logins of these runs stay in the scratch folder.
    env.insert(QStringLiteral("PXSETTINGS_FILE"), m_settings);
    return env;
}

HostResult tst_PanorixSetup::run(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(m_program, args);
    HostResult result;
    // The emulator answers from this process's event loop while we wait.
    if (!process.waitForStarted() || !finished.wait(kRunBoundMs)) {
        process.kill();
        process.waitForFinished();
        qWarning("panorix-setup %s did not end", qPrintable(args.join(QLatin1Char(' '))));
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void tst_PanorixSetup::remember(const QString& url, const QString& login,
                                const QString& plainPassword)
{
    QSettings store(m_settings, QSettings::IniFormat);
    store.beginWriteArray(QStringLiteral("Authorization/Logins"));
    store.setArrayIndex(0);
    store.setValue(QStringLiteral("name"), QString());
    store.setValue(QStringLiteral("url"), url);
    store.setValue(QStringLiteral("level"), 2);
    store.setValue(QStringLiteral("login"), login);
    store.setValue(QStringLiteral("password"), digest(plainPassword));
    store.endArray();
}

// A copy of the sample device kept as files, whose OK stores but never
// closes the dialog.
QString tst_PanorixSetup::flashFolderWhoseOkStays(const QString& dir)
{
    if (!DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), dir))
        return QString();
    QFile packed(QDir(dir).filePath(QStringLiteral("setup-m.xml.gz")));
    if (!packed.open(QIODevice::ReadOnly))
        return QString();
    QByteArray xml = DeviceFolder::gunzip(packed.readAll());
    packed.close();
    const QByteArray accept("<action type=\"call\" slot=\"accept\">main_window</action>");
    if (!xml.contains(accept))
        return QString();
    xml.replace(accept, QByteArray());
    if (!packed.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    packed.write(DeviceFolder::gzip(xml));
    return dir;
}

void tst_PanorixSetup::commandLineWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("onStdout");
    QTest::addColumn<QString>("onStderr");
    // Texts that must appear nowhere in the output.
    QTest::addColumn<QStringList>("secrets");

    const QString digestInAddress = digest(QStringLiteral("swordfish"));
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QStringLiteral("4  failed") << QString() << QStringList();
    QTest::newRow("no arguments") << QStringList() << 2 << QString()
                                  << QStringLiteral("give one recorder address") << QStringList();
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--colour"), QStringLiteral("admin@127.0.0.2")} << 2
        << QString() << QStringLiteral("Unknown option 'colour'") << QStringList();
    QTest::newRow("unknown language")
        << QStringList{QStringLiteral("--lang"), QStringLiteral("klingon"),
                       QStringLiteral("admin@127.0.0.2")}
        << 2 << QString() << QStringLiteral("--lang takes a language") << QStringList();
    QTest::newRow("timeout not a number")
        << QStringList{QStringLiteral("--timeout"), QStringLiteral("soon"),
                       QStringLiteral("admin@127.0.0.2")}
        << 2 << QString() << QStringLiteral("--timeout takes whole seconds") << QStringList();
    QTest::newRow("port out of range, digest in the address")
        << QStringList{QStringLiteral("admin:%1@127.0.0.2:99999").arg(digestInAddress)} << 2
        << QString() << QStringLiteral("malformed address") << QStringList{digestInAddress};
    QTest::newRow("no host, digest in the address")
        << QStringList{QStringLiteral("admin:%1@").arg(digestInAddress)} << 2 << QString()
        << QStringLiteral("malformed address") << QStringList{digestInAddress};
    QTest::newRow("no @, so the password is not told apart")
        << QStringList{QStringLiteral("admin:opensesame")} << 2 << QString()
        << QStringLiteral("malformed address") << QStringList{QStringLiteral("opensesame")};
    QTest::newRow("malformed address with a plain password")
        << QStringList{QStringLiteral("admin@127.0.0.2:port"), QStringLiteral("--password"),
                       QStringLiteral("hunter2")}
        << 2 << QString() << QStringLiteral("malformed address")
        << QStringList{QStringLiteral("hunter2"), digest(QStringLiteral("hunter2"))};
}

// Without a display and without a platform named, as on a bare terminal or in
// a script: help and every usage error still answer, on the right stream.
void tst_PanorixSetup::commandLineWithoutDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, onStdout);
    QFETCH(QString, onStderr);
    QFETCH(QStringList, secrets);

    QProcessEnvironment env = environment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    const HostResult r = run(args, env);

    QCOMPARE(r.exitCode, exitCode);
    if (onStdout.isEmpty())
        QCOMPARE(r.out, QString());
    else
        QVERIFY2(r.out.contains(onStdout), qPrintable(r.out));
    if (onStderr.isEmpty())
        QCOMPARE(r.err, QString());
    else
        QVERIFY2(r.err.startsWith(QStringLiteral("panorix-setup: ")) && r.err.contains(onStderr),
                 qPrintable(r.err));
    for (const QString& secret : secrets)
        QVERIFY2(!r.all().contains(secret, Qt::CaseInsensitive), qPrintable(r.all()));
}

void tst_PanorixSetup::storeFailureAfterOk_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");

    QTest::newRow("connection closed in the middle of the answer")
        << int(DeviceFaults::CloseMidFrame) << QStringLiteral("Network error");
    QTest::newRow("device refuses the upload")
        << int(DeviceFaults::AnswerError) << QStringLiteral("Device error \"disk busy\"");
}

// OK waits for the upload inside the dialog; when it fails, the dialog says
// so and stays open with the edit, and the program, leaving unattended, must
// not report success.
void tst_PanorixSetup::storeFailureAfterOk()
{
    QFETCH(int, fault);
    QFETCH(QString, message);
    Device device;
    device.faultFromFirstUpload(DeviceFaults::Mode(fault), "disk busy");

    const HostResult r =
        run({QStringLiteral("admin@%1").arg(device.url()), QStringLiteral("--password"),
             QStringLiteral("admin"), QStringLiteral("--grab"), m_pictures,
             QStringLiteral("--edit"), QStringLiteral("net/common/hostname=after-ok"),
             QStringLiteral("--store"), QStringLiteral("--timeout"), QStringLiteral("60")});

    QCOMPARE(r.exitCode, 4);
    QVERIFY2(r.err.contains(QStringLiteral("could not be stored on %1").arg(device.url())) &&
                 r.err.contains(message),
             qPrintable(r.err));
    // The dialog showed the store's progress while the upload ran, the error
    // came in a message box, and the dialog was still open after it.
    QVERIFY2(r.out.contains(QStringLiteral("storing-1.png")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("message-1.png")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("still-open-1.png")), qPrintable(r.out));
    QVERIFY(QFileInfo(QDir(m_pictures).filePath(QStringLiteral("message-1.png"))).size() > 0);
}

void tst_PanorixSetup::grabGivesUp_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("faultFromStart");

    QTest::newRow("device never answers the load")
        << QStringLiteral("device") << int(DeviceFaults::Silent) << true;
    QTest::newRow("device never answers the store")
        << QStringLiteral("device") << int(DeviceFaults::Silent) << false;
    QTest::newRow("OK stores but does not close the dialog")
        << QStringLiteral("flash") << int(DeviceFaults::None) << false;
}

// A grab nobody watches must end by itself, with its own status.
void tst_PanorixSetup::grabGivesUp()
{
    QFETCH(QString, source);
    QFETCH(int, fault);
    QFETCH(bool, faultFromStart);
    Device device;
    if (faultFromStart)
        device.sim.faults().mode = DeviceFaults::Mode(fault);
    else
        device.faultFromFirstUpload(DeviceFaults::Mode(fault));
    QTemporaryDir flash;
    QStringList args{QStringLiteral("--grab"), m_pictures, QStringLiteral("--store"),
                     QStringLiteral("--timeout"), QStringLiteral("2")};
    if (source == QLatin1String("flash")) {
        QVERIFY(!flashFolderWhoseOkStays(flash.path()).isEmpty());
        args << QStringLiteral("--flash") << flash.path();
    } else {
        // An edit, or OK would have nothing to send.
        args << QStringLiteral("admin@%1").arg(device.url()) << QStringLiteral("--password")
             << QStringLiteral("admin") << QStringLiteral("--edit")
             << QStringLiteral("net/common/hostname=given-up");
    }

    const HostResult r = run(args);

    QCOMPARE(r.exitCode, 5);
    QVERIFY2(r.err.contains(QStringLiteral("gave up after 2 s")), qPrintable(r.err));
    QVERIFY2(!r.err.contains(QStringLiteral("did not end")), qPrintable(r.err));
}

// A folder without the description is named as such, not as an XML error.
void tst_PanorixSetup::flashFolderWithoutDescription()
{
    QTemporaryDir flash;
    QVERIFY(DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), flash.path()));
    QVERIFY(QFile::remove(flash.filePath(QStringLiteral("setup-m.xml.gz"))));

    const HostResult r = run({QStringLiteral("--flash"), flash.path(), QStringLiteral("--grab"),
                              m_pictures, QStringLiteral("--timeout"), QStringLiteral("60")});

    QCOMPARE(r.exitCode, 4);
    QVERIFY2(r.err.contains(
                 QStringLiteral("No setup description setup-m.xml.gz in %1").arg(flash.path())),
             qPrintable(r.err));
    QVERIFY2(!r.err.contains(QStringLiteral("end of document"), Qt::CaseInsensitive),
             qPrintable(r.err));
}

void tst_PanorixSetup::languageOption()
{
    // The host's own message, in Russian whatever the machine's locale.
    QTemporaryDir flash;
    QVERIFY(DeviceFolder::copyFolder(QStringLiteral(SAMPLE_DEVICE), flash.path()));
    QVERIFY(QFile::remove(flash.filePath(QStringLiteral("setup-m.xml.gz"))));

    const HostResult r = run(
        {QStringLiteral("--lang"), QStringLiteral("ru"), QStringLiteral("--flash"), flash.path(),
         QStringLiteral("--unattended"), QStringLiteral("--timeout"), QStringLiteral("60")});

    QCOMPARE(r.exitCode, 4);
    QVERIFY2(r.err.contains(
                 QStringLiteral("Нет описания настройки setup-m.xml.gz в %1").arg(flash.path())),
             qPrintable(r.err));
}

void tst_PanorixSetup::addressWithoutPassword_data()
{
    QTest::addColumn<QString>("rememberedLogin");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("loggedIn");

    QTest::newRow("remembered login for the recorder") << QStringLiteral("admin") << 0 << true;
    QTest::newRow("remembered for another login only") << QStringLiteral("operator") << 1 << false;
    QTest::newRow("nothing remembered") << QString() << 1 << false;
}

// admin@host without a password: the remembered password of that login opens
// the recorder; otherwise the login dialog asks, which nobody answers here.
void tst_PanorixSetup::addressWithoutPassword()
{
    QFETCH(QString, rememberedLogin);
    QFETCH(int, exitCode);
    QFETCH(bool, loggedIn);
    Device device;
    if (!rememberedLogin.isEmpty())
        remember(device.url(), rememberedLogin, QStringLiteral("admin"));

    const HostResult r =
        run({QStringLiteral("admin@%1").arg(device.url()), QStringLiteral("--grab"), m_pictures,
             QStringLiteral("--timeout"), QStringLiteral("60")});

    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(!r.err.contains(QStringLiteral("Wrong network address")), qPrintable(r.err));
    QCOMPARE(r.err.contains(QStringLiteral("login dialog")), !loggedIn);
    const QList<DeviceLogin>& logins = device.sim.log().logins();
    QCOMPARE(logins.isEmpty(), !loggedIn);
    for (const DeviceLogin& login : logins)
        QVERIFY(login.accepted);
    QCOMPARE(r.out.contains(QStringLiteral("page-1-")), loggedIn);
}

QTEST_GUILESS_MAIN(tst_PanorixSetup)
#include "tst_panorixsetup.moc"
