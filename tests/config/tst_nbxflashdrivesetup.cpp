#include "baddescriptions.h"
#include "config/cgzdecompressor.h"
#include "config/nbxflashdrivesetup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

namespace {

const QByteArray kDescription =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<pxsetup>\n<di>\n"
    "<difile name=\"streams\" get_command=\"streams.ini\" put_command=\"streams.ini\"/>\n"
    "<difile name=\"soft\" get_command=\"conf/soft.ini\" put_command=\"\"/>\n"
    "<difile name=\"state\" get_command=\"state.ini\" put_command=\"state.out\" type=\"state\"/>\n"
    "</di>\n</pxsetup>\n";

// The first file's put command and the last file's get command are COMMAND.
const QByteArray kCommandDescription =
    "<pxsetup><di>\n"
    "<difile name=\"streams\" get_command=\"streams.ini\" put_command=\"COMMAND\"/>\n"
    "<difile name=\"soft\" get_command=\"conf/soft.ini\" put_command=\"soft.out\"/>\n"
    "<difile name=\"evil\" get_command=\"COMMAND\" put_command=\"\"/>\n"
    "</di></pxsetup>\n";

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write fixture %s", qPrintable(path));
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeGzip(const QString& path, const QByteArray& bytes)
{
    gzFile gz = gzopen(QFile::encodeName(path).constData(), "wb");
    gzwrite(gz, bytes.constData(), unsigned(bytes.size()));
    gzclose(gz);
}

// A drive holding the description and the three files it lists, in a
// temporary folder or in a folder `sub` of it.
struct Drive
{
    QTemporaryDir dir;
    QString folder;
    Drive(const QByteArray& description = kDescription, const QString& sub = QString())
        : folder(sub.isEmpty() ? dir.path() : dir.filePath(sub))
    {
        QDir(dir.path()).mkpath(folder);
        writeGzip(path("setup-m.xml.gz"), description);
        QDir(folder).mkdir("conf");
        writeBytes(path("streams.ini"), "; streams\n[ v5m ]\ndate = '2024-01-02'\nshifthour = 1\n"
                                        "shiftminute = 2\nshiftsecond = 3\n[ common ]\nfps = 25\n");
        writeBytes(path("conf/soft.ini"), "version = '1.2.3'\n");
        writeBytes(path("state.ini"), "[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\n"
                                      "FPS=0;\n");
    }
    QString path(const QString& name) const { return QDir(folder).filePath(name); }

    // Every file on the drive, to show that nothing was written.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> all;
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            all.insert(file, readBytes(file));
        }
        return all;
    }
};

// Every file of the temporary folder that lies outside the drive folder,
// with its bytes.
QMap<QString, QByteArray> filesOutside(const Drive& drive)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(drive.dir.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(drive.folder + QLatin1Char('/')))
            files.insert(path, readBytes(path));
    }
    return files;
}

} // namespace

class tst_NBXFlashDriveSetup : public QObject
{
    Q_OBJECT

private slots:
    void loadCopiesListedFiles();
    void storeWritesBackWhatItShould();
    void setTimePreparesClockFile();
    void missingListedFileStopsLoadingButFinishes();
    void refusedDescriptionCopiesNothing_data();
    void refusedDescriptionCopiesNothing();
    void unwritableTargetIsReported();
    void unwritableLocalCopyStoresNothing_data();
    void unwritableLocalCopyStoresNothing();
    void destructionRemovesCopiesForGood();
    void fileCommandsStayInTheDrive_data();
    void fileCommandsStayInTheDrive();
    void gzip_data();
    void gzip();
};

