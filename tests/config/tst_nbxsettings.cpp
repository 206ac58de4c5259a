#include "config/nbxsettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using Kind = cIniLine::Info::Kind;
Q_DECLARE_METATYPE(cIniLine::Info::Kind)
using Storage = NBXSettings::Storage;
Q_DECLARE_METATYPE(NBXSettings::Storage)

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Sets each key=value edit, then flushes: whether the flush succeeded and
// the bytes it reported as written (null when it wrote nothing).
QPair<bool, QByteArray> editAndFlush(NBXSettings& s, const QStringList& edits)
{
    for (const QString& e : edits) {
        const qsizetype eq = e.indexOf(QLatin1Char('='));
        s.setValue(e.left(eq), e.mid(eq + 1));
    }
    QByteArray written;
    const bool ok = s.flush(&written);
    return {ok, written};
}

} // namespace

class tst_NBXSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_n = 0;

    QString makeFile(const QByteArray& text)
    {
        const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(m_n++));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            qFatal("cannot write fixture");
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void classify_data();
    void classify();
    void fastClassifierAgreesWithPatterns();
    void quoting_data();
    void quoting();
    void rewrite_data();
    void rewrite();
    void everyStorageWritesTheSameBytes_data() { rewrite_data(); }
    void everyStorageWritesTheSameBytes();
    void realisticFileKeepsEverythingButTheEditedLine();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void lastWinsAndRegexpValues();
    void valuesThatCannotReadBack_data();
    void valuesThatCannotReadBack();
    void unwritablePlaceKeepsOldFileAndValues_data();
    void unwritablePlaceKeepsOldFileAndValues();
    void untouchedObjectNeverTruncates();
    void missingFileIsCreatedWithNewKeysOnly();
};

void tst_NBXSettings::classify_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    const Kind K = Kind::Key, H = Kind::Header, O = Kind::Other;
    QTest::newRow("bare number") << "port = 80\n"
                                 << K << "port"
                                 << "80";
    QTest::newRow("no blanks around sign") << "port=80\n"
                                           << K << "port"
                                           << "80";
    QTest::newRow("single quoted") << "name = 'My camera'\n"
                                   << K << "name"
                                   << "My camera";
    QTest::newRow("double quoted") << "name = \"My camera\"\n"
                                   << K << "name"
                                   << "My camera";
    QTest::newRow("double quoted holds single") << "n = \"Bob's\"\n"
                                                << K << "n"
                                                << "Bob's";
    QTest::newRow("multi-word unquoted") << "name=My camera\n"
                                         << K << "name"
                                         << "My camera";
    QTest::newRow("empty value") << "empty =\n"
                                 << K << "empty"
                                 << "";
    QTest::newRow("empty quoted") << "e = ''\n"
                                  << K << "e"
                                  << "";
    QTest::newRow("semicolon after value") << "x = 1 ; note\n"
                                           << K << "x"
                                           << "1 ; note";
    QTest::newRow("leading blanks") << "   x = 1\n"
                                    << K << "x"
                                    << "1";
    QTest::newRow("trailing blank") << "x = 1 \n"
                                    << O << ""
                                    << "";
    QTest::newRow("no line break") << "x = 1" << O << ""
                                   << "";
    QTest::newRow("semicolon comment") << "; x = 1\n"
                                       << O << ""
                                       << "";
    QTest::newRow("semicolon in name") << "a;b = 1\n"
                                       << O << ""
                                       << "";
    QTest::newRow("hash is a name character") << "#x = 1\n"
                                              << K << "#x"
                                              << "1";
    QTest::newRow("mixed quotes") << "x = 'a\"b'\n"
                                  << K << "x"
                                  << "a\"b";
    QTest::newRow("unbalanced quote") << "x = 'abc\n"
                                      << O << ""
                                      << "";
    QTest::newRow("blank line") << "\n"
                                << O << ""
                                << "";
    QTest::newRow("section") << "[net]\n"
                             << H << "net"
                             << "";
    QTest::newRow("section with blanks") << "  [ net ]\n"
                                         << H << "net"
                                         << "";
    QTest::newRow("section with trailing text") << "[ net ] ; network\n"
                                                << H << "net"
                                                << "";
    QTest::newRow("section name with blank") << "[net video]\n"
                                             << O << ""
                                             << "";
}

