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

#include <QLineEdit>
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

// One key event as a keyboard sends it; `scan` names the physical key.
struct KeyStep
{
    QEvent::Type type = QEvent::KeyPress;
    int key = 0;
    quint32 scan = 0;
    bool repeat = false;
    QString text;
};

KeyStep press(int key, quint32 scan, const QString& text = QString(), bool repeat = false)
{
    return KeyStep{QEvent::KeyPress, key, scan, repeat, text};
}

KeyStep release(int key, quint32 scan, const QString& text = QString(), bool repeat = false)
{
    return KeyStep{QEvent::KeyRelease, key, scan, repeat, text};
}

void send(QWidget* to, const KeyStep& step)
{
    const Qt::KeyboardModifiers modifiers =
        step.key == Qt::Key_Plus ? Qt::ShiftModifier : Qt::NoModifier;
    QKeyEvent event(step.type, step.key, modifiers, step.scan, 0, 0, step.text, step.repeat);
    QApplication::sendEvent(to, &event);
}

// The sample's PTZ page in small: the control, its view, a widget to take
// the focus away, and zoom and tilt buttons that latch on the control.
QByteArray steeringPage()
{
    static const char* const kOpposite[][2] = {
        {"UP", "DOWN"}, {"DOWN", "UP"}, {"ZOOM_IN", "ZOOM_OUT"}, {"ZOOM_OUT", "ZOOM_IN"}};
    QByteArray buttons;
    for (const auto& pair : kOpposite) {
        const QByteArray dir(pair[0]), opposite(pair[1]);
        buttons += "<item type=\"p2k_button\" row=\"1\" checkable=\"true\"><b_" + dir + "/><text>" +
                   dir + "</text><action type=\"call\" slot=\"slot_Move_PTZ\" param=\"" + dir +
                   "\">ptz</action><action type=\"call\" slot=\"slot_Uncheck\">b_" + opposite +
                   "</action></item>";
    }
    return SetupHarness::wrap(
        "<window><main/></window><tabwidget><tab><name>PTZ</name><item type=\"gridlayout\">"
        "<item type=\"PTZcrossView\" row=\"0\" column=\"0\"><view/></item>"
        "<item type=\"edit\" row=\"0\" column=\"1\"><elsewhere/></item>" +
        buttons +
        "<item type=\"PTZvideoin\" row=\"2\" column=\"0\"><ptz/>"
        "<target type=\"0\">view</target></item>"
        "</item></tab></tabwidget>");
}

// A dialog over the emulator's PTZ camera with the steering page, shown and
// linked.
struct SteeringFixture
{
    PtzDevice device;
    SetupHarness h;
    cPTZCrossView* view = nullptr;
    cPTZvideoIn* ptz = nullptr;

    SteeringFixture()
    {
        h.source.setValue(QStringLiteral("general/network/url/") + device.url());
        h.source.setValue(QStringLiteral("general/network/login/admin"));
        h.source.setValue(QStringLiteral("general/network/password/") +
                          device.sim.passwordDigest());
        h.build(steeringPage());
        view = h.control<cPTZCrossView>(QStringLiteral("view"));
        ptz = h.control<cPTZvideoIn>(QStringLiteral("ptz"));
        h.dialog->show();
        QApplication::setActiveWindow(h.dialog.get());
    }
    // Linked, and the view shows the camera it steers.
    bool linked() { return ptz && ptz->isLinked() && !view->pixmap().isNull(); }
    cQP2kButton* button(const char* direction)
    {
        return h.control<cQP2kButton>(QStringLiteral("b_") + QLatin1String(direction));
    }
    // The movement requests sent so far, without the announced lengths.
    QStringList moves()
    {
        QStringList out;
        for (const QString& m : device.moves())
            out << m.section(QLatin1Char(' '), 0, 0);
        return out;
    }
};

} // namespace

Q_DECLARE_METATYPE(KeyStep)

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
    void crossViewShowsThePictureAsALabel_data();
    void crossViewShowsThePictureAsALabel();
    void crossViewWithTextHasNoCross();
    void crossViewFromPictureToText_data();
    void crossViewFromPictureToText();
    void buttonToggles_data();
    void buttonToggles();
    void buttonTakesAttributesAndRunsActions();
    void ptzControlFeedsTargets();
    void keyMovesWhileHeld_data();
    void keyMovesWhileHeld();
    void latchedButtonShowsTheControl();
    void closingTheDialogStopsTheCamera_data();
    void closingTheDialogStopsTheCamera();
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

void tst_PTZControls::crossViewShowsThePictureAsALabel_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<bool>("framed");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("picture of the view's size") << QSize(120, 90) << false << true;
    QTest::newRow("larger picture, framed") << QSize(200, 150) << true << true;
    QTest::newRow("smaller picture") << QSize(60, 40) << false << true;
    QTest::newRow("disabled") << QSize(120, 90) << true << false;
}

