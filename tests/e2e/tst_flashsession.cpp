#include "config/nbxflashdrivesetup.h"
#include "ptz/cptzcrossview.h"
#include "ptz/cqp2kbutton.h"
#include "sessiondriver.h"
#include "setup/conlineview.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

// A scratch copy of the sample device, so the sample never changes.
struct DeviceCopy
{
    QTemporaryDir dir;
    DeviceCopy()
    {
        const QDir sample(QStringLiteral(SAMPLE_DEVICE_DIR));
        for (const QString& name : sample.entryList(QDir::Files))
            QFile::copy(sample.filePath(name), dir.filePath(name));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const { return readBytes(path(name)); }
};

} // namespace

class tst_FlashSession : public QObject
{
    Q_OBJECT

private slots:
    void editAndStoreChangesOnlyThatLine();
    void cancelChangesNothing();
    void liveViewsSayTheyHaveNoPicture();
    void confirmedFunctionClosesWithoutStoring_data();
    void confirmedFunctionClosesWithoutStoring();
};

void tst_FlashSession::editAndStoreChangesOnlyThatLine()
{
    DeviceCopy device;
    const QByteArray netBefore = device.bytes("net.ini");
    const QByteArray streamsBefore = device.bytes("streams.ini");
    NBXFlashDriveSetup setup(device.dir.path());
    QStringList errors;
    const int result = runSession(
        setup,
        [](QDialog* d) {
            QLineEdit* host = widgetWithText<QLineEdit>(d, QStringLiteral("velk-nvr"));
            QVERIFY(host);
            host->selectAll();
            QTest::keyClicks(host, QStringLiteral("gate-recorder"));
            d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
        },
        errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QCOMPARE(result, 1);

    QByteArray expected = netBefore;
    expected.replace("hostname = 'velk-nvr'", "hostname = 'gate-recorder'");
    QCOMPARE(device.bytes("net.ini"), expected);
    QCOMPARE(device.bytes("streams.ini"), streamsBefore);
    // The state file was compiled with the new name on its way out.
    QVERIFY(device.bytes("state.ini").contains("HOSTNAME=gate-recorder;\n"));
    QCOMPARE(device.bytes("streams.ini.copy"), QByteArray());
}

// A drive holds no camera: the live and PTZ views say so instead of staying
// dark, and the camera's buttons cannot be pressed.
void tst_FlashSession::liveViewsSayTheyHaveNoPicture()
{
    DeviceCopy device;
    NBXFlashDriveSetup setup(device.dir.path());
    QStringList errors;
    QStringList texts;
    int views = 0;
    int enabledButtons = -1;
    runSession(
        setup,
        [&](QDialog* d) {
            QList<QLabel*> labels;
            for (cOnlineView* view : d->findChildren<cOnlineView*>())
                labels << view;
            for (cPTZCrossView* view : d->findChildren<cPTZCrossView*>())
                labels << view;
            views = labels.size();
            for (QLabel* view : labels)
                texts << view->text();
            texts.removeDuplicates();
            const QList<cQP2kButton*> buttons = d->findChildren<cQP2kButton*>();
            enabledButtons = int(std::count_if(buttons.begin(), buttons.end(),
                                               [](cQP2kButton* b) { return b->isEnabled(); }));
            QVERIFY(!buttons.isEmpty());
            d->reject();
        },
        errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QVERIFY(views >= 4);
    QCOMPARE(texts, QStringList{QStringLiteral("Not available from a flash drive")});
    QCOMPARE(enabledButtons, 0);
}

void tst_FlashSession::cancelChangesNothing()
{
    DeviceCopy device;
    QMap<QString, QByteArray> before;
    for (const QString& name : QDir(device.dir.path()).entryList(QDir::Files))
        before[name] = device.bytes(name);
    {
        NBXFlashDriveSetup setup(device.dir.path());
        QStringList errors;
        const int result = runSession(
            setup,
            [](QDialog* d) {
                QLineEdit* host = widgetWithText<QLineEdit>(d, QStringLiteral("velk-nvr"));
                QVERIFY(host);
                QTest::keyClicks(host, QStringLiteral("-x"));
                // Cancel would first ask whether to discard the edit (see
                // tst_confirmsession); the answer "discard" is this.
                d->reject();
            },
            errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        QCOMPARE(result, 0);
    }
    QMap<QString, QByteArray> after;
    for (const QString& name : QDir(device.dir.path()).entryList(QDir::Files))
        after[name] = device.bytes(name);
    QCOMPARE(after, before);
}

void tst_FlashSession::confirmedFunctionClosesWithoutStoring_data()
{
    QTest::addColumn<QString>("opener");
    QTest::newRow("factory settings") << "Factory settings";
    QTest::newRow("restart") << "Restart the recorder";
}

// A flash drive has no such function: the source reports it done at once,
// before the confirmation returns. The dialog closes all the same, without
// waiting and without storing.
void tst_FlashSession::confirmedFunctionClosesWithoutStoring()
{
    QFETCH(QString, opener);
    DeviceCopy device;
    const QByteArray netBefore = device.bytes("net.ini");
    NBXFlashDriveSetup setup(device.dir.path());
    QStringList errors;
    const int result = runSession(
        setup,
        [&](QDialog* d) {
            editThenConfirm(d, opener);
            QVERIFY(!d->isVisible());
        },
        errors);
    // The only message said, before the confirmation, that the edit goes.
    QCOMPARE(errors, QStringList("1 change not stored on the recorder will be lost.\n"
                                 "Store them first with OK or Apply, or go on without them."));
    QCOMPARE(result, 0);
    QCOMPARE(device.bytes("net.ini"), netBefore);
}

QTEST_MAIN(tst_FlashSession)
#include "tst_flashsession.moc"
