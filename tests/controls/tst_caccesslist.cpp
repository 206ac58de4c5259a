// The user list inside a built dialog: its rows, what it writes, and the
// commands of its buttons and edit dialog as the description calls them.
#include "../setup/setupharness.h"
#include "controls/caccesslist.h"
#include "dialogscript.h"

#include <QLineEdit>
#include <QtTest>

#include <optional>

namespace {

const QByteArray kErrorDialogs[] = {"accessdlgerr_namedouble", "accessdlgerr_editrights",
                                    "accessdlgerr_name", "accessdlgerr_pass",
                                    "accessdlgerr_lastuser"};

// Each dialog is titled with its tag, so the dialogs that open can be named.
QByteArray description(bool clearPasswords = false)
{
    QByteArray x = R"(
<window><main/></window>
<tabwidget><tab><name>Users</name><item type="gridlayout">
  <item type="accesslist" row="0" column="0" )" +
                   QByteArray(clearPasswords ? "clearpassword=\"true\"" : "") + R"(>
    <accesslist/><key>users/accounts</key>
    <column width="120">Name</column><column width="90">Password</column><column>Level</column>
    <accesslevel>Viewer</accesslevel><accesslevel>Operator</accesslevel>
    <accesslevel>Administrator</accesslevel>
  </item>
</item></tab></tabwidget>
<dialog title="accessdlg"><accessdlg/><item type="gridlayout">
  <item type="edit" row="0" column="0"><key>general/access/name</key></item>
  <item type="edit" row="1" column="0" password="on"><key>general/access/pass1</key></item>
  <item type="edit" row="2" column="0" password="on"><key>general/access/pass2</key></item>
</item></dialog>
)";
    for (const QByteArray& tag : kErrorDialogs)
        x += "<dialog title=\"" + tag + "\"><" + tag + "/></dialog>\n";
    return SetupHarness::wrap(x);
}

const QString kAdminDigest = QStringLiteral("21232f297a57a5a743894a0e4a801fc3");
const QString kSecretDigest = QStringLiteral("5ebe2294ecd0e0f08eab7690d2a6ee69");
const QString kEmptyDigest = QStringLiteral("d41d8cd98f00b204e9800998ecf8427e");

const QByteArray kThreeUsers = "[ accounts ]\nCNT = 3\n"
                               "NAME0 = admin\nPASSWD0 = 21232f297a57a5a743894a0e4a801fc3\n"
                               "LEVEL0 = 3\n"
                               "NAME1 = alice\nPASSWD1 = 4b583376b2767b923c3e1da60d10de59\n"
                               "LEVEL1 = 2\n"
                               "NAME2 = bob\nPASSWD2 = 4b2a1529867b8d697685b1722ccd0149\n"
                               "LEVEL2 = 1\n";

using Keys = QMap<QString, QString>;

