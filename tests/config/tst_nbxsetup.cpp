#include "config/csetupwidget.h"
#include "config/nbxsettings.h"
#include "config/nbxsetup.h"

#include <QFile>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records function calls so callSetup's split can be seen.
class RecordingSetup : public NBXSetup
{
public:
    RecordingSetup() : NBXSetup(QString()) {}
    QStringList calls;
    void function(QString s, QString param) override { calls << s + QLatin1Char('|') + param; }
    using NBXSetup::function;
};

} // namespace

class tst_NBXSetup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& text)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size())
            qFatal("cannot write fixture");
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void keyErrors_data();
    void keyErrors();
    void valueAndDefault();
    void setValueKeepsSlashes();
    void pathAndDefValue_data();
    void pathAndDefValue();
    void regexpValues();
    void missingFileReportsOnceAndKeepsValuesInMemory();
    void newPathDropsCachedSettings();
    void baseOperations();
    void metaObjectOrder();
    void callSetup_data();
    void callSetup();
    void stateDirectives_data();
    void stateDirectives();
    void runawayStateDirectivesEnd();
    void multiplyingStateDirectivesStopAtTheBound();
    void manyDirectiveLikeLinesCompileAtOnce();
};

void tst_NBXSetup::keyErrors_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");

    QTest::newRow("value with two parts") << "value"
                                          << "general/network"
                                          << "Wrong key \"general/network\"";
    QTest::newRow("value of empty key") << "value"
                                        << ""
                                        << "Wrong key \"\"";
    QTest::newRow("setValue without value") << "setValue"
                                            << "general/network/login"
                                            << "Wrong value \"general/network/login\"";
    QTest::newRow("setValue with a line break")
        << "setValue"
        << "general/network/login/a\nb"
        << "Can not store \"general/network/login\": a line break cannot be written";
    QTest::newRow("setValue with both kinds of quote")
        << "setValue"
        << "general/network/login/it's \"x\""
        << "Can not store \"general/network/login\": a value with both kinds of quote cannot be "
           "written";
    QTest::newRow("regexp with one part") << "regexp"
                                          << "general"
                                          << "Wrong regexp_key \"general\"";
}

void tst_NBXSetup::keyErrors()
{
    QFETCH(QString, call);
    QFETCH(QString, key);
    NBXSetup setup("x");
    setup.setFilePath("general", writeFile("general.ini", "[ network ]\nlogin = admin\n"));
    QSignalSpy spy(&setup, &NBXSetup::pseudothrow);
    if (call == "value")
        QCOMPARE(setup.value(key), QString());
    else if (call == "setValue") {
        // Asked first, the source gives the same reason and reports nothing.
        const QString asked = setup.storeRefusal(key);
        QCOMPARE(spy.count(), 0);
        QTEST(asked, "message");
        setup.setValue(key);
    } else
        QCOMPARE(setup.regexp_values(key), QStringList());
    QCOMPARE(spy.count(), 1);
    QTEST(spy.at(0).at(0).toString(), "message");
    QCOMPARE(setup.value("general/network/login"), QString("admin"));
}

void tst_NBXSetup::valueAndDefault()
{
    NBXSetup setup("x");
    setup.setFilePath("general", writeFile("g1.ini", "[ network ]\nlogin = admin\n"));
    QCOMPARE(setup.value("general/network/port/8080"), QString("8080"));
    QCOMPARE(setup.value("general/network/login/guest"), QString("admin"));
    QCOMPARE(setup.value("general/network/port"), QString());
    // Asking whether a value can be stored does not store it.
    QCOMPARE(setup.storeRefusal("general/network/port/81"), QString());
    QCOMPARE(setup.value("general/network/port"), QString());
    setup.setValue("general/network/port/81");
    QCOMPARE(setup.value("general/network/port/8080"), QString("81"));
}

void tst_NBXSetup::setValueKeepsSlashes()
{
    const QString path = writeFile("g2.ini", "[ network ]\nurl = a\n");
    {
        NBXSetup setup("x");
        setup.setFilePath("general", path);
        setup.setValue("general/network/url/x/y/z");
        QCOMPARE(setup.value("general/network/url"), QString("x/y/z"));
        QCOMPARE(contents(path), QByteArray("[ network ]\nurl = a\n"));
        setup.flush();
        QCOMPARE(contents(path), QByteArray("[ network ]\nurl = 'x/y/z'\n"));
    }
}

void tst_NBXSetup::pathAndDefValue_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("defValue");
    QTest::newRow("five parts") << "a/b/c/d/e"
                                << "a/b/c"
                                << "d/e";
    QTest::newRow("three parts") << "a/b/c"
                                 << "a/b/c"
                                 << "";
    QTest::newRow("two parts") << "a/b"
                               << "a/b"
                               << "";
    QTest::newRow("empty tail") << "a/b/c/"
                                << "a/b/c"
                                << "";
}

