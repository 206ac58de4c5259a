#include "config/cworkfolder.h"
#include "config/nbxsettings.h"
#include "devicefixture.h"

#include <QProcess>

#include <sys/stat.h>

namespace {

// The entries of the temporary location, to tell what a load left there.
QStringList temporaries()
{
    return QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
}

// A process that runs until the test ends it.
struct Sleeper
{
    QProcess process;
    Sleeper()
    {
        process.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        if (!process.waitForStarted())
            qFatal("cannot start sleep");
    }
    ~Sleeper()
    {
        process.kill();
        process.waitForFinished();
    }
    QString tag() const { return cWorkFolder::ownerTag(process.processId()); }
};

mode_t modeOf(const QString& path)
{
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

ino_t inodeOf(const QString& path)
{
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

void touch(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class tst_NBXNetFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadKeepsItsCopiesInOnePrivateFolder();
    void originalsAreMadeWhenRead();
    void abandonedFoldersAreRemoved_data();
    void abandonedFoldersAreRemoved();
    void sharedFolderNotOursIsLeftAlone_data();
    void sharedFolderNotOursIsLeftAlone();
    void deviceFileNamesNeverBecomePaths();
    void storeSendsEditsAndRewritesCopiesInPlace_data();
    void storeSendsEditsAndRewritesCopiesInPlace();
    void storeSendsNothingWhenAStateFileCannotBeCompiled();
};

void tst_NBXNetFiles::initTestCase()
{
    // A temporary location of our own, so that what a load leaves there is
    // all there is to see; the device folders live beside it.
    static QTemporaryDir tmp;
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    static QTemporaryDir settingsDir;
    qputenv("PXSETTINGS_FILE", settingsDir.filePath("px.ini").toLocal8Bit());
}

// One folder for the owner alone, holding one file per received file and the
// dialog's own values: no packed or unpacked description beside them, no
// unedited copies nobody asked for. It goes with the source, with the edits
// that were never stored.
void tst_NBXNetFiles::loadKeepsItsCopiesInOnePrivateFolder()
{
    DeviceFixture device;
    const QString root = cWorkFolder::root();
    QVERIFY(!root.isEmpty());
    QCOMPARE(modeOf(root), mode_t(S_IFDIR | 0700));
    const QStringList before = temporaries();
    QString folder;
    {
        NBXNetSetup setup(device.sim.linkAddress());
        QVERIFY(runExchange(setup, [&] { setup.load(); }));
        setup.setValue("streams/common/fps/12");

        folder = QFileInfo(setup.filePath("interface")).absolutePath();
        QCOMPARE(QFileInfo(folder).absolutePath(), root);
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(folder).fileName()});
        QCOMPARE(modeOf(folder), mode_t(S_IFDIR | 0700));
        QCOMPARE(temporaries(), before);

        QStringList expected;
        for (const char* name :
             {"interface", "general", "streams", "net", "soft", "time", "empty", "state"})
            expected.append(QFileInfo(setup.filePath(name)).fileName());
        QStringList held = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        expected.sort();
        held.sort();
        QCOMPARE(held, expected);
    }
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(temporaries(), before);
}

// The unedited copy of each received file is read as "<name>.original" by
// anyone who asks, and follows a store: what went out is the new original.
void tst_NBXNetFiles::originalsAreMadeWhenRead()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QByteArray loaded = readLocal(setup.filePath("streams"));
    setup.setValue("streams/common/fps/12");
    setup.flush();
    QCOMPARE(readLocal(setup.filePath("streams.original")), loaded);
    QCOMPARE(setup.value("streams.original/common/fps"), QString("25"));

    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    QCOMPARE(device.payloadsOf("PUT CONFIG\r\n").size(), 1);
    QCOMPARE(setup.value("streams.original/common/fps"), QString("12"));
    QCOMPARE(readLocal(setup.filePath("streams.original")), readLocal(setup.filePath("streams")));
}

namespace {

enum class Kind
{
    Folder,
    Link,
    File,
    FolderWithFolder
};

enum class Owner
{
    Gone,
    Running,
    // A running process that got the pid of a gone owner.
    PidTakenOver,
    NotOurName
};

} // namespace

void tst_NBXNetFiles::abandonedFoldersAreRemoved_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("owner");
    QTest::addColumn<bool>("kept");

    const auto row = [](const char* name, Kind kind, Owner owner, bool kept) {
        QTest::newRow(name) << int(kind) << int(owner) << kept;
    };
    row("folder of a process that is gone", Kind::Folder, Owner::Gone, false);
    row("folder of a running process", Kind::Folder, Owner::Running, true);
    row("folder whose pid another process took over", Kind::Folder, Owner::PidTakenOver, false);
    row("folder without our name", Kind::Folder, Owner::NotOurName, true);
    row("link named like a gone owner's folder", Kind::Link, Owner::Gone, true);
    row("file named like a gone owner's folder", Kind::File, Owner::Gone, true);
    row("gone owner's folder holding a folder", Kind::FolderWithFolder, Owner::Gone, true);
}

