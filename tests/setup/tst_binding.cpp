#include "setupharness.h"

#include "host/nbxprogresspie.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <algorithm>

namespace {

const QByteArray kBindingIni = "[ device ]\nunlock = no\n[ video ]\nlevel = 30\n"
                               "[ clock ]\nnow = 20240101080000\n";

// A one-control page around `item`.
QByteArray page(const QByteArray& items, const QByteArray& rest = QByteArray())
{
    return SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">" + items +
                              "</item></tab></tabwidget>" + rest);
}

} // namespace

class tst_Binding : public QObject
{
    Q_OBJECT

    SetupHarness* bindingDialog(SetupHarness& h, const QByteArray& ini = kBindingIni)
    {
        h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", ini));
        h.build(SetupHarness::fixture("binding.xml"));
        return &h;
    }

private slots:
    void dropdownSelectsByAssignment_data();
    void dropdownSelectsByAssignment();
    void choosingAnEntryWritesAndRefreshesLinks();
    void keysetsOnlyByUserInActiveWindow();
    void editWritesAllKeysAndRunsStateActions();
    void checkboxState_data();
    void checkboxState();
    void disabledControlWritesNothingUntilEnabled();
    void buttonCallsEveryTaggedTarget();
    void scrollAndDateTimeWrite();
    void translations_data();
    void translations();
    void values_data();
    void values();
    void selfReferenceStops_data();
    void selfReferenceStops();
    void hostileTextsFinish_data();
    void hostileTextsFinish();
    void labelsWithSelfContainingTranslation();
    void pie_data();
    void pie();
    void fromHumanReadable_data();
    void fromHumanReadable();
    void splitKey();
};

void tst_Binding::dropdownSelectsByAssignment_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("index");
    QTest::newRow("nothing stored selects the first that holds") << QByteArray() << 0;
    QTest::newRow("NTSC stored") << QByteArray("[ video ]\nmode = NTSC\n") << 1;
    QTest::newRow("no entry matches: selection stays")
        << QByteArray("[ video ]\nmode = SECAM\n") << 0;
}

void tst_Binding::dropdownSelectsByAssignment()
{
    QFETCH(QByteArray, ini);
    SetupHarness h;
    bindingDialog(h, ini);
    QTEST(h.control<QComboBox>("mode")->currentIndex(), "index");
}

void tst_Binding::choosingAnEntryWritesAndRefreshesLinks()
{
    SetupHarness h;
    bindingDialog(h);
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    auto* combo = h.control<QComboBox>("mode");
    auto* label = h.control<QLabel>("mode_label");
    // Building wrote the first entry; the call action ran during building too.
    QCOMPARE(label->text(), QStringLiteral("Mode: PAL"));
    QCOMPARE(h.control<QLabel>("mode_note")->text(), QStringLiteral("chosen"));

    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(h.value("general/video/mode"), QStringLiteral("NTSC"));
    QCOMPARE(label->text(), QStringLiteral("Mode: NTSC"));

    // A write from elsewhere moves the dropdown back and refreshes the label.
    h.setValue("general/video/mode/PAL");
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(label->text(), QStringLiteral("Mode: PAL"));
}