void tst_NBXFlashDriveSetup::loadCopiesListedFiles()
{
    Drive drive;
    NBXFlashDriveSetup setup(drive.dir.path());
    QSignalSpy progress(&setup, &NBXSetup::progress);
    QSignalSpy done(&setup, &NBXSetup::loadDone);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();

    QCOMPARE(done.count(), 1);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(progress.count(), 2);
    QCOMPARE(progress.at(0).at(0).toInt(), 50);
    QCOMPARE(progress.at(1).at(0).toInt(), 100);
    QCOMPARE(readBytes(setup.filePath("interface")), kDescription);
    QVERIFY(setup.fileExists("general"));
    for (const auto& [name, file] :
         {std::pair{"streams", "streams.ini"}, std::pair{"soft", "conf/soft.ini"}}) {
        QVERIFY(setup.filePath(name) != drive.path(file));
        QCOMPARE(readBytes(setup.filePath(name)), readBytes(drive.path(file)));
    }
    QCOMPARE(setup.value("streams/common/fps"), QString("25"));
    QCOMPARE(setup.value("soft/untitled/version"), QString("1.2.3"));
}

void tst_NBXFlashDriveSetup::storeWritesBackWhatItShould()
{
    Drive drive;
    const QByteArray softBefore = readBytes(drive.path("conf/soft.ini"));
    NBXFlashDriveSetup setup(drive.dir.path());
    setup.load();
    setup.setValue("streams/common/fps/12");
    setup.setValue("soft/untitled/version/9.9");
    QSignalSpy progress(&setup, &NBXSetup::progress);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.function("save_settings", "");

    QCOMPARE(errors.count(), 0);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.at(0).at(0).toInt(), 100);
    QVERIFY(readBytes(drive.path("streams.ini")).contains("fps = 12\n"));
    QVERIFY(readBytes(drive.path("streams.ini")).startsWith("; streams\n"));
    QCOMPARE(readBytes(drive.path("conf/soft.ini")), softBefore);
    QCOMPARE(readBytes(drive.path("state.out")),
             QByteArray("[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\nFPS=12;\n"));
    QCOMPARE(readBytes(drive.path("streams.ini.copy")), QByteArray());
}

void tst_NBXFlashDriveSetup::setTimePreparesClockFile()
{
    Drive drive;
    NBXFlashDriveSetup setup(drive.dir.path());
    setup.load();
    QSignalSpy progress(&setup, &NBXSetup::progress);
    setup.function("set_time", "ignored");
    QCOMPARE(progress.count(), 0);
    QVERIFY(!QFile::exists(drive.path("streams.ini.copy")));
    setup.store();
    QCOMPARE(readBytes(drive.path("streams.ini.copy")),
             QByteArray("[ v5m ]\ndate='2024-01-02'\nshifthour=1\nshiftminute=2\nshiftsecond=3\n"));
}

void tst_NBXFlashDriveSetup::missingListedFileStopsLoadingButFinishes()
{
    Drive drive;
    QFile::remove(drive.path("conf/soft.ini"));
    NBXFlashDriveSetup setup(drive.dir.path());
    QSignalSpy done(&setup, &NBXSetup::loadDone);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QCOMPARE(done.count(), 1);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(),
             QString("Can not open \"%1\"").arg(drive.path("conf/soft.ini")));
    QVERIFY(setup.fileExists("streams"));
    QVERIFY(!setup.fileExists("state"));
}

void tst_NBXFlashDriveSetup::refusedDescriptionCopiesNothing_data()
{
    QTest::addColumn<QByteArray>("packed"); // null: there is no description
    QTest::addColumn<QString>("message");   // %1 is the description's path
    for (const BadDescription& d : badDescriptions("streams.ini"))
        QTest::newRow(d.row) << d.packed << d.message;
    QTest::newRow("no description") << QByteArray() << "Cannot read the setup description %1.";
}

void tst_NBXFlashDriveSetup::refusedDescriptionCopiesNothing()
{
    QFETCH(QByteArray, packed);
    QFETCH(QString, message);
    Drive drive;
    const QString description = drive.path("setup-m.xml.gz");
    QFile::remove(description);
    if (!packed.isNull())
        writeBytes(description, packed);
    const QMap<QString, QByteArray> before = drive.snapshot();

    NBXFlashDriveSetup setup(drive.dir.path());
    QSignalSpy done(&setup, &NBXSetup::loadDone);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QCOMPARE(errors.count(), 1);
    const QString error = errors.at(0).at(0).toString();
    QVERIFY2(error.startsWith(message.arg(description)), qPrintable(error));
    // Loading still ends, so the dialog can close on the message.
    QCOMPARE(done.count(), 1);
    QVERIFY(setup.fileExists("interface"));
    QVERIFY(!setup.fileExists("streams"));
    setup.store();
    QCOMPARE(drive.snapshot(), before);
}

