#include "stereorectification.h"

#include "config/nbxsetup.h"
#include "controls/cstereoresults.h"
#include "controls/cstereosession.h"
#include "host/nbxdlgquestion.h"

#include <QDateTime>
#include <QEventLoop>
#include <QHash>
#include <QProgressDialog>
#include <QThread>

#include <memory>

namespace {

const char* const kImagesKey = "streams/stereo/number_of_images_to_rectify/";
const char* const kPixelSizeKey = "streams/stereo/pixel_size/";
const char* const kUrlKey = "general/network/url";
const char* const kDateKey = "streams/stereo/last_rectification_date/";
const char* const kErrorKey = "streams/stereo/last_rectification_error/";
const char* const kRowKey = "streams/stereo/number_of_corners_row/";
const char* const kColumnKey = "streams/stereo/number_of_corners_column/";

// Runs blocking work on a worker thread while this thread keeps serving its
// events (the progress dialog, its Cancel), and returns when it is done.
template <typename Work> void runOffGuiThread(Work work)
{
    std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
}

QString failureText(cStereoSession::Failure failure)
{
    using F = cStereoSession::Failure;
    static const QHash<int, const char*> texts = {
        {int(F::Socket), QT_TRANSLATE_NOOP("StereoRectification",
                                           "Could not connect to device: socket creation error.")},
        {int(F::Connect),
         QT_TRANSLATE_NOOP("StereoRectification",
                           "Could not connect to device: socket connection error.")},
        {int(F::Stalled),
         QT_TRANSLATE_NOOP("StereoRectification", "The device stopped answering: no data came for "
                                                  "%1 seconds.")},
        {int(F::Closed),
         QT_TRANSLATE_NOOP("StereoRectification", "The device closed the connection.")},
        {int(F::Overdue),
         QT_TRANSLATE_NOOP("StereoRectification", "The device sent too slowly: a pair took more "
                                                  "than %1 seconds.")},
        {int(F::ImageSize),
         QT_TRANSLATE_NOOP("StereoRectification",
                           "The device reported an image size of %1 x %2; both sides must be "
                           "between 1 and %3.")},
        {int(F::Calibration),
         QT_TRANSLATE_NOOP("StereoRectification",
                           "The cameras could not be calibrated from the collected images.")},
    };
    return StereoRectification::tr(texts.value(int(failure), texts.value(int(F::Closed))));
}

QString failureMessage(const cStereoSession& session, int stallSeconds)
{
    const QString text = failureText(session.failure());
    switch (session.failure()) {
    case cStereoSession::Failure::Stalled:
        return text.arg(stallSeconds);
    case cStereoSession::Failure::Overdue:
        return text.arg(session.pairTimeMs() / 1000);
    case cStereoSession::Failure::ImageSize:
        return text.arg(session.imageSize().width)
            .arg(session.imageSize().height)
            .arg(cStereoSession::kMaxSide);
    default:
        return text;
    }
}

} // namespace

int StereoRectification::s_stallMs = StereoRectification::kDefaultStallMs;

void StereoRectification::setStallTimeout(int milliseconds)
{
    s_stallMs = milliseconds;
}

StereoRectification::StereoRectification(NBXSetup* source, QWidget* parent)
    : QWidget(nullptr), m_source(source), m_parent(parent)
{
    readSettings();
    const QString problem = settingsProblem();
    if (!problem.isEmpty()) {
        report(problem);
        return;
    }
    run();
}

StereoRectification::~StereoRectification() = default;

void StereoRectification::readSettings()
{
    m_settings.images = m_source->value(QLatin1String(kImagesKey)).toInt();
    m_settings.pixelSize = m_source->value(QLatin1String(kPixelSizeKey)).toInt();
    m_settings.host =
        m_source->value(QLatin1String(kUrlKey)).section(QLatin1Char(':'), 0, 0).toLocal8Bit();
    m_settings.cornersRow = m_source->value(QLatin1String(kRowKey)).toInt();
    m_settings.cornersColumn = m_source->value(QLatin1String(kColumnKey)).toInt();
    readStoredResult();
}

void StereoRectification::readStoredResult()
{
    m_date = m_source->value(QLatin1String(kDateKey));
    m_errorText = m_source->value(QLatin1String(kErrorKey));
    m_error = m_errorText.toFloat();
}

