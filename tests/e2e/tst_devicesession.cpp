// Whole sessions with the sample device played by the emulator: the entry
// point over a device link, driven as a user would, checked by what the
// device received.
#include "../netsetup/devicefixture.h"
#include "sessiondriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimeZone>

namespace {

// The first request the device received with this line, if any.
const DeviceRequest* received(const DeviceLog& log, const QByteArray& line)
{
    for (const DeviceRequest& r : log.requests()) {
        if (r.line == line)
            return &r;
    }
    return nullptr;
}

QPushButton* button(QWidget* parent, const QString& text)
{
    return widgetWithText<QPushButton>(parent, text);
}

// Manual time is offered with NTP off; the sample device keeps NTP on.
void useManualTime(QDialog* d)
{
    showPage(d, QStringLiteral("Time"));
    QCheckBox* ntp = widgetWithText<QCheckBox>(d, QStringLiteral("NTP"));
    QVERIFY(ntp && ntp->isChecked());
    ntp->click();
}

// The label in the same grid row as `control`, `columns` columns to its right.
QLabel* labelBeside(QWidget* control, int columns)
{
    auto* grid = qobject_cast<QGridLayout*>(control->parentWidget()->layout());
    if (!grid)
        return nullptr;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(control), &row, &column, &rowSpan, &columnSpan);
    QLayoutItem* item = grid->itemAtPosition(row, column + columns);
    return item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
}

// The sample device played by the emulator, and a link to it.
struct SampleSession
{
    DeviceFixture device;
    NBXNetSetup setup{device.sim.linkAddress()};
    QStringList errors;

    int run(const DialogDriver& driver) { return runSession(setup, driver, errors); }
    const DeviceLog& log() { return device.sim.log(); }
};

const QByteArray kTimeRequest("PUT TIME CONFIG\r\n");

// Opens the sample device, turns NTP off, lets `prepare` act on the dialog,
// clicks the Time page's button `text` and hands back the payload of the
// time request the device then received.
void sendTime(const QString& text, const DialogDriver& prepare, QByteArray& payload)
{
    SampleSession session;
    const int result = session.run([&](QDialog* d) {
        useManualTime(d);
        prepare(d);
        QPushButton* b = button(d, text);
        QVERIFY2(b && b->isEnabled(), qPrintable(text));
        QTRY_COMPARE(session.setup.state(), 0); // a second exchange would be refused
        b->click();
        QTRY_VERIFY(received(session.log(), kTimeRequest));
        QTRY_COMPARE(session.setup.state(), 0);
        d->reject();
    });
    QVERIFY2(session.errors.isEmpty(), qPrintable(session.errors.join(QLatin1Char('\n'))));
    QCOMPARE(result, 0);
    const DeviceRequest* sent = received(session.log(), kTimeRequest);
    QVERIFY(sent);
    payload = sent->payload;
}

} // namespace

class tst_DeviceSession : public QObject
{
    Q_OBJECT

private slots:
    void setTheClockSendsTheChosenTime();
    void computerTimeSendsItInTheDeviceZone();
    void videoPageShowsValuesAndStoredMode();
    void confirmedFunctionClosesWithoutUploading_data();
    void confirmedFunctionClosesWithoutUploading();
};

void tst_DeviceSession::setTheClockSendsTheChosenTime()
{
    QByteArray payload;
    sendTime(
        QStringLiteral("Set the clock"),
        [](QDialog* d) {
            auto* clock = d->findChild<QDateTimeEdit*>();
            QVERIFY(clock && clock->isEnabled());
            clock->setDateTime(QDateTime(QDate(2031, 7, 4), QTime(9, 8, 7)));
        },
        payload);
    // The device's own wall-clock time, in the zone it keeps.
    QCOMPARE(payload, QByteArray("YYYYMMDDHHMMSS=20310704090807\nTIME_ZONE=UTC-3\n"));
}