void tst_NBXSettings::classify()
{
    QFETCH(QString, line);
    const cIniLine::Info li = cIniLine::classify(line);
    QTEST(li.kind, "kind");
    QTEST(li.name, "name");
    QTEST(li.value, "value");
}

void tst_NBXSettings::fastClassifierAgreesWithPatterns()
{
    // Random lines over the characters that matter to the two patterns.
    const QString alphabet = QStringLiteral(" \t\rab1=;'\"[]#");
    QRandomGenerator rng(20261210);
    for (int n = 0; n < 50000; ++n) {
        QString line;
        const int len = rng.bounded(14);
        for (int i = 0; i < len; ++i)
            line += alphabet.at(rng.bounded(alphabet.size()));
        if (rng.bounded(4) != 0)
            line += QLatin1Char('\n');
        const cIniLine::Info fast = cIniLine::classify(line);
        const cIniLine::Info ref = cIniLine::classifyByPattern(line);
        if (fast.kind != ref.kind || fast.name != ref.name || fast.value != ref.value)
            QFAIL(qPrintable(QStringLiteral("disagree on \"%1\"").arg(line)));
    }
}

void tst_NBXSettings::quoting_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");

    QTest::newRow("zero") << "0"
                          << "0";
    QTest::newRow("positive") << "42"
                              << "42";
    QTest::newRow("negative") << "-7"
                              << "-7";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("leading zero") << "007"
                                  << "'007'";
    QTest::newRow("plus sign") << "+5"
                               << "'+5'";
    QTest::newRow("decimal") << "1.5"
                             << "'1.5'";
    QTest::newRow("word") << "abc"
                          << "'abc'";
    QTest::newRow("beyond int") << "2147483648"
                                << "'2147483648'";
    QTest::newRow("single quote") << "Bob's camera"
                                  << "\"Bob's camera\"";
    QTest::newRow("double quote") << "say \"hi\""
                                  << "'say \"hi\"'";
}

void tst_NBXSettings::quoting()
{
    QFETCH(QString, value);
    QTEST(cIniLine::quoted(value), "written");
}