// "CNT=4;NAME3=carol" as keys and values.
Keys keys(const QString& text)
{
    Keys out;
    for (const QString& pair : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        out.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return out;
}

// The keys of the accounts section as a new reader finds them in the file.
Keys accountsInFile(const QString& path)
{
    NBXSetup reader{QString()};
    reader.setFilePath(QStringLiteral("users"), path);
    Keys out;
    const QString prefix = QStringLiteral("users/accounts/");
    for (const QString& entry : reader.regexp_values(QStringLiteral("users/accounts/.*"))) {
        const QString rest = entry.mid(prefix.size());
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        out.insert(rest.left(slash), rest.mid(slash + 1));
    }
    return out;
}

void call(SetupHarness& h, const char* slot, const QString& param)
{
    QVERIFY(QMetaObject::invokeMethod(h.dialog.get(), slot, Qt::DirectConnection,
                                      Q_ARG(QString, param)));
}

// A dialog over `users` with the row `current` made current (-1: none).
struct UsersFixture
{
    SetupHarness h;
    QString path;
    cAccessList* list = nullptr;

    UsersFixture(const QByteArray& users, int current, bool clearPasswords = false)
    {
        path = h.write(QStringLiteral("users.ini"), users);
        h.source.setFilePath(QStringLiteral("users"), path);
        h.build(description(clearPasswords));
        list = h.control<cAccessList>(QStringLiteral("accesslist"));
        if (list)
            list->setCurrentItem(current < 0 ? nullptr : list->topLevelItem(current));
    }

    // The section after the edits were flushed, and whether nothing changed.
    void compareWritten(const QByteArray& before, const Keys& changes)
    {
        h.source.flush();
        Keys expected = accountsInFile(h.write(QStringLiteral("before.ini"), before));
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            expected.insert(it.key(), it.value());
        QCOMPARE(accountsInFile(path), expected);
        if (changes.isEmpty())
            QCOMPARE(readLocal(path), before);
    }

    static QByteArray readLocal(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// What the user does in the edit dialog: texts typed into its three edits
// (nullopt leaves an edit alone) and the level chosen (0 leaves it).
struct Entry
{
    int current = 0;
    QString prepare = QStringLiteral("new");
    std::optional<QString> name = std::nullopt;
    std::optional<QString> pass1 = std::nullopt;
    std::optional<QString> pass2 = std::nullopt;
    int level = 0;
    bool clearPasswords = false;
};

} // namespace

Q_DECLARE_METATYPE(Entry)

class tst_cAccessList : public QObject
{
    Q_OBJECT

private slots:
    void loadedRows();
    void userCountIsBounded_data();
    void userCountIsBounded();
    void prepareCommands_data();
    void prepareCommands();
    void editDialogOk_data();
    void editDialogOk();
    void remove_data();
    void remove();
    void unknownCommand();
};

void tst_cAccessList::loadedRows()
{
    UsersFixture f(kThreeUsers + "CNT = 4\nNAME3 = guest\nLEVEL3 = 7\n", 0);
    QVERIFY(f.list);
    QCOMPARE(f.list->userCount(), 4);
    QCOMPARE(f.list->currentIdx(), 0);
    const QTreeWidgetItem* admin = f.list->topLevelItem(0);
    QCOMPARE(admin->text(0), QStringLiteral("admin"));
    QCOMPARE(admin->text(1), QStringLiteral("********"));
    QCOMPARE(admin->text(2), QStringLiteral("Administrator"));
    QCOMPARE(f.list->topLevelItem(1)->text(2), QStringLiteral("Operator"));
    // A level the description names not shows nothing.
    QCOMPARE(f.list->topLevelItem(3)->text(2), QString());
    QCOMPARE(f.list->getUser(0).password, kAdminDigest);
    QCOMPARE(f.h.errorTexts(), QStringList());
}

void tst_cAccessList::userCountIsBounded_data()
{
    QTest::addColumn<QByteArray>("count");
    QTest::addColumn<int>("users");
    QTest::newRow("three") << QByteArray("CNT = 3\n") << 3;
    QTest::newRow("missing") << QByteArray() << 0;
    QTest::newRow("negative") << QByteArray("CNT = -4\n") << 0;
    QTest::newRow("not a number") << QByteArray("CNT = 3x\n") << 0;
    QTest::newRow("above the bound") << QByteArray("CNT = 20000\n") << 10000;
    QTest::newRow("too many digits for a number")
        << QByteArray("CNT = 99999999999999999999999\n") << 10000;
}

void tst_cAccessList::userCountIsBounded()
{
    QFETCH(QByteArray, count);
    QFETCH(int, users);
    UsersFixture f("[ accounts ]\n" + count, 0);
    QCOMPARE(f.list->userCount(), users);
    QCOMPARE(f.list->topLevelItemCount(), users);
    QCOMPARE(f.list->currentIdx(), users > 0 ? 0 : -1);
}

void tst_cAccessList::prepareCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("scratch"); // name, pass1, pass2, level, edit

    QTest::newRow("edit takes the current user")
        << "edit" << 1 << QStringList{"alice", "", "", "2", "1"};
    QTest::newRow("edit without a current row writes nothing")
        << "edit" << -1 << QStringList{"old", "p", "p", "2", "0"};
    QTest::newRow("new clears the entry") << "new" << 1 << QStringList{"", "", "", "1", "0"};
}

void tst_cAccessList::prepareCommands()
{
    QFETCH(QString, command);
    QFETCH(int, current);
    QFETCH(QStringList, scratch);
    UsersFixture f(kThreeUsers, current);
    for (const char* assignment : {"name/old", "pass1/p", "pass2/p", "level/2", "edit/0"})
        f.h.setValue(QStringLiteral("general/access/") + QLatin1String(assignment));
    call(f.h, "accessListSlot", command);
    QStringList got;
    for (const char* key : {"name", "pass1", "pass2", "level", "edit"})
        got << f.h.value(QStringLiteral("general/access/") + QLatin1String(key));
    QCOMPARE(got, scratch);
}

void tst_cAccessList::editDialogOk_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("dialog"); // the message dialog that opens, if any
    QTest::addColumn<Keys>("changes");
    QTest::addColumn<int>("currentAfter");

    const QString secret = QStringLiteral("secret");
    QTest::newRow("new user") << Entry{0, "new", "carol", secret, secret, 1} << QString()
                              << keys("CNT=4;NAME3=carol;PASSWD3=" + kSecretDigest + ";LEVEL3=1")
                              << 3;
    QTest::newRow("new user with another's name")
        << Entry{0, "new", "alice", secret, secret} << "accessdlgerr_namedouble" << Keys() << 0;
    // The edited row stays current, so that a Remove after it takes that user.
    QTest::newRow("edit may take another's name")
        << Entry{1, "edit", "bob", secret, secret} << QString()
        << keys("NAME1=bob;PASSWD1=" + kSecretDigest) << 1;
    QTest::newRow("edit demotes the last administrator")
        << Entry{0, "edit", {}, {}, {}, 2} << "accessdlgerr_editrights" << Keys() << 0;
    QTest::newRow("edit keeps the last administrator's level")
        << Entry{0, "edit", {}, secret, secret, 3} << QString() << keys("PASSWD0=" + kSecretDigest)
        << 0;
    // An edit that only changes the level must not wipe the password.
    QTest::newRow("edit with both passwords left empty keeps the password")
        << Entry{1, "edit", {}, {}, {}, 3} << QString() << keys("LEVEL1=3") << 1;
    QTest::newRow("edit with one password typed still checks the other")
        << Entry{1, "edit", {}, secret, {}} << "accessdlgerr_pass" << Keys() << 1;
    QTest::newRow("new user without a name")
        << Entry{2, "new", {}, secret, secret} << "accessdlgerr_name" << Keys() << 2;
    QTest::newRow("passwords differ")
        << Entry{0, "new", "carol", secret, "Secret"} << "accessdlgerr_pass" << Keys() << 0;
    QTest::newRow("two empty passwords")
        << Entry{0, "new", "carol"} << QString()
        << keys("CNT=4;NAME3=carol;PASSWD3=" + kEmptyDigest + ";LEVEL3=1") << 3;
    QTest::newRow("clear password")
        << Entry{0, "new", "carol", secret, secret, 2, true} << QString()
        << keys("CNT=4;NAME3=carol;PASSWD3=secret;LEVEL3=2") << 3;
    // Such a text stays in its edit, marked, and its key keeps what it held.
    QTest::newRow("name with both kinds of quote")
        << Entry{1, "edit", "al\"ice's", secret, secret} << "accessdlgerr_name" << Keys() << 1;
    QTest::newRow("clear password with both kinds of quote")
        << Entry{0, "new", "carol", "it's \"x\"", "it's \"x\"", 1, true} << "accessdlgerr_pass"
        << Keys() << 0;
    QTest::newRow("password with both kinds of quote")
        << Entry{0, "new", "carol", "it's \"x\"", "it's \"x\""} << "accessdlgerr_pass" << Keys()
        << 0;
}