// Away from its cross, the view shows a picture (scaled to fit, inside its
// frame) as a plain label with scaled contents does, to the rounding of
// the scaling.
void tst_PTZControls::crossViewShowsThePictureAsALabel()
{
    QFETCH(QSize, pictureSize);
    QFETCH(bool, framed);
    QFETCH(bool, enabled);
    QImage picture(pictureSize, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / picture.width(), y * 255 / picture.height(), 90));
    }
    cPTZCrossView view;
    QLabel label;
    for (QLabel* l : {static_cast<QLabel*>(&view), &label}) {
        l->setFixedSize(120, 90);
        l->setScaledContents(true);
        if (framed)
            l->setFrameStyle(QFrame::StyledPanel);
        l->setEnabled(enabled);
        l->setPixmap(QPixmap::fromImage(picture));
    }
    const QImage ours = view.grab().toImage();
    const QImage expected = label.grab().toImage();
    const QRect cross(QPoint(60 - 12, 45 - 12), QSize(25, 25));
    for (int y = 0; y < 90; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (cross.contains(x, y))
                continue;
            const QColor got = ours.pixelColor(x, y);
            QVERIFY2(near(got, expected.pixelColor(x, y)),
                     qPrintable(QStringLiteral("%1,%2: %3 instead of %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(describe(got), describe(expected.pixelColor(x, y)))));
        }
    }
}

// A text in place of the picture reads as a label's, with no mark over it.
void tst_PTZControls::crossViewWithTextHasNoCross()
{
    cPTZCrossView view;
    QLabel label;
    for (QLabel* l : {static_cast<QLabel*>(&view), &label}) {
        l->setFixedSize(240, 90);
        l->setAlignment(Qt::AlignCenter);
        l->setText(QStringLiteral("Not available from a flash drive"));
    }
    QCOMPARE(view.grab().toImage(), label.grab().toImage());
}

// A view whose picture covered all of it, then shows a text in its place,
// reads as a label with that text: nothing of the picture stays under it.
void tst_PTZControls::crossViewFromPictureToText_data()
{
    QTest::addColumn<int>("frameStyle");
    QTest::newRow("no frame") << int(QFrame::NoFrame);
    QTest::newRow("framed, as in the dialog") << int(QFrame::StyledPanel);
}

void tst_PTZControls::crossViewFromPictureToText()
{
    QFETCH(int, frameStyle);
    cPTZCrossView view;
    QLabel label;
    QPixmap picture(240, 90);
    picture.fill(QColor(200, 30, 30));
    for (QLabel* l : {static_cast<QLabel*>(&view), &label}) {
        l->setFixedSize(240, 90);
        l->setAlignment(Qt::AlignCenter);
        l->setScaledContents(true);
        l->setFrameStyle(frameStyle);
        l->setPixmap(picture);
    }
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.repaint();
    // Nothing is painted under a view that shows a picture: around it, the
    // view paints what a label would (its mark is inside).
    QVERIFY(view.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage shown = view.grab().toImage();
    const QImage expected = label.grab().toImage();
    for (const QPoint& p : {QPoint(0, 0), QPoint(239, 89), QPoint(120, 0), QPoint(0, 45)})
        QCOMPARE(shown.pixel(p), expected.pixel(p));
    for (QLabel* l : {static_cast<QLabel*>(&view), &label})
        l->setText(QStringLiteral("Not available from a flash drive"));
    QCOMPARE(view.grab().toImage(), label.grab().toImage());
    // And so after the paints it asked for.
    QCoreApplication::processEvents();
    QCOMPARE(view.grab().toImage(), label.grab().toImage());
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

void tst_PTZControls::keyMovesWhileHeld_data()
{
    QTest::addColumn<QList<KeyStep>>("steps"); // the last one must stop the camera
    QTest::addColumn<QString>("move");

    // X11 scan codes: 21 is the "=" key, 50 left Shift, 111 the up arrow.
    QTest::newRow("arrow pressed and released")
        << QList<KeyStep>{press(Qt::Key_Up, 111), release(Qt::Key_Up, 111)} << "_TILT-UP";
    QTest::newRow("shift let go before plus")
        << QList<KeyStep>{press(Qt::Key_Shift, 50), press(Qt::Key_Plus, 21, "+"),
                          release(Qt::Key_Shift, 50), release(Qt::Key_Equal, 21, "=")}
        << "_ZOOM-IN";
    QTest::newRow("auto-repeat goes on moving")
        << QList<KeyStep>{press(Qt::Key_Up, 111),           release(Qt::Key_Up, 111, {}, true),
                          press(Qt::Key_Up, 111, {}, true), release(Qt::Key_Up, 111, {}, true),
                          press(Qt::Key_Up, 111, {}, true), release(Qt::Key_Up, 111)}
        << "_TILT-UP";
    QTest::newRow("without scan codes")
        << QList<KeyStep>{press(Qt::Key_Minus, 0, "-"), release(Qt::Key_Minus, 0, "-")}
        << "_ZOOM-OUT";
    // A key released while another widget has the focus never reaches the view.
    QTest::newRow("focus lost while held")
        << QList<KeyStep>{press(Qt::Key_Up, 111), KeyStep{QEvent::FocusOut, 0, 0, false, QString()}}
        << "_TILT-UP";
}

void tst_PTZControls::keyMovesWhileHeld()
{
    QFETCH(QList<KeyStep>, steps);
    QFETCH(QString, move);
    SteeringFixture f;
    QVERIFY(f.view && f.ptz);
    QTRY_VERIFY(f.linked());
    f.view->setFocus();
    QTRY_VERIFY(f.view->hasFocus());

    bool started = false;
    for (int i = 0; i < steps.size(); ++i) {
        const KeyStep& step = steps.at(i);
        if (step.type == QEvent::FocusOut)
            f.h.control<QLineEdit>(QStringLiteral("elsewhere"))->setFocus();
        else
            send(f.view, step);
        started = started || (step.type == QEvent::KeyPress && step.key != Qt::Key_Shift);
        if (!started || i == steps.size() - 1)
            continue;
        // Until its key goes up, the camera moves and nothing stops it.
        QTRY_VERIFY(f.moves().contains(move));
        QTRY_VERIFY(f.device.camera().isMoving());
        QVERIFY2(!f.moves().contains(QStringLiteral("STOP")), qPrintable(f.moves().join(' ')));
    }
    QTRY_COMPARE(f.moves().last(), QStringLiteral("STOP"));
    QTRY_VERIFY(!f.device.camera().isMoving());
    // And it stays stopped: no tick starts it again.
    QTest::qWait(3 * cPTZvideoIn::kTickMs);
    QCOMPARE(f.moves().last(), QStringLiteral("STOP"));
    QVERIFY(!f.device.camera().isMoving());
    QVERIFY(!f.button("UP")->isChecked() && !f.button("ZOOM_IN")->isChecked());
    QVERIFY2(f.h.errorTexts().isEmpty(), qPrintable(f.h.errorTexts().join('\n')));
}

// A button shows the latch the control keeps: a key that takes its axis
// over clears it, and a second click stops the camera.
void tst_PTZControls::latchedButtonShowsTheControl()
{
    SteeringFixture f;
    QVERIFY(f.view && f.ptz);
    QTRY_VERIFY(f.linked());
    f.button("UP")->click();
    QVERIFY(f.button("UP")->isChecked());
    QTRY_VERIFY(f.moves().contains(QStringLiteral("_TILT-UP")));

    send(f.view, press(Qt::Key_Down, 116));
    QVERIFY(!f.button("UP")->isChecked());
    QVERIFY(!f.button("DOWN")->isChecked());
    QVERIFY(!f.ptz->isLatched(QStringLiteral("UP")));
    QTRY_COMPARE(f.moves().last(), QStringLiteral("_TILT-DOWN"));
    send(f.view, release(Qt::Key_Down, 116));
    QTRY_COMPARE(f.moves().last(), QStringLiteral("STOP"));

    f.button("ZOOM_IN")->click();
    QTRY_COMPARE(f.moves().last(), QStringLiteral("_ZOOM-IN"));
    f.button("ZOOM_OUT")->click();
    QVERIFY(!f.button("ZOOM_IN")->isChecked());
    QVERIFY(f.button("ZOOM_OUT")->isChecked());
    QTRY_COMPARE(f.moves().last(), QStringLiteral("_ZOOM-OUT"));
    f.button("ZOOM_OUT")->click();
    QVERIFY(!f.button("ZOOM_OUT")->isChecked());
    QTRY_COMPARE(f.moves().last(), QStringLiteral("STOP"));
    QTRY_VERIFY(!f.device.camera().isMoving());
}

void tst_PTZControls::closingTheDialogStopsTheCamera_data()
{
    QTest::addColumn<QString>("close");
    QTest::newRow("OK") << "accept";
    QTest::newRow("Cancel") << "reject";
    QTest::newRow("destroyed") << "delete";
}

void tst_PTZControls::closingTheDialogStopsTheCamera()
{
    QFETCH(QString, close);
    SteeringFixture f;
    QVERIFY(f.view && f.ptz);
    QTRY_VERIFY(f.linked());
    f.button("ZOOM_IN")->click();
    send(f.view, press(Qt::Key_Up, 111));
    QTRY_VERIFY(f.moves().contains(QStringLiteral("_TILT-UP_ZOOM-IN")));

    if (close == QLatin1String("delete"))
        f.h.dialog.reset();
    else
        QMetaObject::invokeMethod(f.h.dialog.get(), close.toLatin1().constData());
    QTRY_COMPARE(f.moves().last(), QStringLiteral("STOP"));
    QTRY_VERIFY(!f.device.camera().isMoving());
    if (f.h.dialog)
        QVERIFY(!f.button("ZOOM_IN")->isChecked());
}

QTEST_MAIN(tst_PTZControls)
#include "tst_ptzcontrols.moc"
