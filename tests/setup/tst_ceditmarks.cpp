#include "setupharness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

namespace {

const QByteArray kSettings = "[net]\ngateway = 10.0.0.1\nport = 5049\n"
                             "[camera]\nname = Hall\nnumber = seven\n";

CWinMain* editsDialog(SetupHarness& h)
{
    h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", kSettings));
    return h.build(SetupHarness::fixture("edits.xml"));
}

QPushButton* okButton(CWinMain* d)
{
    return d->findChild<QPushButton*>(QStringLiteral("pbOK"));
}

// Whether the edit is drawn with the red frame of a refused text.
bool framedRed(QLineEdit* edit)
{
    const QColor c = edit->grab().toImage().pixelColor(0, edit->height() / 2);
    return c.red() > 150 && c.green() < 80 && c.blue() < 80;
}

void retype(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

} // namespace

class tst_cEditMarks : public QObject
{
    Q_OBJECT

private slots:
    void typedText_data();
    void typedText();
    void refusedTextYieldsToANewValue();
    void hiddenOrDisabledEditDoesNotHoldOkBack();
    void okDoesNothingWhileAnEditIsRefused();
};

void tst_cEditMarks::typedText_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<QString>("reason"); // empty: not marked

    const QString hint = QStringLiteral("Four numbers from 0 to 255 with dots between");
    QTest::newRow("full address is stored") << "gateway"
                                            << "192.168.1.254"
                                            << "general/net/gateway"
                                            << "192.168.1.254" << true << QString();
    QTest::newRow("two octets stay unstored") << "gateway"
                                              << "255.255"
                                              << "general/net/gateway"
                                              << "10.0.0.1" << false << hint;
    QTest::newRow("empty gateway stays unstored") << "gateway"
                                                  << ""
                                                  << "general/net/gateway"
                                                  << "10.0.0.1" << false << hint;
    QTest::newRow("trailing dot stays unstored") << "gateway"
                                                 << "10.0.0."
                                                 << "general/net/gateway"
                                                 << "10.0.0.1" << false << hint;
    // A keystroke the validator can never complete stays, marked: dropping
    // it would store a valid but different address.
    // On the way, "192.168.1.25" was a whole address and its key took it;
    // the mark and the disabled OK keep it from being stored as the answer.
    QTest::newRow("octet over 255 stays as typed") << "gateway"
                                                   << "192.168.1.256"
                                                   << "general/net/gateway"
                                                   << "192.168.1.25" << false << hint;
    QTest::newRow("all octets over 255 stay as typed") << "gateway"
                                                       << "999.999.999.999"
                                                       << "general/net/gateway"
                                                       << "10.0.0.1" << false << hint;
    QTest::newRow("refused without a hint says so")
        << "port"
        << ""
        << "general/net/port"
        << "5049" << false << "This text is not accepted here.";
    QTest::newRow("one kind of quote is stored") << "camera"
                                                 << "Bob's camera"
                                                 << "general/camera/name"
                                                 << "Bob's camera" << true << QString();
    // Each key stores while the text can be stored, up to the second kind.
    QTest::newRow("both kinds of quote stay unstored")
        << "camera"
        << "\"Bob\" it's"
        << "general/camera/name"
        << "\"Bob\" it" << false
        << "Can not store \"general/camera/name\": a value with both kinds of quote cannot "
           "be written";
}

void tst_cEditMarks::typedText()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(QString, reason);
    SetupHarness h;
    CWinMain* d = editsDialog(h);
    QSignalSpy rejected(d, &QDialog::rejected);
    QVERIFY(okButton(d)->isEnabled());
    auto* line = h.control<QLineEdit>(edit);
    QVERIFY(line);
    d->show();
    QApplication::setActiveWindow(d);

    retype(line, typed);
    QCOMPARE(line->text(), typed);
    QTEST(h.value(key), "stored");
    QTEST(okButton(d)->isEnabled(), "okEnabled");
    QCOMPARE(framedRed(line), !reason.isEmpty());
    if (!reason.isEmpty()) {
        QVERIFY2(line->toolTip().contains(reason), qPrintable(line->toolTip()));
        // Shown beside the edit while typing, not only on hovering.
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), reason);
    }

    // Refused or not, the dialog goes on: no message, no rejection.
    QCoreApplication::processEvents();
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    QVERIFY(h.boxes.shown.isEmpty());
    QVERIFY(rejected.isEmpty());
    QVERIFY(d->isVisible());
}

void tst_cEditMarks::refusedTextYieldsToANewValue()
{
    SetupHarness h;
    CWinMain* d = editsDialog(h);
    auto* gateway = h.control<QLineEdit>("gateway");
    retype(gateway, "10.1");
    QVERIFY(!okButton(d)->isEnabled());
    QCOMPARE(gateway->toolTip(),
             QStringLiteral("Gateway\nFour numbers from 0 to 255 with dots between"));
    const QString picture = QDir::current().filePath(QStringLiteral("refused-edit.png"));
    QVERIFY(d->grab().save(picture));
    qInfo("grabbed to %s", qPrintable(picture));

    // Writing the key elsewhere replaces the refused text and its mark.
    h.setValue("general/net/gateway/10.1.1.1");
    QCOMPARE(gateway->text(), QStringLiteral("10.1.1.1"));
    QVERIFY(okButton(d)->isEnabled());
    QVERIFY(!framedRed(gateway));
    QCOMPARE(gateway->toolTip(), QStringLiteral("Gateway"));

    // Completing the text stores it.
    retype(gateway, "10.2");
    QVERIFY(!okButton(d)->isEnabled());
    QTest::keyClicks(gateway, ".3.4");
    QCOMPARE(h.value("general/net/gateway"), QStringLiteral("10.2.3.4"));
    QVERIFY(okButton(d)->isEnabled());
}

void tst_cEditMarks::hiddenOrDisabledEditDoesNotHoldOkBack()
{
    SetupHarness h;
    CWinMain* d = editsDialog(h);
    // The hidden edit's stored text is refused, yet nobody can correct it.
    QVERIFY(okButton(d)->isEnabled());
    auto* hidden = h.control<QLineEdit>("hidden_number");
    hidden->show();
    QVERIFY(!okButton(d)->isEnabled());
    hidden->setEnabled(false);
    QVERIFY(okButton(d)->isEnabled());
    hidden->setEnabled(true);
    QVERIFY(!okButton(d)->isEnabled());
    hidden->hide();
    QVERIFY(okButton(d)->isEnabled());
    QCOMPARE(h.value("general/camera/number"), QStringLiteral("seven"));
}

void tst_cEditMarks::okDoesNothingWhileAnEditIsRefused()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", kSettings));
    QByteArray xml = SetupHarness::fixture("edits.xml");
    // OK closes the dialog as accepted, unless a text is refused.
    xml.replace("</pxsetup>", "<window><main/></window><buttonOK><action type=\"call\" "
                              "slot=\"accept\">main</action></buttonOK></pxsetup>");
    CWinMain* d = h.build(xml);
    QSignalSpy accepted(d, &QDialog::accepted);
    retype(h.control<QLineEdit>("gateway"), "1.2");
    QTest::keyClick(h.control<QLineEdit>("gateway"), Qt::Key_Return);
    QMetaObject::invokeMethod(d, "saveSettings", Qt::DirectConnection);
    QVERIFY(accepted.isEmpty());
    QVERIFY(d->isVisible());
}

QTEST_MAIN(tst_cEditMarks)
#include "tst_ceditmarks.moc"
