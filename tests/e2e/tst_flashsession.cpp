#include "config/nbxflashdrivesetup.h"
#include "sessiondriver.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

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

QLineEdit* editShowing(QDialog* dialog, const QString& text)
{
    for (QLineEdit* e : dialog->findChildren<QLineEdit*>()) {
        if (e->text() == text)
            return e;
    }
    return nullptr;
}

} // namespace

class tst_FlashSession : public QObject
{
    Q_OBJECT

private slots:
    void editAndStoreChangesOnlyThatLine();
    void cancelChangesNothing();
};

void tst_FlashSession::editAndStoreChangesOnlyThatLine()
{
    DeviceCopy device;
    const QByteArray netBefore = device.bytes("net.ini");
    const QByteArray streamsBefore = device.bytes("streams.ini");
    NBXFlashDriveSetup setup(device.dir.path());
    QString error;
    const int result = runSession(
        setup,
        [](QDialog* d) {
            QLineEdit* host = editShowing(d, QStringLiteral("velk-nvr"));
            QVERIFY(host);
            host->selectAll();
            QTest::keyClicks(host, QStringLiteral("gate-recorder"));
            d->findChild<QPushButton*>(QStringLiteral("pbOK"))->click();
        },
        error);
    QCOMPARE(error, QString());
    QCOMPARE(result, 1);

    QByteArray expected = netBefore;
    expected.replace("hostname = 'velk-nvr'", "hostname = 'gate-recorder'");
    QCOMPARE(device.bytes("net.ini"), expected);
    QCOMPARE(device.bytes("streams.ini"), streamsBefore);
    // The state file was compiled with the new name on its way out.
    QVERIFY(device.bytes("state.ini").contains("HOSTNAME=gate-recorder;\n"));
    QCOMPARE(device.bytes("streams.ini.copy"), QByteArray());
}

void tst_FlashSession::cancelChangesNothing()
{
    DeviceCopy device;
    QMap<QString, QByteArray> before;
    for (const QString& name : QDir(device.dir.path()).entryList(QDir::Files))
        before[name] = device.bytes(name);
    {
        NBXFlashDriveSetup setup(device.dir.path());
        QString error;
        const int result = runSession(
            setup,
            [](QDialog* d) {
                QLineEdit* host = editShowing(d, QStringLiteral("velk-nvr"));
                QVERIFY(host);
                QTest::keyClicks(host, QStringLiteral("-x"));
                d->findChild<QPushButton*>(QStringLiteral("pbCancel"))->click();
            },
            error);
        QCOMPARE(error, QString());
        QCOMPARE(result, 0);
    }
    QMap<QString, QByteArray> after;
    for (const QString& name : QDir(device.dir.path()).entryList(QDir::Files))
        after[name] = device.bytes(name);
    QCOMPARE(after, before);
}

QTEST_MAIN(tst_FlashSession)
#include "tst_flashsession.moc"
