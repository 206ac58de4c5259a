// The PTZ page's controls in a dialog: alarm levels over a picture and their
// four keys, the cross view, the two-state button, and the PTZ control
// handing pictures and positions to the controls its targets name.

#include "../setup/setupharness.h"
#include "ptz/cptzalarm.h"
#include "ptz/cptzcrossview.h"
#include "ptz/cptzvideoin.h"
#include "ptz/cqp2kbutton.h"
#include "ptzfixtures.h"
#include "ptzwire.h"

#include <QtTest>

namespace {

// A map of 100 cells, every byte different.
QString sampleMap()
{
    QByteArray bytes;
    for (int i = 0; i < 25; ++i)
        bytes.append(char(i * 10 + 3));
    return QString::fromLatin1(bytes.toHex());
}

QByteArray alarmItem(const QByteArray& children)
{
    return SetupHarness::wrap("<tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
                              "<item type=\"PTZAlarm\" row=\"0\" column=\"0\"><alarm/>" +
                              children + "</item></item></tab></tabwidget>");
}

QColor over(QColor base, QColor tint)
{
    const double a = tint.alphaF();
    return QColor(int(tint.red() * a + base.red() * (1 - a)),
                  int(tint.green() * a + base.green() * (1 - a)),
                  int(tint.blue() * a + base.blue() * (1 - a)));
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 &&
           qAbs(a.blue() - b.blue()) <= 3;
}

QString describe(QColor c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// A 10 x 10 alarm grid of 100 x 100 pixels over a flat picture, shown.
struct ShownAlarm
{
    QWidget window;
    cPTZAlarm* alarm = new cPTZAlarm(&window);
    explicit ShownAlarm(QColor colour = QColor(128, 128, 128))
    {
        alarm->setGeometry(0, 0, 100, 100);
        alarm->setArray(10, 10);
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(colour);
        alarm->setImage(image);
        window.resize(100, 100);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("window not exposed");
    }
};

} // namespace

class tst_PTZControls : public QObject
{
    Q_OBJECT
private slots:
    void alarmMapSplitOverFourKeys();
    void alarmKeysChosen_data();
    void alarmKeysChosen();
    void alarmDrag_data();
    void alarmDrag();
    void alarmLevelFromText_data();
    void alarmLevelFromText();
    void alarmPaintsLevels_data();
    void alarmPaintsLevels();
    void crossViewCentresItsCross_data();
    void crossViewCentresItsCross();
    void buttonToggles_data();
    void buttonToggles();
    void buttonTakesAttributesAndRunsActions();
    void ptzControlFeedsTargets();
};

// 25 bytes are 50 digits, stored as 12, 13, 12 and 13 and read back whole.
void tst_PTZControls::alarmMapSplitOverFourKeys()
{
    SetupHarness h;
    const QByteArray keys = "<key>general/alarm/zone1</key><key>general/alarm/zone2</key>"
                            "<key>general/alarm/zone3</key><key>general/alarm/zone4</key>";
    h.build(alarmItem(keys));
    auto* alarm = h.control<cPTZAlarm>("alarm");
    QVERIFY(alarm);
    const QString map = sampleMap();
    alarm->setValue(map);
    emit alarm->valueChanged();

    QCOMPARE(h.value("general/alarm/zone1"), map.mid(0, 12));
    QCOMPARE(h.value("general/alarm/zone2"), map.mid(12, 13));
    QCOMPARE(h.value("general/alarm/zone3"), map.mid(25, 12));
    QCOMPARE(h.value("general/alarm/zone4"), map.mid(37, 13));

    h.build(alarmItem(keys));
    QCOMPARE(h.control<cPTZAlarm>("alarm")->value(), map);
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

void tst_PTZControls::alarmKeysChosen_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<QStringList>("written");

    const QByteArray keys = "<key>general/k/a1</key><key>general/k/a2</key>"
                            "<key>general/k/a3</key><key>general/k/a4</key>";
    const QByteArray zones = "<zone>general/z/b1</zone><zone>general/z/b2</zone>"
                             "<zone>general/z/b3</zone><zone>general/z/b4</zone>";
    const QStringList keyNames{"general/k/a1", "general/k/a2", "general/k/a3", "general/k/a4"};
    const QStringList zoneNames{"general/z/b1", "general/z/b2", "general/z/b3", "general/z/b4"};

    QTest::newRow("no set_switch: the key children") << keys + zones << keyNames;
    QTest::newRow("set_switch names the children")
        << "<set_switch>general/switch/zones</set_switch>" + keys + zones << zoneNames;
    QTest::newRow("last set_switch wins") << "<set_switch>general/switch/zones</set_switch>"
                                             "<set_switch>general/switch/keys</set_switch>" +
                                                 keys + zones
                                          << keyNames;
    QTest::newRow("empty set_switch value: the key children")
        << "<set_switch>general/switch/none</set_switch>" + keys + zones << keyNames;
    QTest::newRow("a key ending in another character")
        << QByteArray("<key>general/k/a1</key><key>general/k/a5</key><key>general/k/a</key>")
        << QStringList{"general/k/a1"};
}

void tst_PTZControls::alarmKeysChosen()
{
    QFETCH(QByteArray, children);
    QFETCH(QStringList, written);

    SetupHarness h;
    h.source.setValue(QStringLiteral("general/switch/zones/zone"));
    h.source.setValue(QStringLiteral("general/switch/keys/key"));
    h.build(alarmItem(children));
    auto* alarm = h.control<cPTZAlarm>("alarm");
    alarm->setValue(sampleMap());
    emit alarm->valueChanged();

    QStringList got;
    for (const char* key :
         {"general/k/a1", "general/k/a2", "general/k/a3", "general/k/a4", "general/k/a5",
          "general/k/a", "general/z/b1", "general/z/b2", "general/z/b3", "general/z/b4"}) {
        if (!h.value(QLatin1String(key)).isEmpty())
            got << QLatin1String(key);
    }
    QCOMPARE(got, written);
}

void tst_PTZControls::alarmDrag_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("levelSlot");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("after");