void tst_NBXFlashDriveSetup::unwritableTargetIsReported()
{
    Drive drive;
    NBXFlashDriveSetup setup(drive.dir.path());
    setup.load();
    setup.setValue("streams/common/fps/12");
    // A folder in the file's place cannot be replaced by a file, even by root.
    QFile::remove(drive.path("state.out"));
    QDir(drive.dir.path()).mkdir("state.out");
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.store();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(),
             QString("Can not write \"%1\"").arg(drive.path("state.out")));
    // The files that could be written still were.
    QVERIFY(readBytes(drive.path("streams.ini")).contains("fps = 12\n"));
    QCOMPARE(readBytes(drive.path("streams.ini.copy")), QByteArray());
}

// The edit could not reach the local copy of its file: copying that copy to
// the drive would store the old values and report success.
void tst_NBXFlashDriveSetup::unwritableLocalCopyStoresNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a settings file") << "streams";
    // Its compile fails; the new settings must not go out beside it stale.
    QTest::newRow("a state file") << "state";
}

void tst_NBXFlashDriveSetup::unwritableLocalCopyStoresNothing()
{
    QFETCH(QString, name);
    Drive drive;
    NBXFlashDriveSetup setup(drive.dir.path());
    setup.load();
    QCOMPARE(setup.value("streams/common/fps"), QString("25"));
    const QString copy = setup.filePath(name);
    QVERIFY(QFile::remove(copy));
    QVERIFY(QDir().mkdir(copy));
    setup.setValue("streams/common/fps/12");
    const QMap<QString, QByteArray> before = drive.snapshot();
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.store();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QString("Can not write \"%1\"").arg(copy));
    QCOMPARE(drive.snapshot(), before);
    QDir().rmdir(copy);
}

void tst_NBXFlashDriveSetup::destructionRemovesCopiesForGood()
{
    Drive drive;
    QStringList copies;
    {
        NBXFlashDriveSetup setup(drive.dir.path());
        setup.load();
        for (const char* name : {"interface", "general", "streams", "soft", "state"})
            copies << setup.filePath(name);
        // An edit that was never stored still makes its settings object write.
        setup.setValue("streams/common/fps/1");
    }
    for (const QString& copy : qAsConst(copies))
        QVERIFY2(!QFile::exists(copy), qPrintable(copy));
    QVERIFY(readBytes(drive.path("streams.ini")).contains("fps = 25\n"));
}

void tst_NBXFlashDriveSetup::fileCommandsStayInTheDrive_data()
{
    QTest::addColumn<QString>("command"); // %ROOT% is the folder that holds the drive
    QTest::addColumn<bool>("refused");

    QTest::newRow("parent folder") << "../outside.txt" << true;
    QTest::newRow("parent further along") << "conf/../../outside.txt" << true;
    QTest::newRow("absolute path") << "%ROOT%/outside.txt" << true;
    QTest::newRow("absolute path of a new file") << "%ROOT%/planted.txt" << true;
    QTest::newRow("link to a file outside") << "link.txt" << true;
    QTest::newRow("link to a file not there yet") << "dangling.txt" << true;
    QTest::newRow("link to the folder outside") << "up/outside.txt" << true;
    QTest::newRow("dots within a name") << "..a..b.." << false;
    QTest::newRow("link that stays inside") << "inner.txt" << false;
}

