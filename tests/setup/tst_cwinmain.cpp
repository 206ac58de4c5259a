#include "setupharness.h"

#include "setup/entrypoints.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

namespace {

CWinMain* openSetupDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CWinMain*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Runs `step` on the setup dialog once the entry point's modal loop shows it.
void whenShown(std::function<void(CWinMain*)> step)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, step] {
        if (CWinMain* d = openSetupDialog()) {
            poll->deleteLater();
            poll->stop();
            step(d);
        }
    });
    poll->start(5);
}

} // namespace

class tst_CWinMain : public QObject
{
    Q_OBJECT

private slots:
    void parseErrors_data();
    void parseErrors();
    void malformedXmlNamesLineAndColumn();
    void entryPointShowsOnlyFirstErrorAndReturnsZero();
    void entryPointReturnsOneWhenOkAccepts();
    void okWithoutButtonOKDoesNothing();
    void buttonTexts_data();
    void buttonTexts();
    void tabPosition_data();
    void tabPosition();
    void tabsSelectionAndSize_data();
    void tabsSelectionAndSize();
    void staysInvisibleUntilLoaded();
    void centresOnParentWhenShown();
    void progress();
    void taggedLookups();
    void lookupsByName_data();
    void lookupsByName();
    void lookupsBeforeTheDescriptionIsRead();
    void forgedHandleFindsNoWidget();
    void callTimeTaskRunsOnTick();
    void grabShowsFrameAndGloss();
    void cancelWhileLoadingEndsTheDialog();
};

void tst_CWinMain::parseErrors_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("message"); // %1 is the file name

    QTest::newRow("root is not pxsetup")
        << QByteArray("<setup version=\"1.0\"/>") << "%1 is not an Panorix Setup config file.";
    QTest::newRow("version missing") << QByteArray("<pxsetup/>") << "%1 file version is not 1.0";
    QTest::newRow("version 1.00") << QByteArray("<pxsetup version=\"1.00\"/>")
                                  << "%1 file version is not 1.0";
    QTest::newRow("unknown control type Label")
        << SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">"
                              "<item type=\"Label\"><text>x</text></item>"
                              "</item></tab></tabwidget>")
        << "Unknown control type \"Label\"";
    // Refused before a tree is built: this one would keep a tree parser busy
    // for minutes.
    QTest::newRow("nested 100,000 levels")
        << SetupHarness::wrap(QByteArray("<a>").repeated(99999) +
                              QByteArray("</a>").repeated(99999))
        << "The setup description %1 nests elements deeper than 256 levels (line 1, column " +
               QString::number(QByteArray("<pxsetup version=\"1.0\">").size() + 256 * 3) + ").";
    QTest::newRow("larger than 4 MiB")
        << SetupHarness::wrap("<window><title>" + QByteArray(4 << 20, 't') + "</title></window>")
        << "The setup description %1 is larger than 4 MiB.";
    QTest::newRow("control directly on a page")
        << SetupHarness::wrap("<tabwidget><tab><item type=\"label\"/></tab></tabwidget>")
        << "Unknown node type \"label\"";
}

void tst_CWinMain::parseErrors()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, message);
    SetupHarness h;
    CWinMain* d = h.build(xml);
    const QString expected = message.arg(h.source.filePath(QStringLiteral("interface")));
    QCOMPARE(h.errorTexts().value(0), expected);
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.at(0).title, QStringLiteral("Panorix Setup"));
    QCOMPARE(h.boxes.shown.at(0).text, expected);
    // The failed dialog shows itself and rejects at the next turn of the loop.
    QVERIFY(d->isVisible());
    QTRY_VERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Rejected));
}

void tst_CWinMain::malformedXmlNamesLineAndColumn()
{
    SetupHarness h;
    h.build("<pxsetup version=\"1.0\">\n<window>\n</pxsetup>");
    const QString file = h.source.filePath(QStringLiteral("interface"));
    const QString error = h.errorTexts().value(0);
    QVERIFY2(error.startsWith(file + QStringLiteral(":3.")), qPrintable(error));
    QVERIFY(error.contains(QLatin1Char('\n')));

    SetupHarness missing;
    missing.source.setFilePath(QStringLiteral("interface"), missing.dir.filePath("absent.xml"));
    missing.source.deferLoad = true;
    CWinMain d(missing.source);
    QSignalSpy spy(&d, &CWinMain::pseudothrow);
    emit missing.source.loadDone();
    QCOMPARE(spy.value(0).value(0).toString(),
             QStringLiteral("Cannot read file %1").arg(missing.dir.filePath("absent.xml")));
}