    const QString allRed(50, QLatin1Char('f'));
    const QString allIgnored(50, QLatin1Char('0'));
    QTest::newRow("left paints yellow at first") << Qt::LeftButton << "" << allIgnored << 2;
    QTest::newRow("left paints the chosen level")
        << Qt::LeftButton << "slot_Alarm_level_green" << allRed << 1;
    QTest::newRow("left paints ignore when chosen")
        << Qt::LeftButton << "slot_Alarm_level_ignore" << allRed << 0;
    QTest::newRow("right paints ignore over red")
        << Qt::RightButton << "slot_Alarm_level_red" << allRed << 0;
    QTest::newRow("right paints ignore whatever the level")
        << Qt::RightButton << "slot_Alarm_level_green" << allRed << 0;
}

void tst_PTZControls::alarmDrag()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, levelSlot);
    QFETCH(QString, before);
    QFETCH(int, after);

    ShownAlarm shown;
    shown.alarm->setValue(before);
    if (!levelSlot.isEmpty())
        QVERIFY(QMetaObject::invokeMethod(shown.alarm, levelSlot.toLatin1().constData()));
    QSignalSpy changed(shown.alarm, &cMaskedImage::valueChanged);
    // From cell (1, 1) to cell (3, 2).
    QTest::mousePress(shown.alarm, button, Qt::NoModifier, QPoint(15, 15));
    QMouseEvent move(QEvent::MouseMove, QPointF(35, 25), shown.alarm->mapToGlobal(QPointF(35, 25)),
                     Qt::NoButton, button, Qt::NoModifier);
    QApplication::sendEvent(shown.alarm, &move);
    QTest::mouseRelease(shown.alarm, button, Qt::NoModifier, QPoint(35, 25));

    QCOMPARE(changed.size(), 1);
    const int unchanged = before.at(0) == QLatin1Char('f') ? 3 : 0;
    for (int row = 0; row < 10; ++row) {
        for (int column = 0; column < 10; ++column) {
            const bool dragged = row >= 1 && row <= 2 && column >= 1 && column <= 3;
            QCOMPARE(shown.alarm->cells().at(row * 10 + column), dragged ? after : unchanged);
        }
    }
}

