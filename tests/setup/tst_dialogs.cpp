#include "setupharness.h"

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

const QByteArray kDescription = SetupHarness::wrap(R"(
<window><main/></window>
<tabwidget><tab><name>Page</name>
  <item type="gridlayout">
    <item type="label" row="0" column="0"><shown_ip/><text>{general/net/ip}</text></item>
  </item>
</tab></tabwidget>
<confirm_dialog title="Sure?">
  <confirm/>
  <timetask type="call" period="100000"/>
  <item type="gridlayout">
    <item type="label" row="0" column="0"><question/><text>Mask {general/net/mask}</text></item>
  </item>
</confirm_dialog>
<error_dialog title="Cannot write"><filewriteerror/>
  <item type="gridlayout"><item type="label"><text>No</text></item></item>
</error_dialog>
<export_set>
  <key>general/net/ip</key>
  <group><key>general/net/mask</key></group>
  <regexp_key>general/cam/name.*</regexp_key>
</export_set>
)");

const QByteArray kGeneral = "[ net ]\nip = '10.0.0.2'\nmask = '255.0.0.0'\n"
                            "[ cam ]\nname1 = front\nname2 = back\n";

// Calls a dialog slot by name, as a description does.
void call(CWinMain* dialog, const char* slot, const QString& param)
{
    QVERIFY(QMetaObject::invokeMethod(dialog, slot, Qt::DirectConnection, Q_ARG(QString, param)));
}

// Runs `inside` on the next modal dialog that opens, then closes it.
void onNextModal(const std::function<void(QDialog*)>& inside)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, inside] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || d->objectName() == QLatin1String("NBXDlgQuestion"))
            return;
        timer->stop();
        timer->deleteLater();
        inside(d);
        if (d->isVisible())
            d->reject();
    });
    timer->start();
}

// Closes every sub-dialog that opens while it lives and keeps their titles,
// so that a dialog that should never have opened cannot block a test;
// `inside` runs on each before it is closed.
class SubDialogCloser : public QObject
{
public:
    QStringList titles;
    std::function<void(QDialog*)> inside = [](QDialog*) {};

    SubDialogCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, &SubDialogCloser::poll);
        m_timer.start(5);
    }

private:
    void poll()
    {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible() || d->objectName() == QLatin1String("NBXDlgQuestion"))
            return;
        titles << d->windowTitle();
        inside(d);
        d->reject();
    }
    QTimer m_timer;
};

// A chain of dialogs d1 … dN, each marking itself open under
// general/open/dK and opening the next as soon as it is filled.
QByteArray dialogChain(int length)
{
    QByteArray x = "<window><main/></window>";
    for (int k = 1; k <= length; ++k) {
        const QByteArray n = QByteArray::number(k);
        x += "<dialog_" + n + " title=\"" + n + "\"><d" + n + "/>" +
             "<action type=\"call\" slot=\"setValue\" param=\"general/open/d" + n +
             "/yes\">main</action>"
             "<action type=\"call\" slot=\"showDialog\" param=\"d" +
             QByteArray::number(k + 1) + "\">main</action></dialog_" + n + ">";
    }
    return SetupHarness::wrap(x);
}

int annotationsUnder(const QDomElement& element)
{
    return element.elementsByTagName(QStringLiteral("controlWidget")).size();
}

} // namespace

class tst_Dialogs : public QObject
{
    Q_OBJECT

private slots:
    void wrongCalls_data();
    void wrongCalls();
    void subDialogTwiceLeavesNoAnnotations();
    void callsReachDialogsOpenedAfterTheBuild();
    void dialogOpeningItselfIsRefused();
    void dialogOpenedWhileBuildingStepsOnlyItsControls();
    void nestingOfDialogsIsBounded();
    void failureKeepsOpenSubDialog();
    void eachBuildHasItsOwnSubstitutionBudget();
    void exportAndImportRoundTrip();
    void endlessImportIsRefused();
    void buildTouchesNoLocalFile();
    void unwritableExportShowsErrorDialog();
    void fileChooserStoresChosenPath();
    void saveFileAsCopiesLocalFile();
};