// A program killed before it could clean up leaves its folder; the next
// source removes it, and nothing else: never a live owner's folder, never
// through a link, never a folder it did not make.
void tst_NBXNetFiles::abandonedFoldersAreRemoved()
{
    QFETCH(int, kind);
    QFETCH(int, owner);
    QFETCH(bool, kept);

    Sleeper running;
    QString tag;
    switch (Owner(owner)) {
    case Owner::Gone: {
        Sleeper gone;
        tag = gone.tag();
        break;
    }
    case Owner::Running:
        tag = running.tag();
        break;
    case Owner::PidTakenOver:
        tag = QStringLiteral("%1-1").arg(running.process.processId());
        break;
    case Owner::NotOurName:
        tag = QStringLiteral("mine");
        break;
    }
    QVERIFY(!tag.isEmpty());
    QTemporaryDir outside;
    touch(outside.filePath("precious"));
    const QString entry = QDir(cWorkFolder::root()).filePath(tag + QStringLiteral("-a1B2c3"));
    QString witness = entry + "/copy";
    switch (Kind(kind)) {
    case Kind::Folder:
        QVERIFY(QDir().mkdir(entry));
        touch(witness);
        break;
    case Kind::Link:
        QVERIFY(QFile::link(outside.path(), entry));
        witness = outside.filePath("precious");
        break;
    case Kind::File:
        touch(entry);
        witness = entry;
        break;
    case Kind::FolderWithFolder:
        QVERIFY(QDir().mkpath(entry + "/inner"));
        witness = entry + "/inner/kept";
        touch(witness);
        break;
    }

    DeviceFixture device;
    {
        NBXNetSetup setup(device.sim.linkAddress());
        QVERIFY(runExchange(setup, [&] { setup.load(); }));
    }
    QCOMPARE(QFileInfo::exists(witness), kept);
    QVERIFY(QFileInfo::exists(outside.filePath("precious")));
    if (Kind(kind) == Kind::Link)
        QVERIFY(QFileInfo(entry).isSymLink());
    QFile::remove(entry);
    QDir(entry).removeRecursively();
}

void tst_NBXNetFiles::sharedFolderNotOursIsLeftAlone_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("link to a folder elsewhere") << true;
    QTest::newRow("folder open to others") << false;
}

// Where the folder of folders is not the user's alone, nothing in it is
// trusted: no leftover is looked for there, and a load still works.
void tst_NBXNetFiles::sharedFolderNotOursIsLeftAlone()
{
    QFETCH(bool, link);
    const QString root = cWorkFolder::root();
    QVERIFY(QDir(root).removeRecursively());
    QTemporaryDir elsewhere;
    const QString planted = link ? elsewhere.path() : root;
    if (link)
        QVERIFY(QFile::link(elsewhere.path(), root));
    else
        QVERIFY(QDir().mkdir(root, QFile::Permissions(0x7755)));
    QString tag;
    {
        Sleeper gone;
        tag = gone.tag();
    }
    const QString witness = planted + "/" + tag + "-a1B2c3/copy";
    QVERIFY(QDir().mkpath(QFileInfo(witness).path()));
    touch(witness);

    DeviceFixture device;
    {
        NBXNetSetup setup(device.sim.linkAddress());
        QVERIFY(runExchange(setup, [&] { setup.load(); }));
        QVERIFY(!QFileInfo(setup.filePath("interface")).absolutePath().startsWith(planted + "/"));
    }
    QVERIFY(QFileInfo::exists(witness));
    if (link)
        QVERIFY(QFile::remove(root));
    else
        QVERIFY(QDir(root).removeRecursively());
}

// A device names its files, but each local copy is a file named by us: a
// name that climbs out of a folder stays a key of the file table.
void tst_NBXNetFiles::deviceFileNamesNeverBecomePaths()
{
    DeviceFixture device;
    const QStringList names = {"../../escaped", "/tmp/escaped", "sub/../../../escaped"};
    QByteArray description = "<pxsetup><di>";
    for (const QString& name : names)
        description += "<difile name=\"" + name.toUtf8() + "\" get_command=\"net.ini\"/>";
    device.write("setup-m.xml", description + "</di></pxsetup>");

    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QString folder = QFileInfo(setup.filePath("interface")).canonicalPath();
    QCOMPARE(QFileInfo(folder).canonicalPath(), QFileInfo(cWorkFolder::root()).canonicalFilePath());
    for (const QString& name : names) {
        for (const QString& key : {name, name + ".original"}) {
            const QFileInfo copy(setup.filePath(key));
            QCOMPARE(copy.canonicalPath(), folder);
            QCOMPARE(readLocal(copy.filePath()), device.bytes("net.ini"));
        }
    }
}