void tst_PTZControls::alarmLevelFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("level");
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("3") << "3" << 3;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("4") << "4" << 0;
    QTest::newRow("not a number") << "red" << 0;
    QTest::newRow("empty") << "" << 0;
}

void tst_PTZControls::alarmLevelFromText()
{
    QFETCH(QString, text);
    QFETCH(int, level);
    cPTZAlarm alarm;
    alarm.slot_Alarm_level_red();
    alarm.slot_Set_value(text);
    QCOMPARE(alarm.level(), level);
}

void tst_PTZControls::alarmPaintsLevels_data()
{
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QColor>("tint");
    QTest::newRow("ignore") << "00" << QColor(16, 16, 16, 160);
    QTest::newRow("green") << "01" << QColor(0, 96, 0, 160);
    QTest::newRow("yellow") << "02" << QColor(96, 96, 0, 160);
    QTest::newRow("red") << "03" << QColor(96, 0, 0, 160);
}

void tst_PTZControls::alarmPaintsLevels()
{
    QFETCH(QString, cells);
    QFETCH(QColor, tint);
    const QColor base(200, 180, 40);
    ShownAlarm shown(base);
    shown.alarm->setValue(cells);
    const QColor got = shown.alarm->grab().toImage().pixelColor(5, 5);
    QVERIFY2(near(got, over(base, tint)), qPrintable(describe(got)));
}

void tst_PTZControls::crossViewCentresItsCross_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<QSize>("size");
    QTest::newRow("no size") << QByteArray() << QSize(32, 32);
    QTest::newRow("64 x 48") << QByteArray("width=\"64\" height=\"48\"") << QSize(64, 48);
}

void tst_PTZControls::crossViewCentresItsCross()
{
    QFETCH(QByteArray, attributes);
    QFETCH(QSize, size);

    SetupHarness h;
    h.build(SetupHarness::wrap("<tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
                               "<item type=\"PTZcrossView\" row=\"0\" column=\"0\" " +
                               attributes + "><view/></item></item></tab></tabwidget>"));
    auto* view = h.control<cPTZCrossView>("view");
    QVERIFY(view);
    QCOMPARE(view->size(), size);
    QPixmap grey(size);
    grey.fill(QColor(128, 128, 128));
    view->setPixmap(grey);
    const QImage image = view->grab().toImage();
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    const QColor white = over(QColor(128, 128, 128), QColor(255, 255, 255, 160));
    const QColor shadow = over(QColor(128, 128, 128), QColor(0, 0, 0, 160));
    for (const QPoint& p :
         {QPoint(cx, cy - 9), QPoint(cx, cy + 5), QPoint(cx - 10, cy), QPoint(cx + 10, cy)})
        QVERIFY2(near(image.pixelColor(p), white), qPrintable(describe(image.pixelColor(p))));
    for (const QPoint& p : {QPoint(cx + 1, cy - 9), QPoint(cx - 9, cy + 1)})
        QVERIFY2(near(image.pixelColor(p), shadow), qPrintable(describe(image.pixelColor(p))));
    QVERIFY(near(image.pixelColor(cx - 12, cy - 12), QColor(128, 128, 128)));
}

void tst_PTZControls::buttonToggles_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("checked");
    QTest::newRow("toggle without a click") << QStringList{"toggle"} << true;
    QTest::newRow("toggle twice") << QStringList{"toggle", "toggle"} << false;
    QTest::newRow("a click holds one toggle back") << QStringList{"click", "toggle"} << true;
    QTest::newRow("the flag clears after one toggle")
        << QStringList{"click", "toggle", "toggle"} << false;
    QTest::newRow("check") << QStringList{"check"} << true;
    QTest::newRow("check then uncheck") << QStringList{"check", "uncheck"} << false;
}

void tst_PTZControls::buttonToggles()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, checked);
    cQP2kButton button;
    button.setCheckable(true);
    for (const QString& step : steps) {
        if (step == QLatin1String("click"))
            button.click();
        else if (step == QLatin1String("toggle"))
            button.slot_Toggle_if_not_clicked();
        else if (step == QLatin1String("check"))
            button.slot_Check();
        else
            button.slot_Uncheck();
    }
    QCOMPARE(button.isChecked(), checked);
}