void tst_CWinMain::entryPointShowsOnlyFirstErrorAndReturnsZero()
{
    SetupHarness h;
    h.source.setFilePath(
        QStringLiteral("interface"),
        h.write("two-errors.xml", SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">"
                                                     "<item type=\"first\"/><item type=\"second\"/>"
                                                     "</item></tab></tabwidget>")));
    QCOMPARE(DoPanorixSetup(h.source), 0);
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.at(0).text, QStringLiteral("Unknown control type \"first\""));
}

void tst_CWinMain::entryPointReturnsOneWhenOkAccepts()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("interface"),
                         h.write("setup-m.xml", SetupHarness::fixture("lifecycle.xml")));
    QSignalSpy stored(&h.source, &NBXSetup::storeDone);
    QString okText, okTip, cancelText, title;
    whenShown([&](CWinMain* d) {
        auto* ok = d->findChild<QPushButton*>(QStringLiteral("pbOK"));
        okText = ok->text();
        okTip = ok->toolTip();
        cancelText = d->findChild<QPushButton*>(QStringLiteral("pbCancel"))->text();
        title = d->windowTitle();
        ok->click();
    });
    QCOMPARE(DoPanorixSetup(h.source), 1);
    QCOMPARE(stored.size(), 1); // the OK actions stored before closing
    QCOMPARE(okText, QStringLiteral("Save"));
    QCOMPARE(okTip, QStringLiteral("Store the settings"));
    QCOMPARE(cancelText, QStringLiteral("Close"));
    QCOMPARE(title, QStringLiteral("Recorder unnamed"));
    QVERIFY(h.boxes.shown.isEmpty());
}

void tst_CWinMain::okWithoutButtonOKDoesNothing()
{
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap("<window><w/></window>"));
    QVERIFY(d->isVisible());
    d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
    QCoreApplication::processEvents();
    QVERIFY(d->isVisible());
    QVERIFY(h.errorTexts().isEmpty());
}

void tst_CWinMain::buttonTexts_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("text and tooltip")
        << QByteArray("<buttonOK><text>Apply</text><tooltip>Now</tooltip></buttonOK>") << "Apply"
        << "Now";
    QTest::newRow("text alone clears the tooltip")
        << QByteArray("<buttonOK><text>Apply</text></buttonOK>") << "Apply"
        << "";
    QTest::newRow("tooltip without text changes nothing")
        << QByteArray("<buttonOK><tooltip>Now</tooltip></buttonOK>") << "OK"
        << "";
    QTest::newRow("text substituted")
        << QByteArray("<buttonOK><text>{general/ui/ok/Fine}</text></buttonOK>") << "Fine"
        << "";
}

void tst_CWinMain::buttonTexts()
{
    QFETCH(QByteArray, body);
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(body));
    auto* ok = d->findChild<QPushButton*>(QStringLiteral("pbOK"));
    QTEST(ok->text(), "text");
    QTEST(ok->toolTip(), "toolTip");
    QVERIFY(h.errorTexts().isEmpty());
}

void tst_CWinMain::tabPosition_data()
{
    QTest::addColumn<QByteArray>("position");
    QTest::addColumn<int>("expected");
    QTest::newRow("South") << QByteArray("<tabposition>South</tabposition>")
                           << int(QTabWidget::South);
    QTest::newRow("West") << QByteArray("<tabposition>West</tabposition>") << int(QTabWidget::West);
    QTest::newRow("East") << QByteArray("<tabposition>East</tabposition>") << int(QTabWidget::East);
    QTest::newRow("south in lower case")
        << QByteArray("<tabposition>south</tabposition>") << int(QTabWidget::North);
    QTest::newRow("absent") << QByteArray() << int(QTabWidget::North);
}