// Original file, edits as key=value lines, expected file after flush.
void tst_NBXSettings::rewrite_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("existing key, only its line changes")
        << QByteArray("# head\n[ net ]\nip = '10.0.0.1'\n\nport = 80\n")
        << QStringList{"net/port=81"}
        << QByteArray("# head\n[ net ]\nip = '10.0.0.1'\n\nport = 81\n");
    QTest::newRow("sectionless: new key appended")
        << QByteArray("a = 1\n; c\n") << QStringList{"untitled/x=2"}
        << QByteArray("a = 1\n; c\nx = 2\n");
    QTest::newRow("sectionless: other section refused, file unchanged")
        << QByteArray("a = 1\n") << QStringList{"net/x=2"} << QByteArray("a = 1\n");
    QTest::newRow("sectionless: existing key replaced")
        << QByteArray("a = 1\nb = 2\n") << QStringList{"untitled/b=3"}
        << QByteArray("a = 1\nb = 3\n");
    QTest::newRow("new key after the section's last key")
        << QByteArray("[ net ]\na = 1\nb = 2\n[ video ]\nc = 3\n") << QStringList{"net/z=9"}
        << QByteArray("[ net ]\na = 1\nb = 2\nz = 9\n[ video ]\nc = 3\n");
    QTest::newRow("new keys land in key order")
        << QByteArray("[ net ]\na = 1\n\n[ video ]\nc = 3\n") << QStringList{"net/y=2", "net/x=1"}
        << QByteArray("[ net ]\na = 1\nx = 1\ny = 2\n\n[ video ]\nc = 3\n");
    QTest::newRow("new key of a section without header")
        << QByteArray("[ net ]\na = 1\n") << QStringList{"video/fps=25"}
        << QByteArray("[ net ]\na = 1\n[ video ]\nfps = 25\n");
    QTest::newRow("new key of the last section, header last line")
        << QByteArray("[ net ]\na = 1\n[ video ]\n") << QStringList{"video/fps=25"}
        << QByteArray("[ net ]\na = 1\n[ video ]\nfps = 25\n");
    QTest::newRow("new key of the last section goes to the end")
        << QByteArray("[ net ]\na = 1\n[ video ]\nc = 3\n# end\n") << QStringList{"video/d=4"}
        << QByteArray("[ net ]\na = 1\n[ video ]\nc = 3\n# end\nd = 4\n");
    QTest::newRow("new key of an empty section goes after its header")
        << QByteArray("[ net ]\n[ video ]\nc = 3\n") << QStringList{"net/a=1"}
        << QByteArray("[ net ]\na = 1\n[ video ]\nc = 3\n");
    QTest::newRow("trailing blank line is not a key")
        << QByteArray("[ s ]\nx = 1 \n") << QStringList{"s/x=2"}
        << QByteArray("[ s ]\nx = 1 \nx = 2\n");
    QTest::newRow("a write puts every value in canonical form")
        << QByteArray("[ s ]\nname=My camera\nn=5\n") << QStringList{"s/n=6"}
        << QByteArray("[ s ]\nname = 'My camera'\nn = 6\n");
    QTest::newRow("no change, no write")
        << QByteArray("[ s ]\nname=My camera\nn=5\n") << QStringList{"s/n=5"}
        << QByteArray("[ s ]\nname=My camera\nn=5\n");
    QTest::newRow("value quoted on write") << QByteArray("[ s ]\nx = 1\n") << QStringList{"s/x=007"}
                                           << QByteArray("[ s ]\nx = '007'\n");
    QTest::newRow("single quote inside value")
        << QByteArray("[ s ]\nname = cam\n") << QStringList{"s/name=Bob's camera"}
        << QByteArray("[ s ]\nname = \"Bob's camera\"\n");
    QTest::newRow("last line without line break kept apart")
        << QByteArray("a = 1\n# tail") << QStringList{"untitled/b=2"}
        << QByteArray("a = 1\n# tail\nb = 2\n");
    QTest::newRow("key on a last line without line break stays a key")
        << QByteArray("a = 1\nb = 2 ") << QStringList{"untitled/c=3"}
        << QByteArray("a = 1\nb = 2\nc = 3\n");
    QTest::newRow("last line turned into a key: an unedited key follows the file")
        << QByteArray("[ a ]\nb = 1\nb = 2") << QStringList{"a/c=3"}
        << QByteArray("[ a ]\nb = 1\nb = 2\nc = 3\n");
    QTest::newRow("last line turned into a key: an edited key keeps its edit")
        << QByteArray("[ a ]\nb = 1\nb = 2") << QStringList{"a/b=5", "a/c=3"}
        << QByteArray("[ a ]\nb = 5\nb = 5\nc = 3\n");
    QTest::newRow("crlf lines become lf")
        << QByteArray("[ s ]\r\nx = 1\r\n") << QStringList{"s/x=2"} << QByteArray("[ s ]\nx = 2\n");
    // A read drops one carriage return before a line feed, so a line that
    // keeps one must be written with one more, or each write would eat one
    // and a line could turn into a key.
    QTest::newRow("carriage returns of a line kept")
        << QByteArray("[ s ]\nx = 1\nnote\r\r\n") << QStringList{"s/x=2"}
        << QByteArray("[ s ]\nx = 2\nnote\r\r\n");
    QTest::newRow("carriage returns of a last line without line break kept")
        << QByteArray("[ s ]\nx = 1\ny = 2\r\r") << QStringList{"s/z=3"}
        << QByteArray("[ s ]\nx = 1\ny = 2\r\r\r\nz = 3\n");
    QTest::newRow("key above the first header")
        << QByteArray("top = 1\n[ s ]\ntop = 5\n") << QStringList{"untitled/top=2"}
        << QByteArray("top = 2\n[ s ]\ntop = 5\n");
    QTest::newRow("repeated section: each occurrence, never another section")
        << QByteArray("[ z ]\ny = 1\n[ a ]\nx = 2\n[ z ]\nx = 3\n") << QStringList{"z/x=7"}
        << QByteArray("[ z ]\ny = 1\n[ a ]\nx = 2\n[ z ]\nx = 7\n");
}