void tst_Binding::keysetsOnlyByUserInActiveWindow()
{
    SetupHarness h;
    bindingDialog(h);
    auto* combo = h.control<QComboBox>("mode");
    // Not applied while building, nor for a dialog that is not active.
    QCOMPARE(h.value("general/video/lines"), QString());
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QCOMPARE(h.value("general/video/lines"), QString());

    QApplication::setActiveWindow(h.dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
    emit combo->activated(1);
    QCOMPARE(h.value("general/video/lines"), QStringLiteral("525"));
    QCOMPARE(h.value("general/video/rate"), QStringLiteral("30"));
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    QCOMPARE(h.value("general/video/lines"), QStringLiteral("625"));
    QCOMPARE(h.value("general/video/rate"), QStringLiteral("25")); // trimmed
}

void tst_Binding::editWritesAllKeysAndRunsStateActions()
{
    SetupHarness h;
    bindingDialog(h);
    auto* edit = h.control<QLineEdit>("name_edit");
    auto* whenEmpty = h.control<QPushButton>("when_empty");
    auto* whenFilled = h.control<QPushButton>("when_filled");
    QVERIFY(whenEmpty->isEnabled());
    QVERIFY(!whenFilled->isEnabled());

    edit->setText(QStringLiteral("Lobby"));
    QCOMPARE(h.value("general/device/name"), QStringLiteral("Lobby"));
    QCOMPARE(h.value("general/device/alias"), QStringLiteral("Lobby"));
    QVERIFY(!whenEmpty->isEnabled());
    QVERIFY(whenFilled->isEnabled());

    edit->clear();
    QCOMPARE(h.value("general/device/alias"), QString());
    QVERIFY(whenEmpty->isEnabled());
    QVERIFY(whenFilled->isEnabled()); // nothing disables it

    // An update from the settings leaves an unchanged text, and its cursor, alone.
    edit->setText(QStringLiteral("abc"));
    edit->setCursorPosition(1);
    h.setValue("general/device/name/abc");
    QCOMPARE(edit->cursorPosition(), 1);
    h.setValue("general/device/name/xyz");
    QCOMPARE(edit->text(), QStringLiteral("xyz"));
}

void tst_Binding::checkboxState_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("checked");

    const QByteArray plain = "<key on=\"1\" off=\"0\">general/a/flag</key>";
    const QByteArray defOff = "<key on=\"1\" off=\"0\" default=\"off\">general/a/flag</key>";
    QTest::newRow("5: anything but off checks") << plain << QByteArray("5") << true;
    QTest::newRow("0 unchecks") << plain << QByteArray("0") << false;
    QTest::newRow("nothing stored checks") << plain << QByteArray() << true;
    QTest::newRow("default off: 5 unchecks") << defOff << QByteArray("5") << false;
    QTest::newRow("default off: 1 checks") << defOff << QByteArray("1") << true;
    QTest::newRow("default off: tail as written decides")
        << QByteArray("<key on=\"1\" off=\"0\" default=\"off\">general/a/flag/1</key>")
        << QByteArray() << true;
    QTest::newRow("tail as written: 0 unchecks")
        << QByteArray("<key on=\"1\" off=\"0\">general/a/flag/0</key>") << QByteArray() << false;
}

void tst_Binding::checkboxState()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(bool, checked);
    SetupHarness h;
    const QByteArray ini = stored.isNull() ? QByteArray() : "[ a ]\nflag = " + stored + "\n";
    h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", ini));
    h.build(page("<item type=\"checkbox\"><box/><text>{general/a/caption/Flag}</text>" + key +
                 "</item>"));
    auto* box = h.control<QCheckBox>("box");
    QCOMPARE(box->isChecked(), checked);
    QCOMPARE(box->text(), QStringLiteral("Flag"));
    box->click();
    QCOMPARE(h.value("general/a/flag"), checked ? QStringLiteral("0") : QStringLiteral("1"));
}

void tst_Binding::disabledControlWritesNothingUntilEnabled()
{
    SetupHarness h;
    bindingDialog(h);
    auto* locked = h.control<QLineEdit>("locked_edit");
    auto* unlock = h.control<QCheckBox>("unlock");
    QVERIFY(!locked->isEnabled());
    QVERIFY(!unlock->isChecked());
    QCOMPARE(h.control<QLabel>("unlock_note")->text(), QStringLiteral("locked"));

    locked->setText(QStringLiteral("secret"));
    QCOMPARE(h.value("general/device/locked/none"), QStringLiteral("none"));

    unlock->click();
    QCOMPARE(h.value("general/device/unlock"), QStringLiteral("yes"));
    QVERIFY(locked->isEnabled());
    // Enabled by the action, the edit wrote its text at once.
    QCOMPARE(h.value("general/device/locked"), QStringLiteral("secret"));
    QCOMPARE(h.control<QLabel>("unlock_note")->text(), QStringLiteral("unlocked"));
}

void tst_Binding::buttonCallsEveryTaggedTarget()
{
    SetupHarness h;
    bindingDialog(h);
    const QDomNodeList tagged =
        h.dialog->description().documentElement().elementsByTagName("done_target");
    QCOMPARE(tagged.size(), 2);
    auto* one = qobject_cast<QLabel*>(h.dialog->widgetOf(tagged.item(0).parentNode().toElement()));
    auto* two = qobject_cast<QLabel*>(h.dialog->widgetOf(tagged.item(1).parentNode().toElement()));
    QVERIFY(one && two);
    QCOMPARE(one->text(), QStringLiteral("one")); // building does not click buttons
    h.control<QPushButton>("done_button")->click();
    // Both got "Done"; the second call then put its substituted param into the first.
    QCOMPARE(two->text(), QStringLiteral("Done"));
    QCOMPARE(one->text(), QStringLiteral("PAL"));
    QVERIFY(h.errorTexts().isEmpty());
}

