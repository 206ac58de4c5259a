// Picture time tasks of a built dialog against the in-process device
// emulator, with the tasks' clock in the test's hands.
#include "setupharness.h"

#include "devicesim.h"
#include "setup/conlineview.h"
#include "snapshotservice.h"
#include "video/cv3jpegreceiver.h"
#include "video/videorsn3reciver.h"

#include <QDialog>
#include <QLabel>
#include <QTabWidget>
#include <QTcpServer>
#include <QtTest>

#include <functional>

namespace {

const QByteArray kSnapshotCommand("GET SNAPSHOT 1\r\n");
const QByteArray kMainCommand("GET SNAPSHOT MAIN\r\n");
const QByteArray kSubCommand("GET SNAPSHOT SUB\r\n");

// A page of `views` online views, each carrying the tags listed for it.
QByteArray pageOf(const QList<QByteArray>& views)
{
    QByteArray items;
    for (int i = 0; i < views.size(); ++i)
        items += "<item type=\"online\" width=\"88\" height=\"72\" row=\"" + QByteArray::number(i) +
                 "\">" + views.at(i) + "</item>";
    return "<tabwidget><tab><name>Live</name><item type=\"gridlayout\">" + items +
           "</item></tab></tabwidget>";
}

QByteArray snapshotTask(const QByteArray& period, const QByteArray& inside,
                        const QByteArray& command = "GET SNAPSHOT 1")
{
    return "<timetask type=\"v3getjpeg\" period=\"" + period + "\">" + inside + "<command>" +
           command + "</command></timetask>";
}

const QByteArray kDeviceUrl = "<url>{general/network/url}</url>";

// A dialog built over a source whose general file names the emulated
// device, ticked by hand at times the test chooses.
class TaskDialog
{
public:
    SetupHarness h;
    QTemporaryDir deviceDir;
    DeviceSim sim{deviceDir.path()};
    qint64 now = 5000000;

    TaskDialog()
    {
        if (!sim.listen())
            qFatal("cannot listen: %s", qPrintable(sim.errorString()));
        writeGeneral(sim.login(), sim.passwordDigest(), deviceAddress());
        // The stream receiver asks the device's own file whether the stream
        // comes from elsewhere; here it does not.
        h.source.setFilePath(
            QStringLiteral("Velk-Rimbal"),
            h.write("velk-rimbal.ini", "[ Camera_PTZ ]\nVelk_5_NAS_IP =\nVelk_5_NAS_port =\n"));
    }

    QString deviceAddress() const
    {
        return QStringLiteral("%1:%2").arg(sim.hostAddress().toString()).arg(sim.port());
    }

    void writeGeneral(const QString& login, const QString& password, const QString& url)
    {
        const QString text = QStringLiteral("[ network ]\nlogin = %1\npassword = %2\nurl = %3\n"
                                            "[ cam ]\nuser = viewer\npass = seen\n")
                                 .arg(login, password, url);
        h.source.setFilePath(QStringLiteral("general"), h.write("general.ini", text.toUtf8()));
    }

    CWinMain* build(const QByteArray& body)
    {
        h.source.setFilePath(QStringLiteral("interface"),
                             h.write("setup-m.xml", SetupHarness::wrap(body)));
        h.source.deferLoad = true;
        h.dialog = std::make_unique<CWinMain>(h.source);
        h.dialog->setTaskClock([this] { return now; });
        h.errors = std::make_unique<QSignalSpy>(h.dialog.get(), &CWinMain::pseudothrow);
        emit h.source.loadDone();
        return h.dialog.get();
    }

    // One tick of the task timer, `advance` ms after the previous one.
    void tick(qint64 advance)
    {
        now += advance;
        QVERIFY(QMetaObject::invokeMethod(h.dialog.get(), "timeout", Qt::DirectConnection));
    }

    int requests(const QByteArray& line = kSnapshotCommand)
    {
        int n = 0;
        for (const DeviceRequest& r : sim.log().requests())
            n += r.line == line;
        return n;
    }

