// The stereo rectification job end to end: the plug-in's slot against the
// emulator's stereo service, which serves chessboard views rendered by a
// synthetic stereo rig and checks the tables that come back against the
// rig's true geometry.
//
// The emulator runs on this test's GUI thread: the job must keep that
// thread serving events while it talks to the device, or these tests hang.

#include "../setup/setupharness.h"
#include "controls/cstereocalibrator.h"
#include "controls/cstereolink.h"
#include "controls/stereorectification.h"
#include "stereorig.h"
#include "stereoservice.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <opencv2/calib3d.hpp>

#include <arpa/inet.h>
#include <cmath>
#include <limits>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* const kAddress = "127.0.0.15";
const QString kDateKey = QStringLiteral("streams/stereo/last_rectification_date");
const QString kErrorKey = QStringLiteral("streams/stereo/last_rectification_error");
const QByteArray kStoredDate = "2020-01-02 03:04:05";
const QByteArray kStoredError = "0.25";

// Rendering is the slow part; every test shares one rig and its views.
StereoRig& rig()
{
    static StereoRig shared;
    return shared;
}

QByteArray streamsIni(const QByteArray& images, const QByteArray& row = "9",
                      const QByteArray& column = "6")
{
    QByteArray ini = "[stereo]\n";
    const auto line = [&ini](const char* key, const QByteArray& value) {
        if (!value.isNull())
            ini += key + QByteArray("=") + value + "\n";
    };
    line("number_of_images_to_rectify", images);
    line("number_of_corners_row", row);
    line("number_of_corners_column", column);
    line("pixel_size", "6");
    line("last_rectification_date", kStoredDate);
    line("last_rectification_error", kStoredError);
    return ini;
}

enum class Answer
{
    Accept,
    Reject,
    Cancel,
};

// Plays the person at the screen: cancels the progress once pairs come in,
// or answers the results dialog, after taking a picture of it.
class User : public QObject
{
public:
    User(Answer answer, const StereoService& service) : m_answer(answer), m_service(service)
    {
        connect(&m_timer, &QTimer::timeout, this, &User::poll);
        m_timer.start(5);
    }

    bool sawResults = false;
    QString summary;
    QString focal;
    QString focalLabel;
    QString title;
    QString explanation;
    QString progressLabel;
    QImage picture;
    // Where the window and its buttons lay, and the screen they had.
    QRect window;
    QList<QRect> buttons;
    QRect screen;
    // The date the settings held when the source was told to store.
    QStringList datesStored;

private:
    void poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* progress = qobject_cast<QProgressDialog*>(w))
                watchProgress(*progress);
            else if (auto* dialog = qobject_cast<QDialog*>(w);
                     dialog && dialog->objectName() == QLatin1String("StereoResults"))
                answer(*dialog);
        }
    }

    void watchProgress(QProgressDialog& progress)
    {
        // Cancels once the dialog has told of a pair, while more are due.
        if (m_answer != Answer::Cancel || m_service.pairsServed() < 2 ||
            !progress.labelText().contains(QStringLiteral("pairs found")) || progress.wasCanceled())
            return;
        progressLabel = progress.labelText();
        QPushButton* cancel = progress.findChild<QPushButton*>();
        QVERIFY(cancel);
        cancel->click();
    }

    void answer(QDialog& dialog)
    {
        sawResults = true;
        summary = dialog.findChild<QLabel*>(QStringLiteral("summary"))->text();
        focal = dialog.findChild<QLabel*>(QStringLiteral("camera1_row1"))->text();
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("Focal")))
                focalLabel = label->text();
        }
        title = dialog.windowTitle();
        explanation = dialog.findChild<QLabel*>(QStringLiteral("explanation"))->text();
        window = dialog.frameGeometry();
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            buttons << QRect(b->mapToGlobal(QPoint()), b->size());
        screen = dialog.screen()->availableGeometry();
        picture = dialog.grab().toImage();
        if (m_answer == Answer::Accept)
            dialog.accept();
        else
            dialog.reject();
    }

    Answer m_answer;
    const StereoService& m_service;
    QTimer m_timer;
};

// A setup dialog over a stereo device's settings, and the device's stereo
// service on its own loopback address.
struct StereoJob
{
    SetupHarness setup;
    StereoService service{&rig()};