void tst_Binding::scrollAndDateTimeWrite()
{
    SetupHarness h;
    bindingDialog(h);
    auto* level = h.control<QScrollBar>("level");
    QCOMPARE(level->value(), 30);
    level->setValue(44);
    QCOMPARE(h.value("general/video/level"), QStringLiteral("44"));
    QCOMPARE(h.control<QLabel>("scroll_note")->text(), QStringLiteral("moved"));

    auto* clock = h.control<QDateTimeEdit>("clock");
    QCOMPARE(clock->dateTime(), QDateTime(QDate(2024, 1, 1), QTime(8, 0)));
    clock->setDateTime(QDateTime(QDate(2025, 6, 30), QTime(17, 5, 9)));
    QCOMPARE(h.value("general/clock/now"), QStringLiteral("20250630170509"));
}

void tst_Binding::translations_data()
{
    QTest::addColumn<QByteArray>("streams"); // null: no "streams" file
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QByteArray en = "[ common ]\nlanguage = en\n";
    QTest::newRow("no streams file: ru") << QByteArray() << "@title"
                                         << "Titel";
    QTest::newRow("streams without language: ru") << QByteArray("") << "@title."
                                                  << "Titel.";
    QTest::newRow("language en, only ru given") << en << "@title"
                                                << "@title";
    QTest::newRow("language en") << en << "@both words"
                                 << "beide words";
    QTest::newRow("unknown word stays, next is translated") << QByteArray() << "@nope @title"
                                                            << "@nope Titel";
    QTest::newRow("word inside a translation is translated") << QByteArray() << "@nested"
                                                             << "[ Titel ]";
}

void tst_Binding::translations()
{
    QFETCH(QByteArray, streams);
    QFETCH(QString, text);
    SetupHarness h;
    if (!streams.isNull())
        h.source.setFilePath(QStringLiteral("streams"), h.write("streams.ini", streams));
    h.build(SetupHarness::wrap("<translations><title><ru>Titel</ru></title>"
                               "<both><ru>oba</ru><en>beide</en></both>"
                               "<nested><ru>[ @title ]</ru></nested>"
                               "<title><ru>ignored: the first title counts</ru></title>"
                               "</translations>"));
    QTEST(h.dialog->substitute(text), "expected");
}

void tst_Binding::values_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stored") << "Port: {general/net/port}"
                            << "Port: 8080";
    QTest::newRow("missing reads its tail") << "{general/b/c/x}"
                                            << "x";
    QTest::newRow("tail with slashes") << "{general/net/url/http://h/}"
                                       << "http://h/";
    QTest::newRow("two values") << "{general/net/port}-{general/net/none/0}"
                                << "8080-0";
    QTest::newRow("value holding a key is expanded again") << "{general/net/alias}"
                                                           << "8080";
}

void tst_Binding::values()
{
    QFETCH(QString, text);
    SetupHarness h;
    h.source.setFilePath(
        QStringLiteral("general"),
        h.write("general.ini", "[ net ]\nport = 8080\nalias = {general/net/port}\n"));
    h.build(SetupHarness::wrap(""));
    QTEST(h.dialog->substitute(text), "expected");
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

void tst_Binding::selfReferenceStops_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("value naming itself") << "{general/loop/self}";
    QTest::newRow("value doubling itself") << "{general/loop/twice}";
    QTest::newRow("translation holding its word") << "@echo";
}

void tst_Binding::selfReferenceStops()
{
    QFETCH(QString, text);
    SetupHarness h;
    h.source.setFilePath(
        QStringLiteral("general"),
        h.write("general.ini", "[ loop ]\nself = {general/loop/self}\ntwice = {general/loop/twice}"
                               "{general/loop/twice}\n"));
    h.build(SetupHarness::wrap("<translations><echo><ru>@echo @echo</ru></echo></translations>"));
    const QString result = h.dialog->substitute(text);
    QVERIFY(result.size() <= CWinMain::kMaxSubstitutedLength + 64);
    QVERIFY(result.contains(QLatin1Char('{')) || result.contains(QLatin1Char('@')));
}

// Texts that cost seconds when every replacement started the search over:
// a translation holding its own word ran to the bound of one call, and each
// value after a long run of blanks scanned the run again.
void tst_Binding::hostileTextsFinish_data()
{
    const QString blanks(256 * 1024, QLatin1Char(' '));
    const QString filler(2000, QLatin1Char('x'));
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("translation holding its own word") << "@echo" << filler + " @echo";
    QTest::newRow("translation holding its own word, in a sentence") << "Say @echo."
                                                                     << "Say " + filler + " @echo.";
    QTest::newRow("brace then a long run of blanks") << "{" + blanks << "{" + blanks;
    QTest::newRow("brace, blanks, then a key") << "{" + blanks + "{general/net/port}"
                                               << "{" + blanks + "8080";
    QTest::newRow("brace and blanks before a hundred keys")
        << "{" + blanks + QStringLiteral("{general/net/port}").repeated(100)
        << "{" + blanks + QStringLiteral("8080").repeated(100);
    QTest::newRow("two braces, each before a run of blanks")
        << "{" + blanks + "{" + blanks << "{" + blanks + "{" + blanks;
}