void tst_cAccessList::editDialogOk()
{
    QFETCH(Entry, entry);
    QFETCH(QString, dialog);
    QFETCH(Keys, changes);
    QFETCH(int, currentAfter);
    UsersFixture f(kThreeUsers, entry.current, entry.clearPasswords);
    call(f.h, "accessListSlot", entry.prepare);

    DialogScript script;
    bool editorStayed = false;
    script.workIn(QStringLiteral("accessdlg"), [&](QDialog* editor) {
        const QList<QLineEdit*> edits = editor->findChildren<QLineEdit*>();
        QCOMPARE(edits.size(), 3);
        const std::optional<QString> typed[] = {entry.name, entry.pass1, entry.pass2};
        for (int i = 0; i < 3; ++i) {
            if (typed[i])
                edits.at(i)->setText(*typed[i]);
        }
        if (entry.level != 0)
            f.h.setValue(QStringLiteral("general/access/level/%1").arg(entry.level));
        call(f.h, "accessListSlot", QStringLiteral("newok"));
        editorStayed = editor->isVisible();
    });
    call(f.h, "showDialog", QStringLiteral("accessdlg"));

    QCOMPARE(script.answered, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(editorStayed, !dialog.isEmpty());
    QCOMPARE(f.h.errorTexts(), QStringList());
    f.compareWritten(kThreeUsers, changes);
    QCOMPARE(f.list->currentIdx(), currentAfter);
}

void tst_cAccessList::remove_data()
{
    QTest::addColumn<QByteArray>("users");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("login");    // the login the dialog is connected with
    QTest::addColumn<int>("answer");       // the button the question is answered with
    QTest::addColumn<QString>("question"); // what it asks; empty: no question
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<Keys>("changes");
    QTest::addColumn<int>("currentAfter");

    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    const QString removeBob = QStringLiteral("Remove the user \"bob\"?");
    const QString removeAlice = QStringLiteral("Remove the user \"alice\"?");
    // The keys of a removed last user stay in the file, beyond the count.
    QTest::newRow("last row") << kThreeUsers << 2 << "admin" << yes << removeBob << QString()
                              << keys("CNT=2") << 1;
    QTest::newRow("middle row") << kThreeUsers << 1 << "admin" << yes << removeAlice << QString()
                                << keys("CNT=2;NAME1=bob;LEVEL1=1;"
                                        "PASSWD1=4b2a1529867b8d697685b1722ccd0149")
                                << 1;
    QTest::newRow("answered no") << kThreeUsers << 1 << "admin" << no << removeAlice << QString()
                                 << Keys() << 1;
    QTest::newRow("the login in use is warned of")
        << kThreeUsers << 2 << "bob" << yes
        << "You are connected to the recorder as \"bob\". Once the settings are stored, the "
           "recorder refuses this login, for this dialog and for every program that uses "
           "it.\n\nRemove the user \"bob\" anyway?"
        << QString() << keys("CNT=2") << 1;
    QTest::newRow("the login in use kept")
        << kThreeUsers << 2 << "bob" << no << QString("bob") << QString() << Keys() << 2;
    QTest::newRow("without a current row")
        << kThreeUsers << -1 << "admin" << yes << QString() << QString() << Keys() << -1;
    QTest::newRow("the only administrator") << kThreeUsers << 0 << "alice" << yes << QString()
                                            << "accessdlgerr_editrights" << Keys() << 0;
    QByteArray twoAdministrators = kThreeUsers;
    twoAdministrators.replace("LEVEL1 = 2", "LEVEL1 = 3");
    QTest::newRow("one of two administrators")
        << twoAdministrators << 0 << "alice" << yes << "Remove the user \"admin\"?" << QString()
        << keys("CNT=2;NAME0=alice;PASSWD0=4b583376b2767b923c3e1da60d10de59;LEVEL0=3;"
                "NAME1=bob;PASSWD1=4b2a1529867b8d697685b1722ccd0149;LEVEL1=1")
        << 0;
    QTest::newRow("the only user")
        << QByteArray("[ accounts ]\nCNT = 1\nNAME0 = bob\nPASSWD0 = x\nLEVEL0 = 1\n") << 0 << "bob"
        << yes << QString() << "accessdlgerr_lastuser" << Keys() << 0;
}

void tst_cAccessList::remove()
{
    QFETCH(QByteArray, users);
    QFETCH(int, current);
    QFETCH(QString, login);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QString, dialog);
    QFETCH(Keys, changes);
    QFETCH(int, currentAfter);
    UsersFixture f(users, current);
    f.h.source.setValue(QStringLiteral("general/network/login/") + login);
    f.h.boxes.answer = QMessageBox::StandardButton(answer);
    DialogScript script;
    call(f.h, "accessListSlot", QStringLiteral("remove"));
    QCOMPARE(script.answered, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    if (question.isEmpty()) {
        QCOMPARE(f.h.boxes.shown.size(), 0);
    } else {
        QCOMPARE(f.h.boxes.shown.size(), 1);
        QVERIFY2(f.h.boxes.shown.at(0).text.contains(question),
                 qPrintable(f.h.boxes.shown.at(0).text));
        // Enter keeps the user.
        QCOMPARE(f.h.boxes.shown.at(0).defaultButton, QMessageBox::No);
    }
    QCOMPARE(f.h.errorTexts(), QStringList());
    f.compareWritten(users, changes);
    QCOMPARE(f.list->currentIdx(), currentAfter);
    QCOMPARE(f.list->topLevelItemCount(), f.list->userCount());
}

void tst_cAccessList::unknownCommand()
{
    UsersFixture f(kThreeUsers, 0);
    call(f.h, "accessListSlot", QStringLiteral("rename"));
    QCOMPARE(f.h.errorTexts(), QStringList{"Unknown accessListSlot tag \"rename\""});
}

QTEST_MAIN(tst_cAccessList)
#include "tst_caccesslist.moc"