void tst_NBXSettings::rewrite()
{
    QFETCH(QByteArray, original);
    QFETCH(QStringList, edits);
    const QString path = makeFile(original);
    {
        NBXSettings s(path);
        QVERIFY(s.myReadFunc());
        for (const QString& e : edits) {
            const qsizetype eq = e.indexOf(QLatin1Char('='));
            s.setValue(e.left(eq), e.mid(eq + 1));
        }
        QVERIFY(s.flush());
        QTEST(contents(path), "expected");
    }
    // The destructor's write after a flush must not add anything again.
    QTEST(contents(path), "expected");
}

// The bytes a store sends come from memory, and the private copies are
// rewritten in place: every storage must give exactly the bytes of the
// atomic file writer, and the same values when read back.
void tst_NBXSettings::everyStorageWritesTheSameBytes()
{
    QFETCH(QByteArray, original);
    QFETCH(QStringList, edits);
    QFETCH(QByteArray, expected);
    const QString atomicPath = makeFile(original);
    const QString plainPath = makeFile(original);
    const ino_t plainInode = inodeOf(plainPath);
    NBXSettings atomic(atomicPath);
    NBXSettings plain(plainPath, Storage::PlainFile);
    NBXSettings memory = NBXSettings::inMemory(original);

    const auto byAtomic = editAndFlush(atomic, edits);
    const auto byPlain = editAndFlush(plain, edits);
    const auto byMemory = editAndFlush(memory, edits);
    QVERIFY(byAtomic.first);
    QCOMPARE(byPlain, byAtomic);
    QCOMPARE(byMemory, byAtomic);
    if (!byAtomic.second.isNull())
        QCOMPARE(byAtomic.second, expected);
    QCOMPARE(contents(atomicPath), expected);
    QCOMPARE(contents(plainPath), expected);
    QCOMPARE(memory.memoryBytes(), expected);
    QCOMPARE(inodeOf(plainPath), plainInode);

    NBXSettings readAtomic(atomicPath);
    NBXSettings readMemory = NBXSettings::inMemory(memory.memoryBytes());
    QCOMPARE(readMemory.regexp_values(".*"), readAtomic.regexp_values(".*"));
    QCOMPARE(memory.regexp_values(".*"), atomic.regexp_values(".*"));
}

void tst_NBXSettings::realisticFileKeepsEverythingButTheEditedLine()
{
    const QByteArray original = "# Network settings of the recorder\n"
                                "# generated by the device; edit with care\n"
                                "\n"
                                "[ common ]\n"
                                "dhcp = 0\n"
                                "hostname = 'velk-nvr'\n"
                                "\n"
                                "; static address\n"
                                "[ static ]\n"
                                "ip = '192.168.1.20'\n"
                                "mask = '255.255.255.0'\n"
                                "gateway = '192.168.1.1'\n"
                                "\n"
                                "[ dns ]\n"
                                "server1 = '8.8.8.8'\n";
    const QString path = makeFile(original);
    NBXSettings s(path);
    QCOMPARE(s.value("static/mask").toString(), QString("255.255.255.0"));
    s.setValue("static/gateway", "192.168.1.254");
    s.flush();
    QByteArray expected = original;
    expected.replace("gateway = '192.168.1.1'", "gateway = '192.168.1.254'");
    QCOMPARE(contents(path), expected);
    QCOMPARE(s.value("static/gateway").toString(), QString("192.168.1.254"));
}

void tst_NBXSettings::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("leading zero") << "007";
    QTest::newRow("inner blanks") << "My camera";
    QTest::newRow("leading blank") << " x";
    QTest::newRow("single quote") << "Bob's camera";
    QTest::newRow("double quote") << "a \"b\"";
    QTest::newRow("cyrillic") << QString::fromUtf8("Камера 1");
    QTest::newRow("slashes") << "x/y/z";
    QTest::newRow("empty") << "";
}