    // The online views of the dialog, in the order of the description.
    QList<QLabel*> views() const
    {
        const QList<cOnlineView*> found = h.dialog->findChildren<cOnlineView*>();
        return QList<QLabel*>(found.begin(), found.end());
    }
};

// The picture a view shows; null while it has none.
QPixmap shown(const QLabel* view)
{
    return view->pixmap();
}

bool showsSnapshot(const QLabel* view)
{
    return shown(view).size() ==
           QSize(SnapshotService::kDefaultWidth, SnapshotService::kDefaultHeight);
}

// Whether `view` comes to show a snapshot other than the picture `before`
// (a cache key) within a few seconds.
bool newSnapshotShown(const QLabel* view, qint64 before)
{
    return QTest::qWaitFor([&] { return shown(view).cacheKey() != before && showsSnapshot(view); },
                           5000);
}

// Lets receivers that gave their picture go, so that the next run of their
// task is not held back by one that is merely waiting to be deleted.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_TimeTasks : public QObject
{
    Q_OBJECT
private slots:
    void period_data();
    void period();
    void preparedUrlIsNotSubstitutedAgain();
    void credentials_data();
    void credentials();
    void everyControlOfATargetTag();
    void hiddenPagePausesItsPictures();
    void hiddenPageClosesItsStream();
    void silentDeviceHoldsBackItsTask();
    void streamTaskShowsTheLiveStream();
    void streamTasksShareOneReceiver();
    void streamReceiverEndsWithTheDialog();
    void subDialogTaskRunsOnlyWhileOpen();
};

void tst_TimeTasks::period_data()
{
    QTest::addColumn<QByteArray>("period");
    // The time between two ticks, and the runs counted after each tick.
    QTest::addColumn<QList<qint64>>("advances");
    QTest::addColumn<QList<int>>("runs");

    QTest::newRow("period 0, time stands still")
        << QByteArray("0") << QList<qint64>{0} << QList<int>{0};
    QTest::newRow("period 0, at every tick a millisecond later")
        << QByteArray("0") << QList<qint64>{1, 0, 1, 1} << QList<int>{1, 1, 2, 3};
    QTest::newRow("period 1000, not at 1000 ms")
        << QByteArray("1000") << QList<qint64>{500, 500} << QList<int>{0, 0};
    QTest::newRow("period 1000, at 1001 ms and again 1001 ms after that run")
        << QByteArray("1000") << QList<qint64>{1001, 1000, 1} << QList<int>{1, 1, 2};
    QTest::newRow("period missing counts as 0")
        << QByteArray() << QList<qint64>{1} << QList<int>{1};
    QTest::newRow("period not a number counts as 0")
        << QByteArray("often") << QList<qint64>{0, 1} << QList<int>{0, 1};
}

void tst_TimeTasks::period()
{
    QFETCH(QByteArray, period);
    QFETCH(QList<qint64>, advances);
    QFETCH(QList<int>, runs);

    TaskDialog t;
    t.build("<window>" + snapshotTask(period, kDeviceUrl + "<target>live</target>") + "</window>" +
            pageOf({"<live/>"}));
    QLabel* view = t.views().value(0);
    QVERIFY(view);
    int before = 0;
    for (int i = 0; i < advances.size(); ++i) {
        const qint64 picture = shown(view).cacheKey();
        t.tick(advances.at(i));
        QTRY_COMPARE(t.requests(), runs.at(i));
        if (runs.at(i) > before)
            QVERIFY(newSnapshotShown(view, picture));
        before = runs.at(i);
        settle();
    }
    // A last run that is surely due, answered after any run that should not
    // have been started: none of those may have reached the device.
    t.tick(1000000);
    QTRY_COMPARE(t.requests(), runs.last() + 1);
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

void tst_TimeTasks::preparedUrlIsNotSubstitutedAgain()
{
    TaskDialog t;
    t.build("<window>" + snapshotTask("0", kDeviceUrl + "<target>live</target>") + "</window>" +
            pageOf({"<live/>"}));
    t.tick(1);
    QTRY_COMPARE(t.requests(), 1);
    QVERIFY(newSnapshotShown(t.views().value(0), 0));
    settle();

    // Another device and other credentials: the task keeps what it took.
    t.h.setValue(QStringLiteral("general/network/url/127.0.0.1:1"));
    t.h.setValue(QStringLiteral("general/network/login/somebody"));
    QLabel* view = t.views().value(0);
    const qint64 first = shown(view).cacheKey();
    t.tick(1);
    QTRY_COMPARE(t.requests(), 2);
    QVERIFY(newSnapshotShown(view, first));
    QCOMPARE(t.sim.log().logins().size(), 2);
    QCOMPARE(t.sim.log().logins().last().login, t.sim.login().toUtf8());
}

void tst_TimeTasks::credentials_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<QByteArray>("login");
    QTest::addColumn<QByteArray>("password");

    const QByteArray sourceLogin = DeviceSim::kDefaultLogin;
    QTest::newRow("both children, substituted")
        << QByteArray("<login>{general/cam/user}</login><password>{general/cam/pass}</password>")
        << QByteArray("viewer") << QByteArray("seen");
    QTest::newRow("login without password: both from the source")
        << QByteArray("<login>other</login>") << sourceLogin << QByteArray("<digest>");
    QTest::newRow("password without login: both from the source")
        << QByteArray("<password>other</password>") << sourceLogin << QByteArray("<digest>");
    QTest::newRow("neither: both from the source")
        << QByteArray() << sourceLogin << QByteArray("<digest>");
}

void tst_TimeTasks::credentials()
{
    QFETCH(QByteArray, children);
    QFETCH(QByteArray, login);
    QFETCH(QByteArray, password);

    TaskDialog t;
    if (password == "<digest>")
        password = t.sim.passwordDigest().toUtf8();
    t.build("<window>" + snapshotTask("0", kDeviceUrl + children + "<target>live</target>") +
            "</window>" + pageOf({"<live/>"}));
    t.tick(1);
    QTRY_COMPARE(t.sim.log().logins().size(), 1);
    QCOMPARE(t.sim.log().logins().first().login, login);
    QCOMPARE(t.sim.log().logins().first().password, password);
}

void tst_TimeTasks::everyControlOfATargetTag()
{
    TaskDialog t;
    // Three views of one tag, one view of another; a target that names no
    // element, one on an element without a control, and a forged record.
    t.build("<window>" +
            snapshotTask("0", kDeviceUrl + "<target>front</target><target>nowhere</target>"
                                           "<target>plain</target><target>forged</target>") +
            "<plain/></window>" +
            "<elsewhere><forged/><controlWidget address=\"12345678\" id=\"link12345678\"/>"
            "</elsewhere>" +
            pageOf({"<front/>", "<back/>", "<front/>", "<front/>"}));
    const QList<QLabel*> views = t.views();
    QCOMPARE(views.size(), 4);
    t.tick(1);
    QTRY_VERIFY(showsSnapshot(views.at(0)));
    QTRY_VERIFY(showsSnapshot(views.at(2)));
    QTRY_VERIFY(showsSnapshot(views.at(3)));
    QCOMPARE(shown(views.at(2)).toImage(), shown(views.at(0)).toImage());
    QVERIFY(shown(views.at(1)).isNull());
    QCOMPARE(t.requests(), 1);
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

// A picture on a page nobody looks at is not fetched (each one is a login
// on the recorder); it comes at the next period once its page is shown.
void tst_TimeTasks::hiddenPagePausesItsPictures()
{
    TaskDialog t;
    t.build("<window>" + snapshotTask("1000", kDeviceUrl + "<target>later</target>") +
            "</window><tabwidget><tab><name>First</name><item type=\"gridlayout\">"
            "<item type=\"label\"><text>first</text></item></item></tab>"
            "<tab><name>Live</name><item type=\"gridlayout\"><item type=\"online\" "
            "width=\"88\" height=\"72\"><later/></item></item></tab></tabwidget>");
    t.h.dialog->show();
    QLabel* view = t.views().value(0);
    QVERIFY(view);
    for (int i = 0; i < 3; ++i)
        t.tick(1001);
    QTest::qWait(200);
    QCOMPARE(t.requests(), 0);
    QVERIFY(shown(view).isNull());

    t.h.dialog->findChild<QTabWidget*>()->setCurrentIndex(1);
    t.tick(1001);
    QTRY_VERIFY(showsSnapshot(view));
    QCOMPARE(t.requests(), 1);
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

void tst_TimeTasks::hiddenPageClosesItsStream()
{
    TaskDialog t;
    t.build("<window><timetask type=\"startVideoOnline\" period=\"1000\">" + kDeviceUrl +
            "<target>later</target></timetask></window>"
            "<tabwidget><tab><name>First</name><item type=\"gridlayout\">"
            "<item type=\"label\"><text>first</text></item></item></tab>"
            "<tab><name>Live</name><item type=\"gridlayout\"><item type=\"online\" "
            "width=\"88\" height=\"72\"><later/></item></item></tab></tabwidget>");
    t.h.dialog->show();
    auto* tabs = t.h.dialog->findChild<QTabWidget*>();
    QLabel* view = t.views().value(0);
    QVERIFY(view);
    t.tick(1001);
    QTest::qWait(200);
    QVERIFY(!VideoRSN3Reciver::created);
    QCOMPARE(t.sim.log().logins().size(), 0);

    // Shown, hidden and shown again: two logins, none while hidden.
    for (int shows = 1; shows <= 2; ++shows) {
        tabs->setCurrentIndex(1);
        const qint64 before = shown(view).cacheKey();
        t.tick(1001);
        QTRY_VERIFY_WITH_TIMEOUT(shown(view).cacheKey() != before && !shown(view).isNull(), 10000);
        QCOMPARE(t.sim.log().logins().size(), shows);
        tabs->setCurrentIndex(0);
        t.tick(1001);
        QVERIFY(!VideoRSN3Reciver::created);
        t.tick(1001);
        QTest::qWait(200);
        QCOMPARE(t.sim.log().logins().size(), shows);
    }
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

void tst_TimeTasks::silentDeviceHoldsBackItsTask()
{
    // Takes connections and never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&silent, &QTcpServer::newConnection, &silent, [&] {
        while (silent.nextPendingConnection())
            ++connections;
    });

    TaskDialog t;
    const QByteArray url = "<url>127.0.0.1:" + QByteArray::number(silent.serverPort()) + "</url>";
    t.build("<window>" + snapshotTask("0", url + "<target>live</target>") +
            snapshotTask("0", kDeviceUrl + "<target>other</target>") + "</window>" +
            pageOf({"<live/>", "<other/>"}));
    QLabel* other = t.views().value(1);
    for (int run = 1; run <= 3; ++run) {
        const qint64 picture = shown(other).cacheKey();
        t.tick(1);
        // The task beside it goes on as before.
        QTRY_COMPARE(t.requests(), run);
        QVERIFY(newSnapshotShown(other, picture));
        settle();
    }
    QTRY_COMPARE(connections, 1);
    QVERIFY(t.views().value(0)->pixmap().isNull());
}

void tst_TimeTasks::streamTaskShowsTheLiveStream()
{
    TaskDialog t;
    t.build("<window><timetask type=\"startVideoOnline\" period=\"1000\">" + kDeviceUrl +
            "<target>live</target></timetask></window>" + pageOf({"<live/>"}));
    QLabel* view = t.views().value(0);
    t.tick(1001);
    QTRY_VERIFY_WITH_TIMEOUT(!shown(view).isNull(), 10000);
    QCOMPARE(shown(view).size(), QSize(720, 576));
    // The emulator draws the time into its picture: within a few seconds the
    // view must show another picture than its first.
    const QImage first = shown(view).toImage();
    QTRY_VERIFY_WITH_TIMEOUT(shown(view).toImage() != first, 10000);
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

void tst_TimeTasks::streamTasksShareOneReceiver()
{
    TaskDialog t;
    const QByteArray stream = "<timetask type=\"startVideoOnline\" period=\"0\">" + kDeviceUrl;
    t.build("<window>" + stream + "<target>first</target></timetask>" + stream +
            "<target>second</target></timetask></window>" + pageOf({"<first/>", "<second/>"}));
    QVERIFY(!VideoRSN3Reciver::created);
    t.tick(1);
    QVERIFY(VideoRSN3Reciver::created);
    VideoRSN3Reciver* receiver = VideoRSN3Reciver::singletonPtr;
    QVERIFY(receiver);
    t.tick(1);
    QCOMPARE(VideoRSN3Reciver::singletonPtr, receiver);

    // A picture of the stream reaches the first task's view only.
    QPixmap picture(40, 30);
    picture.fill(Qt::green);
    emit receiver->pixmapReady(picture);
    const QList<QLabel*> views = t.views();
    QCOMPARE(shown(views.at(0)).toImage(), picture.toImage());
    QVERIFY(shown(views.at(1)).isNull());
    // The second task's url is still prepared, as every picture task's is.
    const QDomElement second = t.h.dialog->description()
                                   .elementsByTagName(QStringLiteral("timetask"))
                                   .item(1)
                                   .firstChildElement(QStringLiteral("url"));
    QCOMPARE(second.attribute(QStringLiteral("parsed")), t.deviceAddress());
}

void tst_TimeTasks::streamReceiverEndsWithTheDialog()
{
    const QByteArray body = "<window><timetask type=\"startVideoOnline\" period=\"0\">" +
                            kDeviceUrl + "<target>live</target></timetask></window>" +
                            pageOf({"<live/>"});
    {
        TaskDialog t;
        t.build(body);
        t.tick(1);
        QVERIFY(VideoRSN3Reciver::created);
    }
    QVERIFY(!VideoRSN3Reciver::created);
    QCOMPARE(VideoRSN3Reciver::singletonPtr, nullptr);

    // The next dialog starts a stream of its own and feeds its own view.
    TaskDialog t;
    t.build(body);
    t.tick(1);
    QVERIFY(VideoRSN3Reciver::singletonPtr);
    QPixmap picture(40, 30);
    picture.fill(Qt::blue);
    emit VideoRSN3Reciver::singletonPtr->pixmapReady(picture);
    QCOMPARE(shown(t.views().value(0)).toImage(), picture.toImage());
}

void tst_TimeTasks::subDialogTaskRunsOnlyWhileOpen()
{
    TaskDialog t;
    t.build("<window>" +
            snapshotTask("0", kDeviceUrl + "<target>main_view</target>", "GET SNAPSHOT MAIN") +
            "</window>" + pageOf({"<main_view/>"}) + "<camera_dialog title=\"Camera\"><camera/>" +
            snapshotTask("0", kDeviceUrl + "<target>sub_view</target>", "GET SNAPSHOT SUB") +
            "<item type=\"gridlayout\"><item type=\"online\" width=\"88\" height=\"72\">"
            "<sub_view/></item></item></camera_dialog>");
    QLabel* mainView = t.views().value(0);

    // Each step waits for the main task's run of the same tick, which was
    // started first, so that a run of the sub-dialog's task has been seen too.
    int mainRuns = 0;
    const auto step = [&]() -> bool {
        const qint64 picture = shown(mainView).cacheKey();
        t.tick(1);
        ++mainRuns;
        const bool ran = QTest::qWaitFor([&] { return t.requests(kMainCommand) == mainRuns; }) &&
                         newSnapshotShown(mainView, picture);
        settle();
        return ran;
    };
    QVERIFY(step());
    QCOMPARE(t.requests(kSubCommand), 0);

    bool ranInside = false;
    bool shownInside = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* view = dialog->findChild<cOnlineView*>();
        ranInside = step() && QTest::qWaitFor([&] { return t.requests(kSubCommand) == 1; });
        shownInside = view && newSnapshotShown(view, 0);
        dialog->reject();
    });
    QVERIFY(QMetaObject::invokeMethod(t.h.dialog.get(), "showDialog", Qt::DirectConnection,
                                      Q_ARG(QString, QStringLiteral("camera"))));
    QVERIFY(ranInside);
    QVERIFY(shownInside);

    QVERIFY(step());
    QVERIFY(step());
    QCOMPARE(t.requests(kSubCommand), 1);
    QVERIFY2(t.h.errorTexts().isEmpty(), qPrintable(t.h.errorTexts().join('\n')));
}

QTEST_MAIN(tst_TimeTasks)
#include "tst_timetasks.moc"