void tst_NBXSetup::pathAndDefValue()
{
    QFETCH(QString, key);
    NBXSetup setup("x");
    QSignalSpy spy(&setup, &NBXSetup::pseudothrow);
    QTEST(setup.path(key), "path");
    QTEST(setup.defValue(key), "defValue");
    QCOMPARE(spy.count(), 0);
}

void tst_NBXSetup::regexpValues()
{
    NBXSetup setup("x");
    setup.setFilePath("users", writeFile("users.ini", "[ u1 ]\nname = a\nlevel = 2\n"
                                                      "[ u2 ]\nname = b\n"));
    QCOMPARE(setup.regexp_values("users/u.*/name/ignored"),
             (QStringList{"users/u1/name/a", "users/u2/name/b"}));
}

void tst_NBXSetup::missingFileReportsOnceAndKeepsValuesInMemory()
{
    NBXSetup setup("x");
    QSignalSpy spy(&setup, &NBXSetup::pseudothrow);
    QVERIFY(!setup.fileExists("net"));
    QCOMPARE(setup.value("net/a/b/dflt"), QString("dflt"));
    setup.setValue("net/a/b/5");
    QCOMPARE(setup.value("net/a/b/dflt"), QString("5"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QString("File \"net\" does not exist"));
    QCOMPARE(setup.filePath("net"), QString());
    QCOMPARE(spy.count(), 2);
}

void tst_NBXSetup::newPathDropsCachedSettings()
{
    NBXSetup setup("x");
    setup.setFilePath("net", writeFile("old.ini", "[ a ]\nb = 1\n"));
    QCOMPARE(setup.value("net/a/b"), QString("1"));
    setup.setFilePath("net", writeFile("new.ini", "[ a ]\nb = 2\n"));
    QCOMPARE(setup.value("net/a/b"), QString("2"));
}

void tst_NBXSetup::baseOperations()
{
    NBXSetup setup("x");
    QSignalSpy progress(&setup, &NBXSetup::progress);
    QSignalSpy loaded(&setup, &NBXSetup::loadDone);
    QSignalSpy stored(&setup, &NBXSetup::storeDone);

    setup.load();
    QCOMPARE(progress.count(), 1);
    QCOMPARE(progress.at(0).at(0).toInt(), 100);
    QCOMPARE(loaded.count(), 1);

    setup.function("save_settings", "");
    QCOMPARE(progress.count(), 2);
    QCOMPARE(stored.count(), 1);

    setup.function("soft_reboot");
    QCOMPARE(progress.count(), 3);
    QCOMPARE(stored.count(), 1);
    QCOMPARE(loaded.count(), 1);
}

void tst_NBXSetup::metaObjectOrder()
{
    // Hosts built against an older header connect to signals by index, so
    // new signals come after the old ones; descriptions reach slots by name.
    const QMetaObject& mo = NBXSetup::staticMetaObject;
    QStringList methods;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        methods << QString::fromLatin1(mo.method(i).methodSignature());
    QCOMPARE(methods,
             (QStringList{"loadDone()", "storeDone()", "progress(int)", "pseudothrow(QString)",
                          "cancelled()", "functionDone(QString)", "load()", "store()",
                          "function(QString,QString)", "function(QString)"}));
    QCOMPARE(mo.method(mo.indexOfMethod("progress(int)")).parameterNames().at(0),
             QByteArray("prc"));
}

void tst_NBXSetup::callSetup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("call");
    QTest::newRow("name and parameters") << "a,b,c"
                                         << "a|b,c";
    QTest::newRow("name only") << "soft_reboot"
                               << "soft_reboot|";
    QTest::newRow("empty") << ""
                           << "|";
    QTest::newRow("empty parameter") << "format,"
                                     << "format|";
}

void tst_NBXSetup::callSetup()
{
    QFETCH(QString, text);
    RecordingSetup setup;
    cSetupWidget w(&setup);
    QVERIFY(QMetaObject::invokeMethod(&w, "callSetup", Qt::DirectConnection, Q_ARG(QString, text)));
    QCOMPARE(setup.calls.size(), 1);
    QTEST(setup.calls.at(0), "call");
}

