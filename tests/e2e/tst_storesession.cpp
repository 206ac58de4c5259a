// What OK, Apply and errors do to the user's edits and to the recorder: whole
// sessions over the sample device played by the emulator, driven as a user
// would, with the emulator's request log and files as the witness.
#include "../netsetup/devicefixture.h"
#include "controls/csoftlist.h"
#include "sessiondriver.h"
#include "setup/csourceprogress.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>

namespace {

const QString kHostName = QStringLiteral("velk-nvr");
const QString kEdited = QStringLiteral("edited-host");

QPushButton* button(QWidget* parent, const QString& text)
{
    return widgetWithText<QPushButton>(parent, text);
}

QPushButton* frameButton(QDialog* d, const char* name)
{
    return d->findChild<QPushButton*>(QLatin1String(name));
}

void editHostName(QDialog* d)
{
    QLineEdit* host = widgetWithText<QLineEdit>(d, kHostName);
    QVERIFY(host);
    host->setText(kEdited);
}

// The request lines of every upload (a request that brought a file).
QList<QByteArray> uploads(const DeviceLog& log)
{
    QList<QByteArray> lines;
    for (const DeviceRequest& r : log.requests()) {
        if (r.length >= 0)
            lines.append(r.line);
    }
    return lines;
}

// The sample device played by the emulator, and one session over it whose
// message boxes are answered and counted while it runs.
struct Session
{
    explicit Session(DeviceFixture& d) : device(d) {}

    DeviceFixture& device;
    NBXNetSetup setup{device.sim.linkAddress()};
    MessageBoxCatcher boxes;

    int run(const DialogDriver& driver)
    {
        return driveModal(shownSetupDialog, driver, [&] { return DoPanorixSetup(setup); });
    }
    QStringList texts() const
    {
        QStringList out;
        for (const MessageBoxCatcher::Shown& box : boxes.shown)
            out << box.text;
        return out;
    }
};

// How a row raises its error once the host name is edited.
enum class Trigger
{
    Ok,
    Restart,
    Import,
    RemovePackage
};

void raise(Trigger trigger, QDialog* d, const QString& importFile, NBXSetup& setup)
{
    switch (trigger) {
    case Trigger::Ok:
        frameButton(d, "pbOK")->click();
        break;
    case Trigger::Restart:
        driveModal(
            shownDialogTitled(QStringLiteral("Restart the recorder")),
            [](QDialog* confirm) { button(confirm, QStringLiteral("Yes"))->click(); },
            [d] { button(d, QStringLiteral("Restart the recorder"))->click(); });
        break;
    case Trigger::Import:
        setup.setValue(QStringLiteral("general/files/import/") + importFile);
        QMetaObject::invokeMethod(d, "settingsSlot", Qt::DirectConnection,
                                  Q_ARG(QString, "read,general/files/import,export_set"));
        break;
    case Trigger::RemovePackage: {
        auto* list = d->findChild<cSoftList*>();
        QVERIFY(list);
        list->setCurrentItem(list->topLevelItem(2));
        const QString opener = QStringLiteral("Remove the package…");
        driveModal(
            shownDialogTitled(opener),
            [](QDialog* confirm) { button(confirm, QStringLiteral("Yes"))->click(); },
            [d, opener] { button(d, opener)->click(); });
        break;
    }
    }
}

// The messages that report errors: a restart first says what becomes of
// the edits, which is no error.
QStringList errorTexts(const MessageBoxCatcher& boxes)
{
    QStringList out;
    for (const MessageBoxCatcher::Shown& box : boxes.shown) {
        if (!box.text.contains(QLatin1String("will be lost")))
            out << box.text;
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Trigger)

class tst_StoreSession : public QObject
{
    Q_OBJECT

private slots:
    void errorKeepsTheEdits_data();
    void errorKeepsTheEdits();
    void okReturnsOnceTheStoreArrived();
    void applyStoresAndStaysOpen();
    void nothingGoesOutWithoutAnEdit();
    void anEditSendsOnlyItsFile();
    void calibrationFileKeepsItsForm();
    void emptyClockStartsAtThisComputersTime();
};

void tst_StoreSession::errorKeepsTheEdits_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<QString>("message");
    QTest::newRow("store, device error")
        << "upload-error:disk full" << Trigger::Ok << "Device error \"disk full\"";
    QTest::newRow("store, silent device") << "upload-silent" << Trigger::Ok << "Device timed out";
    QTest::newRow("store, closed mid-frame")
        << "upload-close-mid-frame" << Trigger::Ok << "Network error 1";
    QTest::newRow("store, garbage") << "upload-garbage" << Trigger::Ok << "Wrong device answer";
    QTest::newRow("store, huge length")
        << "upload-huge-length" << Trigger::Ok << "Wrong device answer";
    QTest::newRow("restart, device error")
        << "error:not now" << Trigger::Restart << "Device error \"not now\"";
    QTest::newRow("import, not a settings file")
        << QString() << Trigger::Import << "is not a settings file of this recorder";
    QTest::newRow("package removal, device error")
        << "error:no such package" << Trigger::RemovePackage << "Device error \"no such package\"";
}

// One message, the dialog still open with the edit in its control, and a
// second OK once the fault has gone stores it.
void tst_StoreSession::errorKeepsTheEdits()
{
    QFETCH(QString, fault);
    QFETCH(Trigger, trigger);
    QFETCH(QString, message);
    QTemporaryFile notSettings;
    QVERIFY(notSettings.open());
    notSettings.write("This is a letter,\nnot a settings file.\n");
    notSettings.close();

    DeviceFixture device;
    Session session{device};
    // The silent device's row waits for the watchdog.
    session.setup.setWatchdogInterval(1000);
    bool stayedOpen = false;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        if (!fault.isEmpty())
            QVERIFY(DeviceFaults::parse(fault, device.sim.faults()));
        raise(trigger, d, notSettings.fileName(), session.setup);
        QTRY_COMPARE(errorTexts(session.boxes).size(), 1);
        QTRY_COMPARE(session.setup.state(), 0);
        stayedOpen = d->isVisible() && widgetWithText<QLineEdit>(d, kEdited);

        device.sim.faults() = DeviceFaults();
        frameButton(d, "pbOK")->click();
    });
    const QStringList texts = errorTexts(session.boxes);
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.first().contains(device.named(message)), qPrintable(texts.first()));
    QVERIFY(stayedOpen);
    QCOMPARE(result, 1);
    QVERIFY2(device.bytes(QStringLiteral("net.ini")).contains("hostname = 'edited-host'"),
             device.bytes(QStringLiteral("net.ini")).constData());
}