void tst_Dialogs::wrongCalls_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("param");
    QTest::addColumn<QString>("message");

    QTest::newRow("file chooser with three fields")
        << "fileDialog"
        << "open,Choose,general/f/x"
        << "Wrong fileDialog param \"open,Choose,general/f/x\"";
    QTest::newRow("file chooser with unknown mode") << "fileDialog"
                                                    << "copy,Choose,All (*),general/f/x"
                                                    << "Wrong fileDialog action \"copy\"";
    QTest::newRow("settings with two fields")
        << "settingsSlot"
        << "write,general/f/path"
        << "Wrong settingsSlot param \"write,general/f/path\"";
    QTest::newRow("settings with unknown mode") << "settingsSlot"
                                                << "append,general/f/path,export_set"
                                                << "Wrong settingsSlot action \"append\"";
    QTest::newRow("settings without a path") << "settingsSlot"
                                             << "write,general/f/none,export_set"
                                             << "";
    QTest::newRow("copy with one field") << "saveFileAs"
                                         << "general"
                                         << "Wrong arguments saveFileAs(general)";
    QTest::newRow("copy without destination") << "saveFileAs"
                                              << "general,general/f/none"
                                              << "";
    QTest::newRow("unknown dialog") << "showDialog"
                                    << "nothing"
                                    << "Unknown dialog tag \"nothing\"";
}

void tst_Dialogs::wrongCalls()
{
    QFETCH(QString, slot);
    QFETCH(QString, param);
    QFETCH(QString, message);
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral + "[ f ]\npath = /tmp/x\n"));
    CWinMain* d = h.build(kDescription);
    call(d, slot.toLatin1().constData(), param);
    QCOMPARE(h.errorTexts(), message.isEmpty() ? QStringList() : QStringList{message});
}

void tst_Dialogs::subDialogTwiceLeavesNoAnnotations()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    const QDomElement element = d->taggedElement("confirm");
    for (int round = 0; round < 2; ++round) {
        QString title, question;
        int inside = -1;
        onNextModal([&](QDialog* dialog) {
            title = dialog->windowTitle();
            question = h.control<QLabel>("question")->text();
            inside = annotationsUnder(element);
            QCOMPARE(d->taggedObject("confirm"), dialog);
        });
        call(d, "showDialog", "confirm");
        QCOMPARE(title, QString("Sure?"));
        QCOMPARE(question, QString("Mask 255.0.0.0"));
        QCOMPARE(inside, 2); // the dialog's and its label's
        QCOMPARE(annotationsUnder(element), 0);
        QCOMPARE(element.elementsByTagName("controlWidget").size(), 0);
        QVERIFY(!d->taggedObject("question"));
    }
    QCOMPARE(h.errorTexts(), QStringList());
}

void tst_Dialogs::callsReachDialogsOpenedAfterTheBuild()
{
    // A call while the dialog is built finds its targets by name; the
    // controls of a sub-dialog opened later are found the same way, each
    // time it opens, and not once it has closed.
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(R"(
<tabwidget><tab><item type="gridlayout">
  <item type="label" row="0"><built_note/><text>-</text></item>
  <item type="checkbox" row="1"><key on="1" off="0">general/x/on/1</key>
    <action type="call" state="on" slot="setText" param="built">built_note</action></item>
</item></tab></tabwidget>
<note_dialog title="Note"><note/>
  <item type="gridlayout">
    <item type="label" row="0"><note_target/><text>before</text></item>
    <item type="pushbutton" row="1"><note_button/><text>Go</text>
      <action type="call" slot="setText" param="after">note_target</action></item>
  </item>
</note_dialog>
<other_dialog title="Other"><other/>
  <item type="gridlayout"><item type="label"><text>other</text></item></item>
</other_dialog>
<buttonOK><action type="call" slot="setText" param="late">note_target</action></buttonOK>
)"));
    QCOMPARE(h.control<QLabel>("built_note")->text(), QString("built"));
    for (int round = 0; round < 2; ++round) {
        QString before, after;
        onNextModal([&](QDialog*) {
            before = h.control<QLabel>("note_target")->text();
            h.control<QPushButton>("note_button")->click();
            after = h.control<QLabel>("note_target")->text();
        });
        call(d, "showDialog", "note");
        QCOMPARE(before, QString("before"));
        QCOMPARE(after, QString("after"));
    }
    // Another dialog may well live where the closed one did; the closed
    // one's elements must not lead to it.
    bool opened = false;
    onNextModal([&](QDialog* dialog) {
        opened = true;
        QCOMPARE(d->taggedObject("other"), dialog);
        QCOMPARE(d->taggedObject("note"), nullptr);
        QCOMPARE(d->taggedObject("note_target"), nullptr);
    });
    call(d, "showDialog", "other");
    QVERIFY(opened);
    d->findChild<QPushButton*>("pbOK")->click();
    QVERIFY(!d->taggedObject("note_target"));
    QCOMPARE(h.errorTexts(), QStringList());
}