    explicit StereoJob(const QByteArray& streams)
    {
        setup.source.setFilePath(
            QStringLiteral("general"),
            setup.write("general.ini", QByteArray("[network]\nurl=") + kAddress + ":5049\n"));
        setup.source.setFilePath(QStringLiteral("streams"), setup.write("streams.ini", streams));
        setup.build(SetupHarness::wrap(""));
    }

    bool listen() { return service.listen(QHostAddress(QLatin1String(kAddress))); }

    void run()
    {
        QMetaObject::invokeMethod(setup.dialog.get(), "StereoRectification_slot",
                                  Qt::DirectConnection);
    }

    QString date() { return setup.value(kDateKey); }
    QString error() { return setup.value(kErrorKey); }
    QStringList messages() const
    {
        QStringList out;
        for (const MessageBoxCatcher::Shown& s : setup.boxes.shown)
            out << s.text;
        return out;
    }
};

QVector<qint32> toVector(const std::vector<qint32>& v)
{
    return QVector<qint32>(v.begin(), v.end());
}

} // namespace

class tst_StereoRectification : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void renderedCornersAreWhereTheRigSays();
    void verdicts_data();
    void verdicts();
    void collectsOneMorePairThanAsked();
    void deviceGoneBeforeTablesKeepsStoredResult();
    void sampleStereoPageShowsTheNewResult();
    void refusesSettingsWithoutConnecting_data();
    void refusesSettingsWithoutConnecting();
    void endsOnDeviceFaults_data();
    void endsOnDeviceFaults();
    void tableMarksOutsideSources_data();
    void tableMarksOutsideSources();
    void cancelEndsTheJobAtOnce_data();
    void cancelEndsTheJobAtOnce();
    void slowPairIsOverdue();
    void noJobStartsWhileTheDialogIsBuilt();

private:
    QTemporaryDir m_workDir;
};

void tst_StereoRectification::initTestCase()
{
    // The job leaves its "intrinsics" file in the current folder.
    QVERIFY(m_workDir.isValid());
    QVERIFY(QDir::setCurrent(m_workDir.path()));
    QDir().mkpath(QStringLiteral(STEREO_TEST_OUTPUT));
}

// The ground truth the other tests lean on: OpenCV finds the rendered
// corners where the rig projects them.
void tst_StereoRectification::renderedCornersAreWhereTheRigSays()
{
    QByteArray images[2];
    rig().heldBackPair(images[0], images[1]);
    for (int camera = 0; camera < 2; ++camera) {
        const cv::Mat view(StereoRig::kHeight, StereoRig::kWidth, CV_8UC1, images[camera].data());
        std::vector<cv::Point2f> found;
        QVERIFY(cv::findChessboardCorners(
            view, cv::Size(StereoRig::kCornersRow, StereoRig::kCornersColumn), found,
            cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE));
        double worst = 0;
        for (const QPointF& truth : rig().corners(StereoRig::kHeldBack, camera)) {
            double nearest = std::numeric_limits<double>::max();
            for (const cv::Point2f& f : found)
                nearest = std::min(nearest, std::hypot(f.x - truth.x(), f.y - truth.y()));
            worst = std::max(worst, nearest);
        }
        QVERIFY2(worst < 0.5, qPrintable(QString::number(worst)));
    }
}

void tst_StereoRectification::verdicts_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<qint32>("verdict");

    QTest::newRow("accepted stores date and error, tables align rows")
        << Answer::Accept << StereoService::kAccepted;
    QTest::newRow("rejected keeps the stored result") << Answer::Reject << StereoService::kRejected;
    QTest::newRow("stopped while collecting keeps the stored result")
        << Answer::Cancel << StereoService::kStopped;
}