void tst_NBXSettings::valuesRoundTrip()
{
    QFETCH(QString, value);
    const QString path = makeFile("[ s ]\nother = 1\n");
    {
        NBXSettings s(path);
        s.setValue("s/v", value);
    }
    NBXSettings again(path);
    QCOMPARE(again.value("s/v", "<none>").toString(), value);
    QCOMPARE(again.value("s/other").toString(), QString("1"));
}

void tst_NBXSettings::lastWinsAndRegexpValues()
{
    const QString path = makeFile("x = 0\n[ cam ]\nname1 = a\nname2 = b\nname1 = c\nfps = 25\n");
    NBXSettings s(path);
    QCOMPARE(s.value("cam/name1").toString(), QString("c"));
    QCOMPARE(s.value("untitled/x").toString(), QString("0"));
    QCOMPARE(s.value("cam/none", "dflt").toString(), QString("dflt"));
    QCOMPARE(s.regexp_values("cam/name.*"), (QStringList{"cam/name1/c", "cam/name2/b"}));
    QCOMPARE(s.regexp_values("cam/name"), QStringList());
}

// A key is set to each value in turn and flushed. The first `refused` values
// cannot be written so that they read back as the key: each is refused with
// a reason naming the fault and leaves the file and the held value alone.
// The file on disk must then read back, in a fresh reader, as `readBack`.
void tst_NBXSettings::valuesThatCannotReadBack_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("refused");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("readBack");

    const QByteArray a("[a]\nj = 1\n");
    const QByteArray ak("[a]\nj = 1\nk = 'z'\n");
    const QString none("<none>");
    QTest::newRow("line break in value, then a plain one")
        << a << "a/k" << QStringList{"x\ny", "z"} << 1 << "line break" << ak << "z";
    QTest::newRow("line break over a value read from the file")
        << QByteArray("[a]\nk = 1\n") << "a/k" << QStringList{"x\ny", "z"} << 1 << "line break"
        << QByteArray("[a]\nk = 'z'\n") << "z";
    QTest::newRow("both kinds of quote, then a plain value")
        << a << "a/k" << QStringList{"it's \"x\"", "z"} << 1 << "both kinds of quote" << ak << "z";
    QTest::newRow("blank in key name")
        << a << "a/k k" << QStringList{"1", "2"} << 2 << "key name" << a << none;
    QTest::newRow("name that would start a comment")
        << a << "a/;k" << QStringList{"1", "2"} << 2 << "key name" << a << none;
    QTest::newRow("empty name") << a << "a/" << QStringList{"1", "2"} << 2 << "key name" << a
                                << none;
    QTest::newRow("line break in key name")
        << a << "a/k\nx" << QStringList{"1"} << 1 << "line break" << a << none;
    QTest::newRow("blank in section name")
        << a << "my net/x" << QStringList{"1", "2"} << 2 << "section name" << a << none;
    QTest::newRow("section name that reads as a key line")
        << a << "=x/y" << QStringList{"1"} << 1 << "section name" << a << none;
    QTest::newRow("named section in a file without headers")
        << QByteArray("j = 1\n") << "net/x" << QStringList{"1", "2"} << 2 << "without headers"
        << QByteArray("j = 1\n") << none;
    QTest::newRow("untitled key in a file without headers")
        << QByteArray("j = 1\n") << "untitled/x" << QStringList{"1", "2"} << 0 << ""
        << QByteArray("j = 1\nx = 2\n") << "2";
    QTest::newRow("named section in an empty file gets its header")
        << QByteArray() << "network/login" << QStringList{"admin", "root"} << 0 << ""
        << QByteArray("[ network ]\nlogin = 'root'\n") << "root";
    QTest::newRow("named section in a file of comments gets its header")
        << QByteArray("; nothing yet\n") << "network/login" << QStringList{"admin"} << 0 << ""
        << QByteArray("; nothing yet\n[ network ]\nlogin = 'admin'\n") << "admin";
    QTest::newRow("repeated key: every line of it changes")
        << QByteArray("[a]\nk = 1\n; old\nk = 2\n") << "a/k" << QStringList{"5"} << 0 << ""
        << QByteArray("[a]\nk = 5\n; old\nk = 5\n") << "5";
    QTest::newRow("repeated key without headers")
        << QByteArray("k = 1\nk = 2\n") << "untitled/k" << QStringList{"5"} << 0 << ""
        << QByteArray("k = 5\nk = 5\n") << "5";
    QTest::newRow("repeated key above the first header")
        << QByteArray("k = 1\nk = 2\n[a]\nk = 3\n") << "untitled/k" << QStringList{"5"} << 0 << ""
        << QByteArray("k = 5\nk = 5\n[a]\nk = 3\n") << "5";
}