// The host may delete the source as soon as the entry point returns: by
// then the device has the edit, and the dialog showed the store's progress.
void tst_StoreSession::okReturnsOnceTheStoreArrived()
{
    DeviceFixture device;
    Session session{device};
    QStringList shownWhileStoring;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        auto* progress = d->findChild<cSourceProgress*>();
        QVERIFY(progress);
        connect(&session.setup, &NBXSetup::progress, progress, [&, progress, d] {
            if (d->isVisible())
                shownWhileStoring << progress->text();
        });
        frameButton(d, "pbOK")->click();
    });
    QCOMPARE(result, 1);
    QCOMPARE(session.setup.state(), 0);
    QVERIFY(device.bytes(QStringLiteral("net.ini")).contains("hostname = 'edited-host'"));
    QVERIFY(!shownWhileStoring.isEmpty());
    QCOMPARE(shownWhileStoring.first(),
             device.named(QStringLiteral("Storing the settings on <device>…")));
    QVERIFY(session.texts().isEmpty());
}

void tst_StoreSession::applyStoresAndStaysOpen()
{
    DeviceFixture device;
    Session session{device};
    bool openAfterApply = false;
    QByteArray storedByApply;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        QPushButton* apply = frameButton(d, "pbApply");
        QVERIFY(apply && apply->isVisibleTo(d));
        QCOMPARE(apply->text(), QStringLiteral("Apply"));
        apply->click();
        storedByApply = device.bytes(QStringLiteral("net.ini"));
        openAfterApply = d->isVisible();
        // The dialog says that the store arrived.
        const auto* progress = d->findChild<cSourceProgress*>();
        QVERIFY(progress);
        QVERIFY2(
            progress->text().startsWith(device.named(QStringLiteral("Stored on <device> at "))),
            qPrintable(progress->text()));
        // Stored, the edit is no longer one to ask about.
        frameButton(d, "pbCancel")->click();
    });
    QCOMPARE(result, 0);
    QVERIFY(openAfterApply);
    QVERIFY(storedByApply.contains("hostname = 'edited-host'"));
    QVERIFY2(session.texts().isEmpty(), qPrintable(session.texts().join('\n')));
}

