#include "config/cgzdecompressor.h"
#include "config/nbxflashdrivesetup.h"

#include <QDir>
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

// A drive holding the description and the three files it lists.
struct Drive
{
    QTemporaryDir dir;
    Drive(const QByteArray& description = kDescription)
    {
        writeGzip(path("setup-m.xml.gz"), description);
        QDir(dir.path()).mkdir("conf");
        writeBytes(path("streams.ini"), "; streams\n[ v5m ]\ndate = '2024-01-02'\nshifthour = 1\n"
                                        "shiftminute = 2\nshiftsecond = 3\n[ common ]\nfps = 25\n");
        writeBytes(path("conf/soft.ini"), "version = '1.2.3'\n");
        writeBytes(path("state.ini"), "[ s ]\n#! s/FPS=[0-9]+;/FPS={streams/common/fps};/\n"
                                      "FPS=0;\n");
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

class tst_NBXFlashDriveSetup : public QObject
{
    Q_OBJECT

private slots:
    void loadCopiesListedFiles();
    void storeWritesBackWhatItShould();
    void setTimePreparesClockFile();
    void missingListedFileStopsLoadingButFinishes();
    void unparsableDescriptionStillFinishes();
    void unwritableTargetIsReported();
    void destructionRemovesCopiesForGood();
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

void tst_NBXFlashDriveSetup::unparsableDescriptionStillFinishes()
{
    Drive drive("<pxsetup><di>");
    NBXFlashDriveSetup setup(drive.dir.path());
    QSignalSpy done(&setup, &NBXSetup::loadDone);
    QSignalSpy errors(&setup, &NBXSetup::pseudothrow);
    setup.load();
    QCOMPARE(done.count(), 1);
    QCOMPARE(errors.count(), 0);
    QVERIFY(setup.fileExists("interface"));
    QVERIFY(setup.fileExists("general"));
    QVERIFY(!setup.fileExists("streams"));
    setup.store();
    QVERIFY(!QFile::exists(drive.path("streams.ini.copy")));
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

void tst_NBXFlashDriveSetup::gzip_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("compress");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("complete");

    QByteArray big;
    for (int i = 0; i < 5000; ++i)
        big += "<line number=\"" + QByteArray::number(i) + "\"/>\n";
    QTest::newRow("compressed, spans many reads") << big << true << 0 << big << true;
    QTest::newRow("plain file passes through")
        << QByteArray("<pxsetup/>") << false << 0 << QByteArray("<pxsetup/>") << true;
    QTest::newRow("truncated archive") << big << true << 200 << QByteArray() << false;
}

void tst_NBXFlashDriveSetup::gzip()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, compress);
    QFETCH(int, cut);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString source = dir.filePath("in.gz"), target = dir.filePath("out");
    if (compress)
        writeGzip(source, stored);
    else
        writeBytes(source, stored);
    if (cut)
        QVERIFY(QFile::resize(source, cut));
    const bool complete = cGzDecompressor().extract(source, target);
    QTEST(complete, "complete");
    if (!expected.isEmpty())
        QCOMPARE(readBytes(target), expected);
    else
        QVERIFY(!stored.startsWith(readBytes(target)) || readBytes(target).size() < stored.size());
}

QTEST_GUILESS_MAIN(tst_NBXFlashDriveSetup)
#include "tst_nbxflashdrivesetup.moc"