void tst_Dialogs::dialogOpeningItselfIsRefused()
{
    // The scroll's first act opens its own page as a dialog, whose fill acts
    // the scroll again.
    SetupHarness h;
    SubDialogCloser closer;
    CWinMain* d = h.build(SetupHarness::fixture("self-opening.xml"));
    const QString message = "Dialog \"level_page\" is already open";
    QCOMPARE(h.errorTexts(), QStringList{message});
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.at(0).text, message);
    QCOMPARE(closer.titles, QStringList()); // the failed dialog is not shown
    QTRY_VERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Rejected));
}

void tst_Dialogs::dialogOpenedWhileBuildingStepsOnlyItsControls()
{
    // The first control's act opens a dialog while the build still has
    // controls to step; the dialog steps its own, and the page's go on. The
    // scroll starts at the stored value, so only its act step opens it.
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", "[ video ]\nlevel = 30\n"));
    SubDialogCloser closer;
    QString shownLevel;
    closer.inside = [&](QDialog*) { shownLevel = h.control<QLabel>("dialog_level")->text(); };
    h.build(SetupHarness::wrap(R"(
<window><main/></window>
<tabwidget><tab><item type="gridlayout">
  <item type="scroll" row="0" maxvalue="100" value="30"><level/><key>general/video/level</key>
    <action type="call" slot="showDialog" param="note">main</action></item>
  <item type="label" row="1"><page_level/><text>Page {general/video/level}</text></item>
</item></tab></tabwidget>
<note_dialog title="Note"><note/>
  <item type="gridlayout"><item type="label"><dialog_level/><text>Dialog {general/video/level}</text></item></item>
</note_dialog>)"));
    QCOMPARE(h.errorTexts(), QStringList());
    QCOMPARE(shownLevel, QString("Dialog 30"));
    QCOMPARE(closer.titles, QStringList{"Note"});
    QCOMPARE(h.control<QLabel>("page_level")->text(), QString("Page 30"));
    QVERIFY(h.dialog->isVisible());
}

void tst_Dialogs::nestingOfDialogsIsBounded()
{
    SetupHarness h;
    SubDialogCloser closer;
    CWinMain* d = h.build(dialogChain(CWinMain::kMaxDialogDepth + 1));
    call(d, "showDialog", "d1");
    QCOMPARE(h.errorTexts(),
             QStringList{QString("Dialog \"d%1\" not opened: dialogs nest at most %2 deep")
                             .arg(CWinMain::kMaxDialogDepth + 1)
                             .arg(CWinMain::kMaxDialogDepth)});
    for (int k = 1; k <= CWinMain::kMaxDialogDepth; ++k)
        QCOMPARE(h.value(QString("general/open/d%1").arg(k)), QString("yes"));
    QCOMPARE(h.value(QString("general/open/d%1").arg(CWinMain::kMaxDialogDepth + 1)), QString());
    // The error leaves what opened in place, innermost on top, for the user
    // to close.
    QStringList opened;
    for (int k = CWinMain::kMaxDialogDepth; k >= 1; --k)
        opened << QString::number(k);
    QCOMPARE(closer.titles, opened);
}

// Once the dialog is up, an error is told and leaves every window as it
// was: the sub-dialog and the dialog under it stay open.
void tst_Dialogs::failureKeepsOpenSubDialog()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    bool keptOpen = false;
    onNextModal([&](QDialog* dialog) {
        call(d, "showDialog", "nothing");
        keptOpen = dialog->isVisible();
        dialog->reject();
    });
    call(d, "showDialog", "confirm");
    QVERIFY(keptOpen);
    QCOMPARE(h.errorTexts(), QStringList{"Unknown dialog tag \"nothing\""});
    QVERIFY(d->isVisible());
}