void tst_NBXNetFiles::storeSendsEditsAndRewritesCopiesInPlace_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QString>("deviceFile");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("file with sections, quoted value")
        << "streams/common/name/Bob's camera"
        << "streams.ini"
        << QByteArray("; picture and streams\n[ common ]\nfps = 25\nname = \"Bob's camera\"\n\n"
                      "[ stream_0 ]\nbrightness = 50\ncontrast = 40\nsaturation = 30\nhue = 20\n"
                      "sharpness = 10\nagc = 1\ngain = 7\n\n[ stream_1 ]\nhue = 5\n");
    QTest::newRow("sectionless file with CRLF, new key")
        << "net/untitled/gateway/10.0.0.1"
        << "net.ini" << QByteArray("a = 1\ngateway = '10.0.0.1'\n");
    QTest::newRow("time file, clock sent empty")
        << "time/untitled/TIME_SERVER/pool.example"
        << "time.ini"
        << QByteArray("TIME_ZONE = 'UTC-3'\nTIME_SERVER = 'pool.example'\nYYYYMMDDHHMMSS = \n");
    QTest::newRow("state file compiled from an edit")
        << "streams/common/fps/12"
        << "state.ini"
        << QByteArray("[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\nFPS=12;\n");
}

// A store sends the edited files as the settings writer makes them, from
// memory, and rewrites the private copies in place: the same file (inode),
// nothing made beside it and renamed over it, no scratch file left.
void tst_NBXNetFiles::storeSendsEditsAndRewritesCopiesInPlace()
{
    QFETCH(QString, assignment);
    QFETCH(QString, deviceFile);
    QFETCH(QByteArray, stored);

    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QString folder = QFileInfo(setup.filePath("interface")).absolutePath();
    const QString name = assignment.section('/', 0, 0);
    const QString copy = setup.filePath(name);
    const QString state = setup.filePath("state");
    const ino_t copyInode = inodeOf(copy);
    const ino_t stateInode = inodeOf(state);
    const QStringList held = QDir(folder).entryList(QDir::Files | QDir::Hidden);

    setup.setValue(assignment);
    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    QCOMPARE(device.bytes(deviceFile), stored);

    QCOMPARE(setup.filePath(name), copy);
    QCOMPARE(inodeOf(copy), copyInode);
    QCOMPARE(inodeOf(state), stateInode);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), held);
    // The copy holds what went out, and a fresh read of it gives the edit.
    QCOMPARE(setup.value(assignment.section('/', 0, 2)), assignment.section('/', 3));
    NBXSettings fresh(copy);
    QCOMPARE(fresh.value(assignment.section('/', 1, 2)).toString(), assignment.section('/', 3));
}

// A state file whose copy cannot be rewritten would go out stale or half
// written beside the files it is compiled from: the store reports it once,
// sends nothing, and keeps the edits for the next try.
void tst_NBXNetFiles::storeSendsNothingWhenAStateFileCannotBeCompiled()
{
    DeviceFixture device;
    NBXNetSetup setup(device.sim.linkAddress());
    QVERIFY(runExchange(setup, [&] { setup.load(); }));
    const QString state = setup.filePath("state");
    const QByteArray held = readLocal(state);
    QVERIFY(QFile::remove(state));
    QVERIFY(QDir().mkdir(state));
    setup.setValue("streams/common/fps/12");
    device.sim.log().clear();

    QStringList errors;
    QVERIFY(!runExchange(
        setup, [&] { setup.store(); }, &errors));
    QCOMPARE(errors, QStringList{QString("Can not write \"%1\"").arg(state)});
    QTest::qWait(200);
    QCOMPARE(device.sim.log().requests().size(), 0);
    QCOMPARE(setup.state(), 0);
    QVERIFY(!setup.busy());

    QVERIFY(QDir().rmdir(state));
    QFile restored(state);
    QVERIFY(restored.open(QIODevice::WriteOnly) && restored.write(held) == held.size());
    restored.close();
    QVERIFY(runExchange(setup, [&] { setup.store(); }));
    QCOMPARE(device.payloadsOf("PUT CONFIG\r\n").size(), 1);
    QCOMPARE(device.bytes("state.ini"),
             QByteArray("[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\nFPS=12;\n"));
}

QTEST_MAIN(tst_NBXNetFiles)
#include "tst_nbxnetfiles.moc"