// Opened and closed with OK twice without an edit: the recorder receives no
// file, and every file it holds keeps its bytes (the calibration's version,
// its pans, the clock).
void tst_StoreSession::nothingGoesOutWithoutAnEdit()
{
    DeviceFixture device;
    const QMap<QString, QByteArray> before = device.snapshot();
    for (int opening = 0; opening < 2; ++opening) {
        Session session{device};
        const int result = session.run([&](QDialog* d) {
            QTRY_COMPARE(session.setup.state(), 0);
            frameButton(d, "pbOK")->click();
        });
        QCOMPARE(result, 1);
        QVERIFY2(session.texts().isEmpty(), qPrintable(session.texts().join('\n')));
    }
    QCOMPARE(uploads(device.sim.log()), QList<QByteArray>());
    QCOMPARE(device.snapshot(), before);
}

// The host name lives in net.ini, and the state file quotes it.
void tst_StoreSession::anEditSendsOnlyItsFile()
{
    DeviceFixture device;
    Session session{device};
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        editHostName(d);
        frameButton(d, "pbOK")->click();
    });
    QCOMPARE(result, 1);
    QCOMPARE(uploads(device.sim.log()), QList<QByteArray>({"net.ini\r\n", "state.ini\r\n"}));
    QVERIFY(device.bytes(QStringLiteral("state.ini")).contains("\nHOSTNAME=edited-host;\n"));
}

// The section of an INI text from its header to the next one.
static QByteArray sectionOf(const QByteArray& text, const QByteArray& header)
{
    const qsizetype from = text.indexOf(header);
    const qsizetype to = text.indexOf("\n[", from + 1);
    return from < 0 ? QByteArray() : text.mid(from, to < 0 ? -1 : to - from);
}

// An edit to the calibration's file leaves the calibration as it was (its
// version, its pans), and a second opening changes only the edited line.
void tst_StoreSession::calibrationFileKeepsItsForm()
{
    DeviceFixture device;
    const QString file = QStringLiteral("velk-rimbal.ini");
    const QByteArray calibration = sectionOf(device.bytes(file), "[ Camera_1 ]");
    QVERIFY(calibration.contains("Map_version = 0\n"));
    QList<QByteArray> stored;
    for (const char* zoom : {"101", "102"}) {
        Session session{device};
        const int result = session.run([&](QDialog* d) {
            QTRY_COMPARE(session.setup.state(), 0);
            session.setup.setValue(QStringLiteral("Velk-Rimbal/Camera_PTZ/Default_zoom/") +
                                   QLatin1String(zoom));
            frameButton(d, "pbOK")->click();
        });
        QCOMPARE(result, 1);
        stored << device.bytes(file);
        QCOMPARE(sectionOf(stored.last(), "[ Camera_1 ]"), calibration);
    }
    QVERIFY(stored.first().contains("Default_zoom = 101\n"));
    QCOMPARE(stored.last(),
             QByteArray(stored.first()).replace("Default_zoom = 101\n", "Default_zoom = 102\n"));
}

// A recorder that gave no time (an empty clock key, as an earlier store
// left it) shows this computer's, and "Set the clock" sends that.
void tst_StoreSession::emptyClockStartsAtThisComputersTime()
{
    DeviceFixture device;
    QByteArray time = device.bytes(QStringLiteral("time.ini"));
    QVERIFY(time.contains("YYYYMMDDHHMMSS = 20261210120000\n"));
    time.replace("YYYYMMDDHHMMSS = 20261210120000\n", "YYYYMMDDHHMMSS = \n");
    device.write(QStringLiteral("time.ini"), time);

    Session session{device};
    QDate shown;
    const int result = session.run([&](QDialog* d) {
        QTRY_COMPARE(session.setup.state(), 0);
        auto* clock = d->findChild<QDateTimeEdit*>();
        QVERIFY(clock);
        shown = clock->date();
        showPage(d, QStringLiteral("Time"));
        widgetWithText<QCheckBox>(d, QStringLiteral("NTP"))->click();
        button(d, QStringLiteral("Set the clock"))->click();
        QTRY_COMPARE(session.setup.state(), 0);
        d->reject();
    });
    QCOMPARE(result, 0);
    QVERIFY2(qAbs(shown.daysTo(QDate::currentDate())) <= 1, qPrintable(shown.toString()));
    const QList<QByteArray> sent = device.payloadsOf("PUT TIME CONFIG\r\n");
    QCOMPARE(sent.size(), 1);
    QVERIFY2(sent.first().startsWith("YYYYMMDDHHMMSS=" +
                                     shown.toString(QStringLiteral("yyyyMMdd")).toLatin1()),
             sent.first().constData());
}

QTEST_MAIN(tst_StoreSession)
#include "tst_storesession.moc"