void tst_StereoRectification::verdicts()
{
    QFETCH(Answer, answer);
    QFETCH(qint32, verdict);
    const int images = 8;
    StereoJob job(streamsIni(QByteArray::number(images)));
    QVERIFY(job.listen());
    QFile::remove(QStringLiteral("intrinsics"));
    User user(answer, job.service);
    QObject::connect(&job.setup.source, &NBXSetup::storeDone,
                     [&] { user.datesStored << job.date(); });

    job.run();

    QVERIFY2(job.messages().isEmpty(), qPrintable(job.messages().join('\n')));
    QTRY_VERIFY(job.service.isComplete());
    QCOMPARE(job.service.verdict(), verdict);
    // The date and error describe what the recorder holds: stored with the
    // tables, not left for the dialog's OK, which may never come.
    QCOMPARE(user.datesStored, answer == Answer::Accept ? QStringList{job.date()} : QStringList());
    QCOMPARE(job.service.commands().first(), StereoService::kAskSize);
    QCOMPARE(job.service.commands().last(), verdict);
    QCOMPARE(user.sawResults, answer != Answer::Cancel);

    if (answer == Answer::Cancel) {
        QVERIFY(job.service.pairsServed() < images + 1);
        QVERIFY2(user.progressLabel.contains(QStringLiteral(" of 9 pairs found, ")),
                 qPrintable(user.progressLabel));
    } else {
        QCOMPARE(job.service.pairsServed(), images + 1);
        QVERIFY(QFile::exists(QStringLiteral("intrinsics")));
        // The rig's focal length is 600 pixels of 6 µm.
        QVERIFY2(user.focal.endsWith(QStringLiteral(" mm")), qPrintable(user.focal));
        QVERIFY2(std::fabs(user.focal.chopped(3).toDouble() - 3.6) < 0.1, qPrintable(user.focal));
        QCOMPARE(user.focalLabel, QStringLiteral("Focal length:"));
        QCOMPARE(user.title, QStringLiteral("Stereo rectification result"));
        for (const char* says : {"OK sends the rectification to the recorder and stores",
                                 "Cancel leaves the recorder"})
            QVERIFY2(user.explanation.contains(QLatin1String(says)), qPrintable(user.explanation));
        // A pair twice a camera's width still leaves the window and its
        // buttons on the screen.
        QVERIFY2(user.screen.contains(user.window), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                   .arg(user.window.x())
                                                                   .arg(user.window.y())
                                                                   .arg(user.window.width())
                                                                   .arg(user.window.height())));
        QCOMPARE(user.buttons.size(), 2);
        for (const QRect& b : user.buttons)
            QVERIFY(user.screen.contains(b));
        user.picture.save(QStringLiteral(STEREO_TEST_OUTPUT "/results-%1.png")
                              .arg(answer == Answer::Accept ? "accepted" : "rejected"));
    }

    if (answer != Answer::Accept) {
        QCOMPARE(job.date(), QString::fromLatin1(kStoredDate));
        QCOMPARE(job.error(), QString::fromLatin1(kStoredError));
        QVERIFY(job.service.leftTable().isEmpty());
        return;
    }
    const double error = job.error().toDouble();
    QVERIFY2(error > 0 && error < 1.0, qPrintable(job.error()));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d{4}$")).match(job.error()).hasMatch());
    QVERIFY(job.date() != QString::fromLatin1(kStoredDate));
    QVERIFY(QDateTime::fromString(job.date(), QStringLiteral("yyyy-MM-dd hh:mm:ss")).isValid());
    QVERIFY2(user.summary.startsWith(QStringLiteral("Rectification is done with average RMS "
                                                    "error = ")),
             qPrintable(user.summary));

    const qint32 n = StereoRig::kWidth * StereoRig::kHeight;
    for (const QVector<qint32>* table : {&job.service.leftTable(), &job.service.rightTable()}) {
        QCOMPARE(table->size(), n);
        QVERIFY(
            std::all_of(table->begin(), table->end(), [n](qint32 v) { return v >= 0 && v <= n; }));
    }
    const double misalignment =
        rig().rowMisalignment(job.service.leftTable(), job.service.rightTable());
    QVERIFY2(misalignment >= 0 && misalignment < 1.0, qPrintable(QString::number(misalignment)));
}

// N asks for N + 1 pairs that show the board; a pair without it is asked
// again.
void tst_StereoRectification::collectsOneMorePairThanAsked()
{
    StereoJob job(streamsIni("1"));
    job.service.setBlankEvery(2);
    QVERIFY(job.listen());
    User user(Answer::Reject, job.service);

    job.run();

    QTRY_VERIFY(job.service.isComplete());
    QCOMPARE(job.service.pairsServed(), 3);
    const QList<qint32> expected = {StereoService::kAskSize, StereoService::kAskPair,
                                    StereoService::kAskPair, StereoService::kAskPair,
                                    StereoService::kRejected};
    QCOMPARE(job.service.commands(), expected);
}