void tst_NBXSetup::stateDirectives_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QByteArray>("expected");

    // Patterns are chosen so they do not match their own directive line.
    QTest::newRow("value substituted, directive kept")
        << QByteArray("[ s ]\n#! s/IP:[0-9.]+;/IP:{net/lan/ip};/\nIP:0.0.0.0;\n")
        << QByteArray("[ s ]\n#! s/IP:[0-9.]+;/IP:{net/lan/ip};/\nIP:10.1.1.1;\n");
    QTest::newRow("patterns match minimally")
        << QByteArray("\n#! s/N\\d+/N{net/lan/port}/\nN123\n")
        << QByteArray("\n#! s/N\\d+/N{net/lan/port}/\nN808023\n");
    QTest::newRow("back-references in prefix and suffix")
        << QByteArray("x\n#! s/(port)=(\\d+)/\\1={net/lan/port}:\\2/\nport=1\nport=2\n")
        << QByteArray("x\n#! s/(port)=(\\d+)/\\1={net/lan/port}:\\2/\nport=8080:1\n"
                      "port=8080:2\n");
    QTest::newRow("directive on the first line not applied")
        << QByteArray("#! s/\\bOLD\\b/{net/lan/ip}/\nOLD\n")
        << QByteArray("#! s/\\bOLD\\b/{net/lan/ip}/\nOLD\n");
    QTest::newRow("two directives in turn")
        << QByteArray("\n#! s/\\bAA\\b/{net/lan/ip}/\n#! s/\\bBB\\b/{net/lan/port}/\nAA BB\n")
        << QByteArray("\n#! s/\\bAA\\b/{net/lan/ip}/\n#! s/\\bBB\\b/{net/lan/port}/\n"
                      "10.1.1.1 8080\n");
    QTest::newRow("default of the key")
        << QByteArray("\n#! s/\\bZZ\\b/{net/lan/none/dflt}/\nZZ\n")
        << QByteArray("\n#! s/\\bZZ\\b/{net/lan/none/dflt}/\ndflt\n");
    QTest::newRow("pattern matching its own line rewrites it")
        << QByteArray("\n#! s/A/{net/lan/port}/\nA\n")
        << QByteArray("\n#! s/8080/{net/lan/port}/\n8080\n");
}

void tst_NBXSetup::stateDirectives()
{
    QFETCH(QByteArray, state);
    NBXSetup setup("x");
    setup.setFilePath("net", writeFile("net.ini", "[ lan ]\nip = '10.1.1.1'\nport = 8080\n"));
    const QString statePath = writeFile("state", state);
    setup.setFilePath("state", statePath);
    setup._compile_state("state");
    QTEST(contents(statePath), "expected");
}

void tst_NBXSetup::runawayStateDirectivesEnd()
{
    NBXSetup setup("x");
    setup.setFilePath("net", writeFile("net2.ini", "[ lan ]\nip = 1\n"));
    // Each replacement writes two more directives, each of which doubles the
    // text again; an empty pattern matches between every two characters.
    const QString breeding = writeFile("breed", "\n#! s/Q/\n#! s/Q/{net/lan/ip}Q/\n");
    setup.setFilePath("state", breeding);
    setup._compile_state("state");
    QVERIFY(QFile(breeding).size() <= NBXSetup::kMaxStateText);
    const QString growing =
        writeFile("grow", QByteArray("\n#! s//{net/lan/ip}/\n") + QByteArray(4000, 'a') + "\n");
    setup.setFilePath("state", growing);
    setup._compile_state("state");
    QVERIFY(QFile(growing).size() <= NBXSetup::kMaxStateText);
}

// A state file of 3 KB with two directives that multiply: the first doubles
// every Q, and as the Qs before it grow, the search for the next directive
// finds it again and again; the second would double every directive line.
// Compiling stops at a bound with the text as compiled so far.
void tst_NBXSetup::multiplyingStateDirectivesStopAtTheBound()
{
    NBXSetup setup("x");
    setup.setFilePath("net", writeFile("net3.ini", "[ lan ]\nip = 1\n"));
    const QByteArray directives = "#! s/(\\x0051)/\\1\\1{net/lan/none}/\n"
                                  "#! s/(#!.*\\n)/\\1\\1{net/lan/none}/\n";
    const QString path =
        writeFile("multiplying", "[ s ]\nv=" + QByteArray(3000, 'Q') + "\n" + directives);
    setup.setFilePath("state", path);
    setup._compile_state("state");

    // The Qs doubled some times over, each doubling kept whole.
    const QByteArray compiled = contents(path);
    QVERIFY(compiled.size() <= NBXSetup::kMaxStateText);
    int doublings = 0;
    while (compiled.startsWith("[ s ]\nv=" + QByteArray(3000 << (doublings + 1), 'Q')))
        ++doublings;
    QVERIFY(doublings >= 3);
    QCOMPARE(compiled, "[ s ]\nv=" + QByteArray(3000 << doublings, 'Q') + "\n" + directives);
}

// Lines that start like directives but never close made every search for the
// next directive run to the end of the text from each of them.
void tst_NBXSetup::manyDirectiveLikeLinesCompileAtOnce()
{
    NBXSetup setup("x");
    setup.setFilePath("net", writeFile("net4.ini", "[ lan ]\nip = 1\n"));
    QByteArray state = "[ s ]\n#! s/IP:[0-9]+;/IP:{net/lan/ip};/\nIP:0;\n";
    for (int i = 0; i < 20000; ++i)
        state += "#! s/a\n";
    const QString path = writeFile("unclosed", state);
    setup.setFilePath("state", path);
    setup._compile_state("state");
    QCOMPARE(contents(path), QByteArray(state).replace("IP:0;", "IP:1;"));
}

QTEST_MAIN(tst_NBXSetup)
#include "tst_nbxsetup.moc"