void tst_PTZControls::buttonTakesAttributesAndRunsActions()
{
    SetupHarness h;
    h.source.setValue(QStringLiteral("general/ptz/name/Up"));
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
        "<item type=\"p2k_button\" row=\"0\" column=\"0\" checkable=\"true\" color=\"red\">"
        "<up/><text>{general/ptz/name}</text>"
        "<action type=\"call\" slot=\"slot_Uncheck\">down</action></item>"
        "<item type=\"p2k_button\" row=\"0\" column=\"1\" checkable=\"yes\"><down/></item>"
        "</item></tab></tabwidget>"));
    auto* up = h.control<cQP2kButton>("up");
    auto* down = h.control<cQP2kButton>("down");
    QVERIFY(up && down);
    QCOMPARE(up->text(), QStringLiteral("Up"));
    QVERIFY(up->isCheckable());
    QVERIFY(!down->isCheckable());
    QCOMPARE(up->palette().color(QPalette::Button), QColor(Qt::red));

    down->setCheckable(true);
    down->setChecked(true);
    up->click();
    QVERIFY(up->isChecked());
    QVERIFY(!down->isChecked());
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

// Position reports reach the settings and the labels bound to them; a
// picture of the PTZ camera reaches the view of target 0; a picture in the
// "Camera" form of camera 0 reaches no target.
void tst_PTZControls::ptzControlFeedsTargets()
{
    ScriptedPeer peer;
    SetupHarness h;
    h.source.setValue(QStringLiteral("general/network/url/") + peer.url());
    h.build(SetupHarness::wrap(
        "<tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
        "<item type=\"PTZvideoin\" row=\"0\" column=\"0\"><ptz/>"
        "<target type=\"PTZ_pos\">view</target><target type=\"0\">view</target>"
        "<target type=\"1\">other</target></item>"
        "<item type=\"PTZcrossView\" row=\"0\" column=\"1\"><view/></item>"
        "<item type=\"PTZcrossView\" row=\"0\" column=\"2\"><other/></item>"
        "<item type=\"label\" row=\"1\" column=\"0\"><pan/>"
        "<key>general/PTZCalibrator/Pan</key><text>{general/PTZCalibrator/Pan}</text></item>"
        "</item></tab></tabwidget>"));
    auto* view = h.control<cPTZCrossView>("view");
    auto* other = h.control<cPTZCrossView>("other");
    auto* pan = h.control<QLabel>("pan");
    QVERIFY(view && other && pan && h.control<cPTZvideoIn>("ptz"));
    QVERIFY(!h.control<cPTZvideoIn>("ptz")->isVisible());
    QTRY_VERIFY(peer.received.contains("PASS="));

    peer.send(ptzwire::positionLine(12345, 905, 100));
    QTRY_COMPARE(pan->text(), QStringLiteral("123.45"));
    QCOMPARE(h.value("general/PTZCalibrator/Tilt"), QStringLiteral("9.05"));

    const QByteArray payload = ptzwire::greyPayload(8, 8);
    peer.send(ptzwire::frame(ptzwire::cameraLine(0, 32 + 64), {3, 8, 8, 64}, payload));
    QTRY_COMPARE(peer.received.count("VIDEO_OK\r\n"), 1);
    QVERIFY(view->pixmap().isNull());

    peer.send(ptzwire::greyFrame(8, 6));
    QTRY_COMPARE(view->pixmap().size(), QSize(8, 6));
    QVERIFY(other->pixmap().isNull());

    // The view of the PTZ camera steers it while a key is held.
    QTest::keyPress(view, Qt::Key_Up);
    QTRY_VERIFY(peer.received.contains("_TILT-UP\r\n"));
    QTest::keyRelease(view, Qt::Key_Up);
    QTRY_VERIFY(peer.received.lastIndexOf("STOP\r\n") > peer.received.lastIndexOf("_TILT-UP"));
    QVERIFY2(h.errorTexts().isEmpty(), qPrintable(h.errorTexts().join('\n')));
}

QTEST_MAIN(tst_PTZControls)
#include "tst_ptzcontrols.moc"