void tst_DeviceSession::computerTimeSendsItInTheDeviceZone()
{
    QByteArray payload;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    sendTime(
        QStringLiteral("Use this computer's time"), [](QDialog*) {}, payload);
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^YYYYMMDDHHMMSS=(\\d{14})$"))
            .match(QString::fromLatin1(payload));
    QVERIFY2(m.hasMatch(), payload.constData());
    // The sample device keeps UTC-3: three hours east of Greenwich, no
    // daylight time.
    QDateTime local = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    local.setTimeZone(QTimeZone::utc());
    const qint64 sentUtc = local.toSecsSinceEpoch() - 3 * 3600;
    QVERIFY2(before <= sentUtc && sentUtc <= after, payload.constData());
}

void tst_DeviceSession::videoPageShowsValuesAndStoredMode()
{
    SampleSession session;
    const int result = session.run([&](QDialog* d) {
        showPage(d, QStringLiteral("Video"));
        // The page's own controls only: a dialog larger than the screen puts
        // its pages in scroll areas, which have scroll bars of their own.
        QWidget* page = d->findChild<QTabWidget*>()->currentWidget();
        if (auto* area = qobject_cast<QScrollArea*>(page))
            page = area->widget();
        QList<QScrollBar*> sliders = page->findChildren<QScrollBar*>();
        // The description's sliders only: list views hold scroll bars of their own.
        sliders.removeIf([](const QScrollBar* s) { return s->accessibleName().isEmpty(); });
        QCOMPARE(sliders.size(), 4);
        for (int i = 0; i < sliders.size(); ++i) {
            QLabel* shown = labelBeside(sliders.at(i), 1);
            QVERIFY(shown);
            QCOMPARE(shown->text(), QStringLiteral("128"));
            sliders.at(i)->setValue(200 + i);
            QCOMPARE(shown->text(), QString::number(200 + i));
        }

        QLabel* now = nullptr;
        for (QLabel* l : d->findChildren<QLabel*>()) {
            if (l->text().startsWith(QStringLiteral("Now:")))
                now = l;
        }
        QVERIFY(now);
        QCOMPARE(now->text(), QStringLiteral("Now: PAL, 1920 x 1080"));
        QComboBox* standard = nullptr;
        for (QComboBox* c : d->findChildren<QComboBox*>()) {
            if (c->itemText(0) == QLatin1String("PAL"))
                standard = c;
        }
        QVERIFY(standard);
        QTest::keyClick(standard, Qt::Key_Down);
        QCOMPARE(session.setup.value(QStringLiteral("streams/video/standard")),
                 QStringLiteral("NTSC"));
        // Chosen, not yet stored: the recorder still runs PAL.
        QCOMPARE(now->text(), QStringLiteral("Now: PAL, 1920 x 1080"));
        d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
    });
    QVERIFY2(session.errors.isEmpty(), qPrintable(session.errors.join(QLatin1Char('\n'))));
    QCOMPARE(result, 1);
    // Stored, it is what the recorder runs the next time it is asked.
    QTRY_COMPARE(session.setup.state(), 0);
    QVERIFY(session.device.bytes(QStringLiteral("state.ini")).contains("\nSTANDARD='NTSC'\n"));
}

void tst_DeviceSession::confirmedFunctionClosesWithoutUploading_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("factory settings") << "Factory settings" << QByteArray("RESET SETTINGS\r\n");
    QTest::newRow("restart") << "Restart the recorder" << QByteArray("DO REBOOT\r\n");
}

// Once the recorder has done it, its settings are no longer those the
// dialog holds: the dialog closes, and nothing it held is uploaded.
void tst_DeviceSession::confirmedFunctionClosesWithoutUploading()
{
    QFETCH(QString, opener);
    QFETCH(QByteArray, request);
    SampleSession session;
    const QMap<QString, QByteArray> before = session.device.snapshot();
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editThenConfirm(d, opener);
        QTRY_VERIFY(!d->isVisible());
        QVERIFY(received(session.log(), request));
    });
    // The only message said, before the confirmation, that the edit goes.
    QCOMPARE(session.errors,
             QStringList("1 change not stored on the recorder will be lost.\n"
                         "Store them first with OK or Apply, or go on without them."));
    QCOMPARE(result, 0);
    QTRY_COMPARE(session.setup.state(), 0);
    QCOMPARE(session.device.snapshot(), before);
}

QTEST_MAIN(tst_DeviceSession)
#include "tst_devicesession.moc"