void tst_Dialogs::eachBuildHasItsOwnSubstitutionBudget()
{
    // A value holding its own key runs each substitution to the bound of
    // one call, about a quarter of the budget that a build's texts share.
    const QString key = "{general/loop/big}";
    SetupHarness h;
    h.source.setFilePath(
        "general",
        h.write("general.ini", "[ loop ]\nbig = " + QByteArray(100000, 'v') + key.toUtf8() + "\n"));
    QByteArray labels;
    for (int i = 0; i < 8; ++i)
        labels += "<item type=\"label\" row=\"" + QByteArray::number(i) + "\"><heavy" +
                  QByteArray::number(i) + "/><tooltip>" + key.toUtf8() + "</tooltip></item>";
    CWinMain* d = h.build(SetupHarness::wrap(
        "<window><main/></window><tabwidget><tab><item type=\"gridlayout\">" + labels +
        "</item></tab></tabwidget><big_dialog title=\"Big\"><big/><item type=\"gridlayout\">"
        "<item type=\"label\"><dialog_heavy/><tooltip>" +
        key.toUtf8() + "</tooltip></item></item></big_dialog>"));
    // Creating the first labels spent the budget; their updates and every
    // later text stay as written.
    const int oneCall = CWinMain::kMaxSubstitutedLength;
    for (int i = 0; i < 8; ++i)
        QCOMPARE(h.control<QLabel>(QString("heavy%1").arg(i))->toolTip(), key);

    // A sub-dialog's build and a later edit start afresh.
    int inDialog = 0;
    onNextModal([&](QDialog*) { inDialog = h.control<QLabel>("dialog_heavy")->toolTip().size(); });
    call(d, "showDialog", "big");
    QVERIFY(inDialog >= oneCall);
    QVERIFY(d->substitute(key).size() >= oneCall);
    QCOMPARE(h.errorTexts(), QStringList());
}

void tst_Dialogs::exportAndImportRoundTrip()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    const QString file = h.dir.filePath("exported.cfg");
    h.setValue("general/f/path/" + file);
    call(d, "settingsSlot", "write,general/f/path,export_set");
    QFile exported(file);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), QByteArray("general/net/ip/10.0.0.2\ngeneral/net/mask/255.0.0.0\n"
                                            "general/cam/name1/front\ngeneral/cam/name2/back\n"));

    h.setValue("general/net/ip/192.168.0.9");
    h.setValue("general/cam/name2/gate");
    QCOMPARE(h.control<QLabel>("shown_ip")->text(), QString("192.168.0.9"));
    call(d, "settingsSlot", "read,general/f/path,export_set");
    QCOMPARE(h.value("general/net/ip"), QString("10.0.0.2"));
    QCOMPARE(h.value("general/cam/name2"), QString("back"));
    QCOMPARE(h.control<QLabel>("shown_ip")->text(), QString("10.0.0.2"));
    QCOMPARE(h.errorTexts(), QStringList());
}

// A file without a size and without an end: read to the bound, then refused
// with nothing taken from it.
void tst_Dialogs::endlessImportIsRefused()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    h.setValue("general/f/path//dev/zero");
    QString shown;
    onNextModal([&](QDialog* dialog) { shown = dialog->windowTitle(); });
    call(d, "settingsSlot", "read,general/f/path,export_set");
    QCOMPARE(shown, QString("Cannot write"));
    QCOMPARE(h.value("general/net/ip"), QString("10.0.0.2"));
    QCOMPARE(h.errorTexts(), QStringList());
}