void tst_CWinMain::tabPosition()
{
    QFETCH(QByteArray, position);
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap("<tabwidget>" + position + "</tabwidget>"));
    QTEST(int(d->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->tabPosition()), "expected");
}

void tst_CWinMain::tabsSelectionAndSize_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<int>("current");
    QTest::addColumn<QSize>("size");

    const QByteArray threeTabs = "<tab><name>A</name></tab><tab><name>B</name></tab>"
                                 "<tab><name>@c</name></tab>";
    const QByteArray translations = "<translations><c><ru>C</ru></c></translations>";
    QTest::newRow("selection and both sizes")
        << "<window><width>640</width><height>480</height></window><tabwidget>" + threeTabs +
               "<selection>2</selection></tabwidget>" + translations
        << QStringList{"A", "B", "C"} << 2 << QSize(640, 480);
    QTest::newRow("width without height keeps the frame size")
        << "<window><width>800</width></window><tabwidget>" + threeTabs + "</tabwidget>" +
               translations
        << QStringList{"A", "B", "C"} << 0 << QSize(520, 386);
    QTest::newRow("no tabs") << QByteArray("<tabwidget/>") << QStringList() << -1
                             << QSize(520, 386);
}

void tst_CWinMain::tabsSelectionAndSize()
{
    QFETCH(QByteArray, body);
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(body));
    auto* tabs = d->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QTEST(titles, "titles");
    QTEST(tabs->currentIndex(), "current");
    QTEST(d->size(), "size");
    QVERIFY(d->findChild<QPushButton*>(QStringLiteral("pbOK"))->isVisible());
    QVERIFY(h.errorTexts().isEmpty());
}

void tst_CWinMain::staysInvisibleUntilLoaded()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("interface"),
                         h.write("setup-m.xml", SetupHarness::fixture("lifecycle.xml")));
    h.source.deferLoad = true;
    CWinMain d(h.source);
    // Centred on the primary screen at its constructed size.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(d.size(), QSize(520, 386));
    QCOMPARE(d.geometry().center(), QRect(area).center());

    d.show();
    QVERIFY(!d.isVisible());
    QVERIFY(!d.windowHandle() || !d.windowHandle()->isVisible());
    emit h.source.loadDone();
    QVERIFY(d.isVisible());
    QCOMPARE(d.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->count(), 2);
    QVERIFY(!d.isBuilding());
    // A second loadDone does not build again.
    emit h.source.loadDone();
    QCOMPARE(d.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->count(), 2);
}

void tst_CWinMain::centresOnParentWhenShown()
{
    QWidget parent;
    parent.setGeometry(100, 120, 600, 400);
    parent.show();
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap("<window><width>300</width><height>200</height>"
                                             "</window>"),
                          &parent);
    const QPoint centre = parent.mapToGlobal(QPoint(599 / 2, 399 / 2));
    QCOMPARE(d->geometry().center(), centre);
}

void tst_CWinMain::progress()
{
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap("<window><progress_dialog/></window>"
                                             "<tabwidget><tab><item type=\"gridlayout\">"
                                             "<item type=\"progressbar\" maxvalue=\"100\"><bar/>"
                                             "<key>general/progress_dialog/progress</key></item>"
                                             "</item></tab></tabwidget>"));
    auto* bar = h.control<QProgressBar>(QStringLiteral("bar"));
    QVERIFY(bar);
    QMetaObject::invokeMethod(d, "onSetupProgress", Q_ARG(int, 42));
    QCOMPARE(h.value(QStringLiteral("general/progress_dialog/progress")), QStringLiteral("42"));
    QCOMPARE(bar->value(), 42);
    QVERIFY(d->isVisible());
    // Without an argument the stored value decides: 42 closes nothing.
    QMetaObject::invokeMethod(d, "onSetupProgress");
    QVERIFY(d->isVisible());
    // Here the dialog itself carries the progress_dialog tag, so 100 closes it.
    emit h.source.progress(100);
    QCOMPARE(bar->value(), 100);
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QVERIFY(h.errorTexts().isEmpty());

    SetupHarness plain;
    CWinMain* p = plain.build(SetupHarness::wrap("<window/>"));
    QMetaObject::invokeMethod(p, "onSetupProgress", Q_ARG(int, 100));
    QVERIFY(p->isVisible());
    QVERIFY(plain.errorTexts().isEmpty());
}

