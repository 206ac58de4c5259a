#include "../netsetup/devicefixture.h"
#include "sessiondriver.h"
#include "setup/cwinmain.h"

#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace {

// The sample device, played by an in-process emulator.
struct SampleDevice : DeviceFixture
{
    SampleDevice() : DeviceFixture(QStringLiteral(SAMPLE_DEVICE_DIR)) {}

    QList<QByteArray> adjustments() { return payloadsOf("ADJUST VIDEO\r\n"); }

    QString account()
    {
        QStringList lines;
        for (const DeviceRequest& r : sim.log().requests())
            lines.append(r.describe());
        return lines.join(QLatin1Char('\n'));
    }
};

// The slider the description binds to `key`.
QScrollBar* sliderFor(QDialog* dialog, const QString& key)
{
    auto* window = qobject_cast<CWinMain*>(dialog);
    if (!window)
        return nullptr;
    const QDomNodeList keys = window->description().elementsByTagName(QStringLiteral("key"));
    for (int i = 0; i < keys.size(); ++i) {
        const QDomElement control = keys.at(i).parentNode().toElement();
        if (keys.at(i).toElement().text() == key &&
            control.attribute(QStringLiteral("type")) == QLatin1String("scroll"))
            return qobject_cast<QScrollBar*>(window->widgetOf(control));
    }
    return nullptr;
}

// Closed from the event loop, so that a message box the closing shows
// finds the session's poll free to answer it: as Cancel closes once the
// user has agreed to discard the edits (that question: tst_confirmsession).
void cancel(QDialog* dialog)
{
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
}

} // namespace

class tst_NetSession : public QObject
{
    Q_OBJECT

private slots:
    void openingAndCancellingSendsNothing();
    void cancelPutsThePictureBack_data();
    void cancelPutsThePictureBack();
};

void tst_NetSession::openingAndCancellingSendsNothing()
{
    SampleDevice device;
    NBXNetSetup setup(device.sim.linkAddress());
    qsizetype loadRequests = -1;
    bool queuedByFirstPass = false;
    bool settled = false;
    QString error;
    const int result = runSession(
        setup,
        [&](QDialog* d) {
            loadRequests = device.sim.log().requests().size();
            queuedByFirstPass = setup.adjustPending();
            // Past the batching delay, with the link idle again.
            settled = QTest::qWaitFor([&] { return !setup.adjustPending() && setup.state() == 0; },
                                      3 * NBXNetSetup::kAdjustMs);
            cancel(d);
        },
        error);
    QCOMPARE(error, QString());
    QCOMPARE(result, 0);
    QVERIFY(queuedByFirstPass);
    QVERIFY(settled);
    QVERIFY(loadRequests > 0);
    QVERIFY2(device.sim.log().requests().size() == loadRequests, qPrintable(device.account()));
}

void tst_NetSession::cancelPutsThePictureBack_data()
{
    QTest::addColumn<bool>("waitForBatch");
    QTest::addColumn<QString>("fault"); // how the device answers the restore
    QTest::addColumn<QList<QByteArray>>("sentAdjustments");
    QTest::addColumn<QString>("expectedError");
    const QByteArray adjusted("[ stream_0 ]\r\nbrightness=200\r\ncontrast=128\r\n"
                              "saturation=128\r\nhue=128\r\n");
    const QByteArray restored("[ stream_0 ]\r\nbrightness=128\r\n");
    QTest::newRow("the device shows the new brightness")
        << true << QString() << QList<QByteArray>({adjusted, restored}) << QString();
    QTest::newRow("cancelled before the batch went out")
        << false << QString() << QList<QByteArray>() << QString();
    QTest::newRow("the device refuses the restore")
        << true << "error:busy" << QList<QByteArray>({adjusted, restored})
        << "Device error \"busy\"";
}

void tst_NetSession::cancelPutsThePictureBack()
{
    QFETCH(bool, waitForBatch);
    QFETCH(QString, fault);
    QFETCH(QList<QByteArray>, sentAdjustments);
    QFETCH(QString, expectedError);
    SampleDevice device;
    const QByteArray streamsBefore = device.bytes("streams.ini");
    auto setup = std::make_unique<NBXNetSetup>(device.sim.linkAddress());
    bool adjusted = false;
    QString error;
    const int result = runSession(
        *setup,
        [&](QDialog* d) {
            QScrollBar* brightness = sliderFor(d, QStringLiteral("streams/stream_0/brightness"));
            if (brightness) {
                brightness->setValue(200);
                adjusted = !waitForBatch || QTest::qWaitFor([&] {
                    return !device.adjustments().isEmpty() && setup->state() == 0;
                });
            }
            if (!fault.isEmpty())
                DeviceFaults::parse(fault, device.sim.faults());
            cancel(d);
        },
        error);
    // The host may delete the source as soon as the entry point returns.
    setup.reset();
    QCOMPARE(error, expectedError);
    QCOMPARE(result, 0);
    QVERIFY(adjusted);
    QCOMPARE(device.adjustments(), sentAdjustments);
    QCOMPARE(device.bytes("streams.ini"), streamsBefore);
}

QTEST_MAIN(tst_NetSession)
#include "tst_netsession.moc"