// A control's actions run while the dialog is built; the description, not
// the user, would then choose a local file to overwrite or read. Only the
// user's own click may do that.
void tst_Dialogs::buildTouchesNoLocalFile()
{
    SetupHarness h;
    const QString target = h.dir.filePath("chosen-by-device.cfg");
    const QString secret = h.write("secret.txt", "general/net/ip/6.6.6.6\n");
    h.source.setFilePath("general",
                         h.write("general.ini", kGeneral + "[ f ]\npath = '" + target.toUtf8() +
                                                    "'\nsecret = '" + secret.toUtf8() + "'\n"));
    CWinMain* d = h.build(SetupHarness::wrap(R"(
<window><main/></window>
<tabwidget><tab><item type="gridlayout">
  <item type="checkbox" row="0"><box/><key on="1" off="0">general/x/on/1</key>
    <action type="call" state="on" slot="settingsSlot" param="write,general/f/path,export_set">main</action>
    <action type="call" state="on" slot="settingsSlot" param="read,general/f/secret,export_set">main</action>
    <action type="call" state="on" slot="saveFileAs" param="general,general/f/path">main</action></item>
</item></tab></tabwidget>
<export_set><key>general/net/ip</key></export_set>
)"));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(h.value("general/net/ip"), QString("10.0.0.2"));

    auto* box = h.control<QCheckBox>("box");
    box->click();
    box->click();
    QVERIFY(QFile::exists(target));
    QCOMPARE(h.value("general/net/ip"), QString("6.6.6.6"));
    QCOMPARE(h.errorTexts(), QStringList());
    Q_UNUSED(d);
}

void tst_Dialogs::unwritableExportShowsErrorDialog()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    h.setValue("general/f/path/" + h.dir.filePath("no/such/folder/x.cfg"));
    QString shown;
    onNextModal([&](QDialog* dialog) { shown = dialog->windowTitle(); });
    call(d, "settingsSlot", "write,general/f/path,export_set");
    QCOMPARE(shown, QString("Cannot write"));
    QCOMPARE(h.errorTexts(), QStringList());
}

void tst_Dialogs::fileChooserStoresChosenPath()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    CWinMain* d = h.build(kDescription);
    const QString chosen = h.write("a.jpg", "jpeg");
    QString suffix;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    onNextModal([&](QDialog* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(chooser);
        suffix = chooser->defaultSuffix();
        mode = chooser->fileMode();
        // The chooser lists its folder in the background; accept once it
        // has taken the selection.
        chooser->selectFile(chosen);
        QTRY_COMPARE_WITH_TIMEOUT(chooser->selectedFiles().value(0), chosen, 10000);
        QMetaObject::invokeMethod(chooser, "accept", Qt::DirectConnection);
    });
    call(d, "fileDialog", "open,Choose,Images (*.jpg),general/upload/file");
    QCOMPARE(suffix, QString("jpg"));
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(h.value("general/upload/file"), chosen);

    // Cancelling leaves the key cleared.
    onNextModal([](QDialog* dialog) { dialog->reject(); });
    call(d, "fileDialog", "save,Choose,Images (*.jpg),general/upload/file");
    QCOMPARE(h.value("general/upload/file/unset"), QString());
    QCOMPARE(h.errorTexts(), QStringList());
}

void tst_Dialogs::saveFileAsCopiesLocalFile()
{
    SetupHarness h;
    h.source.setFilePath("general", h.write("general.ini", kGeneral));
    h.source.setFilePath("net", h.write("net.ini", "[ a ]\nb = 1\n"));
    CWinMain* d = h.build(kDescription);
    const QString target = h.dir.filePath("copy.ini");
    h.setValue("general/f/target/" + target);
    call(d, "saveFileAs", "net,general/f/target");
    QFile copy(target);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("[ a ]\nb = 1\n"));

    h.setValue("general/f/target/" + h.dir.filePath("no/folder/copy.ini"));
    call(d, "saveFileAs", "net,general/f/target");
    QCOMPARE(
        h.errorTexts(),
        QStringList{QString("Can't open file\"%1\"").arg(h.dir.filePath("no/folder/copy.ini"))});
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