// Accepting is not enough: a device that never got the tables is not
// rectified, so the date and error must not say it is.
void tst_StereoRectification::deviceGoneBeforeTablesKeepsStoredResult()
{
    const int images = 3;
    StereoJob job(streamsIni(QByteArray::number(images)));
    job.service.setCloseAfterPairs(images + 1);
    QVERIFY(job.listen());
    User user(Answer::Accept, job.service);

    job.run();

    QVERIFY(user.sawResults);
    QCOMPARE(job.messages(),
             QStringList{QStringLiteral("The rectification could not be sent to the device: The "
                                        "device closed the connection.")});
    QCOMPARE(job.date(), QString::fromLatin1(kStoredDate));
    QCOMPARE(job.error(), QString::fromLatin1(kStoredError));
}

// The sample device's Stereo page: its button runs the job with the
// sample's settings, and its labels follow the stored date and error.
void tst_StereoRectification::sampleStereoPageShowsTheNewResult()
{
    SetupHarness setup;
    const QDir sample(QStringLiteral(VELK_SAMPLE_SOURCE));
    for (const QString& name : sample.entryList({QStringLiteral("*.ini")})) {
        QFile file(sample.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        setup.source.setFilePath(name.chopped(4), setup.write(name, file.readAll()));
    }
    setup.source.setFilePath(
        QStringLiteral("general"),
        setup.write("general.ini", QByteArray("[network]\nurl=") + kAddress + "\n"));
    QFile description(QStringLiteral(VELK_SAMPLE_SOURCE "/setup-m.xml"));
    QVERIFY(description.open(QIODevice::ReadOnly));
    CWinMain* dialog = setup.build(description.readAll());
    StereoService service(&rig());
    QVERIFY(service.listen(QHostAddress(QLatin1String(kAddress))));
    User user(Answer::Accept, service);

    QPushButton* rectify = nullptr;
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->text() == QLatin1String("Rectify stereo cameras"))
            rectify = b;
    }
    QVERIFY(rectify);
    rectify->click();

    QTRY_VERIFY(service.isComplete());
    QCOMPARE(service.verdict(), StereoService::kAccepted);
    QCOMPARE(service.pairsServed(),
             setup.value(QStringLiteral("streams/stereo/number_of_images_to_rectify")).toInt() + 1);
    const QString date = setup.value(kDateKey);
    const QString error = setup.value(kErrorKey);
    QVERIFY(!date.isEmpty());
    QStringList labels;
    for (QLabel* l : dialog->findChildren<QLabel*>())
        labels << l->text();
    QVERIFY2(labels.contains(date), qPrintable(labels.join('|')));
    QVERIFY2(labels.contains(error), qPrintable(labels.join('|')));
}

void tst_StereoRectification::refusesSettingsWithoutConnecting_data()
{
    QTest::addColumn<QByteArray>("streams");
    QTest::addColumn<QString>("message");

    const QString notSet = QStringLiteral("Number of images to rectify is not set");
    QTest::newRow("number of images missing") << streamsIni(QByteArray()) << notSet;
    QTest::newRow("number of images zero") << streamsIni("0") << notSet;
    QTest::newRow("number of images negative") << streamsIni("-4") << notSet;
    QTest::newRow("number of images not a number") << streamsIni("many") << notSet;
    QTest::newRow("number of images beyond any use")
        << streamsIni("2147483647") << QStringLiteral("Number of images to rectify is above 1000");
    QTest::newRow("pattern of one row")
        << streamsIni("4", "9", "1")
        << QStringLiteral("The chessboard pattern must have at least 2 x 2 inner corners; it is "
                          "set to 9 x 1.");
    QTest::newRow("pattern not set")
        << streamsIni("4", QByteArray(), QByteArray())
        << QStringLiteral("The chessboard pattern must have at least 2 x 2 inner corners; it is "
                          "set to 0 x 0.");
}

void tst_StereoRectification::refusesSettingsWithoutConnecting()
{
    QFETCH(QByteArray, streams);
    QFETCH(QString, message);
    StereoJob job(streams);
    QVERIFY(job.listen());

    job.run();

    QCOMPARE(job.messages(), QStringList{message});
    QCOMPARE(job.setup.boxes.shown.first().title, QStringLiteral("Stereo Rectification Message."));
    QVERIFY(job.service.commands().isEmpty());
    QCOMPARE(job.date(), QString::fromLatin1(kStoredDate));
    QCOMPARE(job.error(), QString::fromLatin1(kStoredError));
}