// Settings the job cannot start with; nothing is sent to the device then.
QString StereoRectification::settingsProblem() const
{
    if (m_settings.images < 1)
        return tr("Number of images to rectify is not set");
    if (m_settings.images > kMaxImages)
        return tr("Number of images to rectify is above %1").arg(kMaxImages);
    if (m_settings.cornersRow < 2 || m_settings.cornersColumn < 2)
        return tr("The chessboard pattern must have at least 2 x 2 inner corners; "
                  "it is set to %1 x %2.")
            .arg(m_settings.cornersRow)
            .arg(m_settings.cornersColumn);
    return QString();
}

void StereoRectification::run()
{
    const int wanted = m_settings.images + 1;
    cStereoSession session(m_settings.host, kPort,
                           cv::Size(m_settings.cornersRow, m_settings.cornersColumn), wanted,
                           s_stallMs);
    m_session = &session;
    QProgressDialog progress(tr("Rectification..."), tr("Cancel"), 0, 100, m_parent);
    progress.setObjectName(QStringLiteral("StereoProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    connect(&progress, &QProgressDialog::canceled, this, &StereoRectification::StopRectification);
    // Reports still queued when collection ends must not bring the dialog
    // back over the results.
    bool collecting = true;
    connect(&session, &cStereoSession::progress, &progress,
            [&progress, &collecting, this](int collected, int tried) {
                if (!collecting)
                    return;
                progress.setValue(qMin(100, collected * 100 / m_settings.images));
                progress.setLabelText(tr("Rectification...\n%1 of %2 pairs found, %3 tried")
                                          .arg(collected)
                                          .arg(m_settings.images + 1)
                                          .arg(tried));
            });
    progress.setValue(0);

    cStereoSession::Outcome outcome = cStereoSession::Outcome::Failed;
    runOffGuiThread([&session, &outcome] { outcome = session.collect(); });
    collecting = false;
    progress.hide();

    if (outcome == cStereoSession::Outcome::Failed) {
        m_session = nullptr;
        report(failureMessage(session, s_stallMs / 1000));
        return;
    }
    if (outcome == cStereoSession::Outcome::Calibrated && m_status != cStereoSession::kStopped)
        showResults(session);
    else
        StopRectification();

    bool sent = false;
    const qint32 verdict = m_status;
    runOffGuiThread([&session, &sent, verdict] { sent = session.finish(verdict); });
    m_session = nullptr;
    if (!sent && m_status == cStereoSession::kAccepted) {
        // The device has not got the tables: it is not rectified.
        readStoredResult();
        m_status = 0;
        report(tr("The rectification could not be sent to the device: %1")
                   .arg(failureText(cStereoSession::Failure::Closed)));
    }
}

void StereoRectification::showResults(cStereoSession& session)
{
    const cStereoCalibrator& calibrator = *session.calibrator();
    m_error = float(calibrator.epipolarError());
    m_rms = calibrator.rms();
    // Kept beside the program that ran the job, as a record of the cameras.
    calibrator.writeIntrinsics(QStringLiteral("intrinsics"));
    cStereoResults dialog(session.preview(), m_error, m_settings.pixelSize,
                          {calibrator.cameraMatrix(0), calibrator.distortion(0)},
                          {calibrator.cameraMatrix(1), calibrator.distortion(1)}, m_parent);
    if (dialog.exec() == QDialog::Accepted)
        AcceptRectification();
    else
        RejectRectification();
}

void StereoRectification::AcceptRectification()
{
    m_status = cStereoSession::kAccepted;
    m_date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    m_errorText = QString::number(double(m_error), 'f', 4);
}

void StereoRectification::RejectRectification()
{
    m_status = cStereoSession::kRejected;
    readStoredResult();
}

void StereoRectification::StopRectification()
{
    m_status = cStereoSession::kStopped;
    if (m_session)
        m_session->stop();
}

void StereoRectification::report(const QString& text)
{
    NBXDlgQuestion::Do(m_parent, QMessageBox::Critical, tr("Stereo Rectification Message."), text,
                       QDialogButtonBox::Ok);
}