void tst_CWinMain::taggedLookups()
{
    SetupHarness h;
    CWinMain* d = h.build(
        SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">"
                           "<item type=\"label\" row=\"0\"><twice/><text>first</text></item>"
                           "<item type=\"label\" row=\"1\"><twice/><text>second</text></item>"
                           "</item></tab></tabwidget><plain><nowidget/></plain>"));
    const QDomElement first = d->taggedElement(QStringLiteral("twice"));
    QCOMPARE(first.firstChildElement(QStringLiteral("text")).text(), QStringLiteral("first"));
    auto* label = qobject_cast<QLabel*>(d->taggedObject(QStringLiteral("twice")));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("first"));

    // The annotation: a link tag element, a controlWidget record, the accessible name.
    const QString handle = QString::number(CWinMain::handleOf(label));
    const QString tag = QStringLiteral("link") + handle;
    QCOMPARE(label->accessibleName(), tag);
    QVERIFY(!first.firstChildElement(tag).isNull());
    const QDomElement record = first.firstChildElement(QStringLiteral("controlWidget"));
    QCOMPARE(record.attribute(QStringLiteral("address")), handle);
    QCOMPARE(record.attribute(QStringLiteral("id")), tag);
    QCOMPARE(d->taggedElement(tag), first);
    QCOMPARE(d->taggedObject(tag), label);

    QCOMPARE(d->taggedElement(QStringLiteral("nowidget")).tagName(), QStringLiteral("plain"));
    QCOMPARE(d->taggedObject(QStringLiteral("nowidget")), nullptr);
    QVERIFY(d->taggedElement(QStringLiteral("absent")).isNull());
    QCOMPARE(d->taggedObject(QStringLiteral("absent")), nullptr);
}

void tst_CWinMain::lookupsByName_data()
{
    // The element found by a tag, as the text of its `text` child (null: no
    // element), and the widget found, as its text or "dialog" (empty: none).
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("widget");
    QTest::newRow("first of two on different pages") << "twice"
                                                     << "first"
                                                     << "first";
    QTest::newRow("a plain name passes over a prefixed one") << "mark"
                                                             << "plain"
                                                             << "plain";
    QTest::newRow("a prefixed name") << "x:mark"
                                     << "prefixed"
                                     << "prefixed";
    QTest::newRow("the description's own record comes first") << "forgedtag"
                                                              << "forged" << QString();
    QTest::newRow("an element that never had a widget") << "nowidget"
                                                        << "" << QString();
    QTest::newRow("the first annotated element, the dialog's window") << "controlWidget"
                                                                      << ""
                                                                      << "dialog";
    QTest::newRow("absent") << "absent" << QString() << QString();
}

void tst_CWinMain::lookupsByName()
{
    QFETCH(QString, tag);
    QFETCH(QString, element);
    QFETCH(QString, widget);
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(
        "<window/><tabwidget>"
        "<tab><item type=\"gridlayout\">"
        "<item type=\"label\" row=\"0\"><x:mark xmlns:x=\"urn:x\"/><text>prefixed</text></item>"
        "<item type=\"label\" row=\"1\"><twice/><text>first</text></item>"
        "<item type=\"label\" row=\"2\"><controlWidget address=\"1\" id=\"link1\"/>"
        "<forgedtag/><text>forged</text></item>"
        "</item></tab>"
        "<tab><item type=\"gridlayout\">"
        "<item type=\"label\" row=\"0\"><mark/><twice/><text>plain</text></item>"
        "</item></tab></tabwidget><plain><nowidget/><text/></plain>"));
    QVERIFY(h.errorTexts().isEmpty());

    const QDomElement found = d->taggedElement(tag);
    QCOMPARE(found.isNull(), element.isNull());
    QCOMPARE(found.firstChildElement(QStringLiteral("text")).text(), element);
    QWidget* object = d->taggedObject(tag);
    if (widget == QLatin1String("dialog"))
        QCOMPARE(object, d);
    else if (widget.isEmpty())
        QCOMPARE(object, nullptr);
    else
        QCOMPARE(qobject_cast<QLabel*>(object) ? qobject_cast<QLabel*>(object)->text() : QString(),
                 widget);
}