void tst_StereoRectification::endsOnDeviceFaults_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<StereoService::Stall>("stall");
    QTest::addColumn<QSize>("reported");
    QTest::addColumn<QString>("message");

    const auto sizeMessage = [](int w, int h) {
        return QStringLiteral("The device reported an image size of %1 x %2; both sides must be "
                              "between 1 and 8192.")
            .arg(w)
            .arg(h);
    };
    QTest::newRow("connection refused")
        << false << StereoService::Stall::Never << QSize()
        << QStringLiteral("Could not connect to device: socket connection error.");
    QTest::newRow("size never answered")
        << true << StereoService::Stall::AtSize << QSize()
        << QStringLiteral("The device stopped answering: no data came for 1 seconds.");
    QTest::newRow("pair never answered")
        << true << StereoService::Stall::AtPair << QSize()
        << QStringLiteral("The device stopped answering: no data came for 1 seconds.");
    QTest::newRow("zero size") << true << StereoService::Stall::Never << QSize(0, 0)
                               << sizeMessage(0, 0);
    QTest::newRow("width past the bound")
        << true << StereoService::Stall::Never << QSize(8193, 480) << sizeMessage(8193, 480);
    QTest::newRow("negative height")
        << true << StereoService::Stall::Never << QSize(640, -1) << sizeMessage(640, -1);
}

void tst_StereoRectification::endsOnDeviceFaults()
{
    QFETCH(bool, listening);
    QFETCH(StereoService::Stall, stall);
    QFETCH(QSize, reported);
    QFETCH(QString, message);
    StereoRectification::setStallTimeout(1000);
    StereoJob job(streamsIni("3"));
    job.service.setStall(stall);
    if (reported != QSize())
        job.service.setReportedSize(reported);
    if (listening)
        QVERIFY(job.listen());

    job.run();
    StereoRectification::setStallTimeout(StereoRectification::kDefaultStallMs);

    QCOMPARE(job.messages(), QStringList{message});
    QCOMPARE(job.service.verdict(), 0);
    QCOMPARE(job.date(), QString::fromLatin1(kStoredDate));
    QCOMPARE(job.error(), QString::fromLatin1(kStoredError));
}

void tst_StereoRectification::tableMarksOutsideSources_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<qint32>("entry");

    // A 4 × 3 image: n = 12 marks an outside source.
    QTest::newRow("inside") << 2.f << 1.f << 6;
    QTest::newRow("rounded to the nearest pixel") << 1.6f << 0.4f << 2;
    QTest::newRow("left edge of the first pixel") << -0.5f << 0.f << 0;
    QTest::newRow("just left of the image") << -0.51f << 0.f << 12;
    QTest::newRow("right edge of the last pixel") << 3.5f << 0.f << 12;
    QTest::newRow("below the image") << 0.f << 2.5f << 12;
    QTest::newRow("far above the image") << 0.f << -1e9f << 12;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0.f << 12;
}

void tst_StereoRectification::tableMarksOutsideSources()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(qint32, entry);
    cv::Mat mapX(3, 4, CV_32FC1, cv::Scalar(1.f));
    cv::Mat mapY(3, 4, CV_32FC1, cv::Scalar(1.f));
    mapX.at<float>(2, 3) = x;
    mapY.at<float>(2, 3) = y;

    const QVector<qint32> table = toVector(cStereoCalibrator::tableFromMaps(mapX, mapY));

    QCOMPARE(table.size(), 12);
    QCOMPARE(table.at(11), entry);
    QCOMPARE(table.at(0), 1 * 4 + 1);
}

enum class Hostile
{
    Trickles,      // a byte of the pair every 200 ms: the stall timeout never comes
    NeverAccepts,  // the service takes no connection; the system completes it
    NeverConnects, // the listen queue is full: the connection itself never completes
};
Q_DECLARE_METATYPE(Hostile)

void tst_StereoRectification::cancelEndsTheJobAtOnce_data()
{
    QTest::addColumn<Hostile>("device");
    QTest::newRow("pair trickles") << Hostile::Trickles;
    QTest::newRow("service never accepts") << Hostile::NeverAccepts;
    QTest::newRow("connection never completes") << Hostile::NeverConnects;
}