void tst_NBXSettings::valuesThatCannotReadBack()
{
    QFETCH(QByteArray, original);
    QFETCH(QString, key);
    QFETCH(QStringList, values);
    QFETCH(int, refused);
    QFETCH(QString, reason);
    const QString path = makeFile(original);
    {
        NBXSettings s(path);
        QString held = s.value(key, "<none>").toString();
        for (int i = 0; i < values.size(); ++i) {
            const QByteArray before = contents(path);
            QString why;
            const bool accepted = s.setValue(key, values.at(i), &why);
            QCOMPARE(accepted, i >= refused);
            if (accepted) {
                QVERIFY(why.isEmpty());
                held = values.at(i);
            } else {
                QVERIFY2(why.contains(reason), qPrintable(why));
            }
            QCOMPARE(s.value(key, "<none>").toString(), held);
            QVERIFY(s.flush());
            if (!accepted)
                QCOMPARE(contents(path), before);
        }
    }
    QTEST(contents(path), "expected");
    NBXSettings fresh(path);
    QTEST(fresh.value(key, "<none>").toString(), "readBack");
}

void tst_NBXSettings::unwritablePlaceKeepsOldFileAndValues_data()
{
    QTest::addColumn<Storage>("storage");
    QTest::addColumn<bool>("keepsOldFile");
    QTest::newRow("atomic file: the old file stays whole") << Storage::AtomicFile << true;
    // Not the data of record: what counts is that no edit is lost.
    QTest::newRow("private copy: written whole on the next flush") << Storage::PlainFile << false;
}

void tst_NBXSettings::unwritablePlaceKeepsOldFileAndValues()
{
    QFETCH(Storage, storage);
    QFETCH(bool, keepsOldFile);
    const QByteArray original = "[ s ]\nx = 1\n";
    const QString path = makeFile(original);
    NBXSettings s(path, storage);
    s.setValue("s/x", "a value too long for the space left");

    // A file size limit makes the write fail part-way, as a full disk would,
    // and works for root too.
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const bool written = s.flush();
    ::setrlimit(RLIMIT_FSIZE, &saved);

    QVERIFY(!written);
    if (keepsOldFile)
        QCOMPARE(contents(path), original);
    QCOMPARE(s.value("s/x").toString(), QString("a value too long for the space left"));
    QVERIFY(s.flush());
    QCOMPARE(contents(path), QByteArray("[ s ]\nx = 'a value too long for the space left'\n"));
}

void tst_NBXSettings::untouchedObjectNeverTruncates()
{
    const QByteArray original = "[ s ]\nx = 1\n";
    const QString path = makeFile(original);
    {
        NBXSettings s(path);
        QVERIFY(s.flush());
    }
    QCOMPARE(contents(path), original);
}

void tst_NBXSettings::missingFileIsCreatedWithNewKeysOnly()
{
    const QString path = m_dir.filePath("absent.ini");
    {
        NBXSettings s(path);
        QCOMPARE(s.value("a/b", "d").toString(), QString("d"));
    }
    QVERIFY(!QFile::exists(path));
    {
        NBXSettings s(path);
        s.setValue("untitled/b", "1");
    }
    QCOMPARE(contents(path), QByteArray("b = 1\n"));
}

QTEST_GUILESS_MAIN(tst_NBXSettings)
#include "tst_nbxsettings.moc"