void tst_CWinMain::lookupsBeforeTheDescriptionIsRead()
{
    // Progress arrives while the source is still loading; the tag it looks
    // for must still be found once the description is read.
    SetupHarness h;
    h.source.setFilePath(
        QStringLiteral("interface"),
        h.write("setup-m.xml", SetupHarness::wrap("<tabwidget><tab><item type=\"gridlayout\">"
                                                  "<item type=\"label\"><progress_dialog/>"
                                                  "<text>loading</text></item>"
                                                  "</item></tab></tabwidget>")));
    h.source.deferLoad = true;
    CWinMain d(h.source);
    emit h.source.progress(100);
    QCOMPARE(d.taggedObject(QStringLiteral("progress_dialog")), nullptr);
    emit h.source.loadDone();
    auto* label = qobject_cast<QLabel*>(d.taggedObject(QStringLiteral("progress_dialog")));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("loading"));
}

void tst_CWinMain::forgedHandleFindsNoWidget()
{
    // An address written into the file itself must never be dereferenced.
    SetupHarness h;
    CWinMain* d = h.build(SetupHarness::wrap(
        "<forged><target/><controlWidget address=\"12345678\" id=\"link12345678\"/></forged>"
        "<buttonOK><action type=\"call\" param=\"x\">target</action></buttonOK>"));
    QCOMPARE(d->taggedObject(QStringLiteral("target")), nullptr);
    d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
    QVERIFY(h.errorTexts().isEmpty());
}

void tst_CWinMain::callTimeTaskRunsOnTick()
{
    SetupHarness h;
    h.build(SetupHarness::wrap("<window><timetask type=\"call\" period=\"0\" param=\"tick\">"
                               "ticker</timetask></window>"
                               "<tabwidget><tab><item type=\"gridlayout\">"
                               "<item type=\"label\"><ticker/></item>"
                               "</item></tab></tabwidget>"));
    auto* label = h.control<QLabel>(QStringLiteral("ticker"));
    QVERIFY(label);
    QCOMPARE(label->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("tick"), 3000);
}

void tst_CWinMain::grabShowsFrameAndGloss()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("general"),
                         h.write("general.ini", SetupHarness::fixture("showcase-general.ini")));
    CWinMain* d = h.build(SetupHarness::fixture("showcase.xml"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
    const QImage image = d->grab().toImage();
    QCOMPARE(image.size(), d->size() * image.devicePixelRatio());
    QCOMPARE(image.pixelColor(0, d->height() / 2), QColor(64, 64, 64));
    QCOMPARE(image.pixelColor(d->width() - 2, d->height() / 2), QColor(64, 64, 64));
    // The gloss lightens the top band against the same column further down.
    QVERIFY(image.pixelColor(4, 3).lightness() > image.pixelColor(4, d->height() / 2).lightness());
    const QString out = QDir::current().filePath(QStringLiteral("showcase.png"));
    QVERIFY(image.save(out));
    qInfo("grabbed to %s", qPrintable(out));
}

void tst_CWinMain::cancelWhileLoadingEndsTheDialog()
{
    SetupHarness h;
    h.source.setFilePath(QStringLiteral("interface"),
                         h.write("setup-m.xml", SetupHarness::fixture("lifecycle.xml")));
    h.source.deferLoad = true;
    bool shown = false;
    // The host cancels while the source still loads; the load then ends.
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CWinMain*>(w))
                d->reject();
        QTimer::singleShot(0, &h.source, &NBXSetup::loadDone);
    });
    // Should the dialog still appear, it is closed so that the test ends.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (CWinMain* d = openSetupDialog()) {
            shown = true;
            d->reject();
        }
    });
    poll.start(5);
    QCOMPARE(DoPanorixSetup(h.source), 0);
    QVERIFY(!shown);
}

QTEST_MAIN(tst_CWinMain)
#include "tst_cwinmain.moc"