// A description names the files to read and write; a hostile drive must
// reach nothing beside its own folder, such as a shell start-up file.
void tst_NBXFlashDriveSetup::fileCommandsStayInTheDrive()
{
    QFETCH(QString, command);
    QFETCH(bool, refused);
    Drive drive(kDescription, QStringLiteral("drive"));
    command.replace(QStringLiteral("%ROOT%"), drive.dir.path());
    writeGzip(drive.path("setup-m.xml.gz"),
              QByteArray(kCommandDescription).replace("COMMAND", command.toHtmlEscaped().toUtf8()));
    writeBytes(drive.dir.filePath("outside.txt"), "export SECRET=1\n");
    writeBytes(drive.path("..a..b.."), "[ x ]\ny = 1\n");
    QVERIFY(QFile::link(drive.dir.filePath("outside.txt"), drive.path("link.txt")));
    QVERIFY(QFile::link(drive.dir.filePath("planted.txt"), drive.path("dangling.txt")));
    QVERIFY(QFile::link(drive.dir.path(), drive.path("up")));
    QVERIFY(QFile::link("conf/soft.ini", drive.path("inner.txt")));
    const QMap<QString, QByteArray> outsideBefore = filesOutside(drive);

    NBXFlashDriveSetup setup(drive.folder);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QCOMPARE(setup.fileExists("evil"), !refused);
    if (!refused)
        QCOMPARE(readBytes(setup.filePath("evil")), readBytes(drive.path(command)));
    setup.setValue("streams/common/fps/12");
    setup.setValue("soft/untitled/version/9.9");
    setup.store();

    QCOMPARE(filesOutside(drive), outsideBefore);
    // The drive's other files are still read and written.
    QVERIFY(readBytes(drive.path("soft.out")).contains("version = '9.9'\n"));
    if (!refused) {
        QCOMPARE(errors.count(), 0);
        QVERIFY(readBytes(drive.path(command)).contains("fps = 12\n"));
        return;
    }
    const QString message =
        QString("Refused \"%1\": it lies outside \"%2\"").arg(command, drive.folder);
    QCOMPARE(errors.count(), 2); // once reading, once writing
    QCOMPARE(errors.at(0).at(0).toString(), message);
    QCOMPARE(errors.at(1).at(0).toString(), message);
}

void tst_NBXFlashDriveSetup::gzip_data()
{
    QTest::addColumn<QByteArray>("stored"); // null: there is no file
    QTest::addColumn<bool>("compress");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QByteArray>("expected"); // null: only its size is bounded
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<int>("result");

    QByteArray big;
    for (int i = 0; i < 5000; ++i)
        big += "<line number=\"" + QByteArray::number(i) + "\"/>\n";
    const qint64 cap = cGzDecompressor::kMaxOutput;
    QTest::newRow("compressed, spans many reads")
        << big << true << 0 << big << qint64(big.size()) << int(cGzDecompressor::Complete);
    QTest::newRow("plain file passes through")
        << QByteArray("<pxsetup/>") << false << 0 << QByteArray("<pxsetup/>") << qint64(10)
        << int(cGzDecompressor::Complete);
    QTest::newRow("truncated archive") << big << true << 200 << QByteArray()
                                       << qint64(big.size() - 1) << int(cGzDecompressor::Damaged);
    QTest::newRow("missing archive") << QByteArray() << false << 0 << QByteArray() << qint64(0)
                                     << int(cGzDecompressor::Unreadable);
    QTest::newRow("exactly at the cap")
        << gzipped("", cap) << false << 0 << QByteArray() << cap << int(cGzDecompressor::Complete);
    QTest::newRow("one byte over the cap") << gzipped("", cap + 1) << false << 0 << QByteArray()
                                           << cap << int(cGzDecompressor::TooLarge);
}

void tst_NBXFlashDriveSetup::gzip()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, compress);
    QFETCH(int, cut);
    QFETCH(QByteArray, expected);
    QFETCH(qint64, maxSize);
    QFETCH(int, result);
    QTemporaryDir dir;
    const QString source = dir.filePath("in.gz"), target = dir.filePath("out");
    if (compress)
        writeGzip(source, stored);
    else if (!stored.isNull())
        writeBytes(source, stored);
    if (cut)
        QVERIFY(QFile::resize(source, cut));
    cGzDecompressor gz;
    QCOMPARE(gz.extract(source, target), result == cGzDecompressor::Complete);
    QCOMPARE(int(gz.result()), result);
    QVERIFY(QFileInfo(target).size() <= maxSize);
    if (!expected.isNull())
        QCOMPARE(readBytes(target), expected);
}

QTEST_GUILESS_MAIN(tst_NBXFlashDriveSetup)
#include "tst_nbxflashdrivesetup.moc"