// Whatever the device does, Cancel on the progress ends the job within a
// second; the stall timeout stays at its full 30 s, which the job would
// otherwise wait out (or longer, as a trickle never stalls).
void tst_StereoRectification::cancelEndsTheJobAtOnce()
{
    QFETCH(Hostile, device);
    StereoJob job(streamsIni("3"));
    int queue = -1;
    int filler = -1;
    if (device == Hostile::NeverConnects) {
        // A queue of none already holding one: the next connection hangs.
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(StereoRectification::kPort);
        inet_pton(AF_INET, kAddress, &address.sin_addr);
        const int on = 1;
        queue = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::setsockopt(queue, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        QVERIFY(::bind(queue, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::listen(queue, 0) == 0);
        filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    } else {
        QVERIFY(job.listen());
        if (device == Hostile::Trickles)
            job.service.setStall(StereoService::Stall::Trickle);
        else
            job.service.setAccepting(false);
    }

    QElapsedTimer sinceCancel;
    QElapsedTimer shown;
    QTimer user;
    connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (!progress || !progress->isVisible() || progress->wasCanceled())
                continue;
            if (!shown.isValid())
                shown.start();
            // Long enough for the job to be deep in its wait.
            if (shown.elapsed() < 300)
                continue;
            sinceCancel.start();
            progress->findChild<QPushButton*>()->click();
        }
    });
    user.start(5);

    job.run();
    const qint64 tookMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    user.stop();
    ::close(filler);
    ::close(queue);

    QVERIFY2(tookMs >= 0, "the progress was never shown");
    QVERIFY2(tookMs < 1000,
             qPrintable(QStringLiteral("the job ended %1 ms after Cancel").arg(tookMs)));
    QCOMPARE(job.messages(), QStringList());
    QCOMPARE(job.date(), QString::fromLatin1(kStoredDate));
    if (device == Hostile::Trickles) {
        // The device, still connected, learns that the job stopped.
        QTRY_COMPARE(job.service.verdict(), StereoService::kStopped);
    }
}

// A device that trickles never stalls, but a pair has a time of its own.
void tst_StereoRectification::slowPairIsOverdue()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QLatin1String(kAddress))));
    QTimer trickle;
    connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = server.nextPendingConnection();
        connect(&trickle, &QTimer::timeout, peer, [peer] { peer->write("x"); });
        trickle.start(20);
    });
    cStereoLink link(1000);
    link.setDeadline(-1);
    bool received = true;
    cStereoLink::Error error = cStereoLink::Error::None;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        char bytes[1000];
        if (link.open(kAddress, server.serverPort())) {
            link.setDeadline(300);
            received = link.receiveBytes(bytes, sizeof bytes);
        }
        error = link.error();
    }));
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 5000);
    QVERIFY(!received);
    QCOMPARE(int(error), int(cStereoLink::Error::Overdue));
}

// A description whose control calls the job as the dialog is built starts
// nothing: the device would open the job's windows, and its connection,
// before the user saw the dialog. The same call from a click runs it.
void tst_StereoRectification::noJobStartsWhileTheDialogIsBuilt()
{
    SetupHarness setup;
    setup.source.setFilePath(QStringLiteral("general"),
                             setup.write("general.ini", QByteArray("[network]\nurl=") + kAddress +
                                                            ":5049\n[x]\non=1\n"));
    setup.source.setFilePath(QStringLiteral("streams"),
                             setup.write("streams.ini", streamsIni("1")));
    StereoService service(&rig());
    QVERIFY(service.listen(QHostAddress(QLatin1String(kAddress))));
    User user(Answer::Reject, service);
    setup.build(SetupHarness::wrap(R"(
<window><main/></window>
<tabwidget><tab><item type="gridlayout">
  <item type="checkbox" row="0"><box/><key on="1" off="0">general/x/on/1</key>
    <action type="call" state="on" slot="StereoRectification_slot">main</action></item>
</item></tab></tabwidget>
)"));
    QTest::qWait(200);
    QVERIFY(service.commands().isEmpty());
    QCOMPARE(setup.boxes.shown.size(), 0);

    setup.control<QCheckBox>("box")->click();
    setup.control<QCheckBox>("box")->click();
    QTRY_VERIFY(service.isComplete());
    QCOMPARE(service.verdict(), StereoService::kRejected);
}

QTEST_MAIN(tst_StereoRectification)
#include "tst_stereorectification.moc"