void tst_Binding::hostileTextsFinish()
{
    QFETCH(QString, text);
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"),
                         h.write("general.ini", "[ net ]\nport = 8080\n"));
    h.build(SetupHarness::wrap("<translations><echo><ru>" + QByteArray(2000, 'x') +
                               " @echo</ru></echo></translations>"));
    QTEST(h.dialog->substitute(text), "expected");
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

void tst_Binding::labelsWithSelfContainingTranslation()
{
    // Forty labels used to run each to the bound of one substitution.
    SetupHarness h;
    QByteArray labels;
    for (int i = 0; i < 40; ++i)
        labels += "<item type=\"label\" row=\"" + QByteArray::number(i) +
                  "\"><text>@echo</text><tooltip>@echo</tooltip></item>";
    const QByteArray translation = "Echo " + QByteArray(2000, 'x') + " @echo";
    h.build(page(labels, "<translations><echo><ru>" + translation + "</ru></echo></translations>"));
    // The description's labels, not the dialog's own progress row.
    QList<QLabel*> shown = h.dialog->findChildren<QLabel*>();
    const QWidget* progress = h.dialog->findChild<QWidget*>(QStringLiteral("sourceProgress"));
    shown.erase(std::remove_if(shown.begin(), shown.end(),
                               [&](const QLabel* label) { return progress->isAncestorOf(label); }),
                shown.end());
    QCOMPARE(shown.size(), 40);
    for (const QLabel* label : shown) {
        QCOMPARE(label->text(), QString::fromUtf8(translation));
        QCOMPARE(label->toolTip(), QString::fromUtf8(translation));
    }
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

void tst_Binding::pie_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("progress");
    QTest::newRow("used beyond size: full") << "10G"
                                            << "15G"
                                            << "" << 100;
    QTest::newRow("limit below size is the total") << "40G"
                                                   << "10G"
                                                   << "20480" << 50;
    QTest::newRow("limit above size: size is the total") << "40G"
                                                         << "10G"
                                                         << "81920" << 25;
    QTest::newRow("size 0") << "0"
                            << "10G"
                            << "" << 0;
    QTest::newRow("size and limit from values") << "{general/disk/size}"
                                                << "{general/disk/used}"
                                                << "" << 37;
    QTest::newRow("exabytes do not overflow") << "8000000000000T"
                                              << "4000000000000T"
                                              << "" << 50;
}

void tst_Binding::pie()
{
    QFETCH(QString, size);
    QFETCH(QString, used);
    QFETCH(QString, limit);
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"),
                         h.write("general.ini", "[ disk ]\nsize = 1000M\nused = 370M\n"));
    h.build(page(QStringLiteral("<item type=\"nbxpie\" value=\"77\"><pie/><size>%1</size>"
                                "<used>%2</used><limit>%3</limit></item>")
                     .arg(size, used, limit)
                     .toUtf8()));
    QTEST(h.control<NBXProgressPie>("pie")->progress(), "progress");
}

void tst_Binding::fromHumanReadable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("mebibytes");
    QTest::newRow("1.5G") << "1.5G" << qint64(1024);
    QTest::newRow("512 bytes") << "512" << qint64(0);
    QTest::newRow("3 MiB in bytes") << "3145728" << qint64(3);
    QTest::newRow("2048K") << "2048K" << qint64(2);
    QTest::newRow("spaces and T") << " 3 T " << qint64(3145728);
    QTest::newRow("unknown unit") << "5X" << qint64(0);
    QTest::newRow("lower case") << "5g" << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("saturates") << "9999999999999T" << std::numeric_limits<qint64>::max();
}

void tst_Binding::fromHumanReadable()
{
    QFETCH(QString, text);
    QTEST(CWinMain::fromHumanReadable(text), "mebibytes");
}

void tst_Binding::splitKey()
{
    QCOMPARE(CWinMain::_split_key(QStringLiteral(" a/b/c/1 , d/e/f/2,, g ")),
             QStringList({"a/b/c/1", "d/e/f/2", "", "g"}));
}

QTEST_MAIN(tst_Binding)
#include "tst_binding.moc"
