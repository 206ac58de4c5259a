#include "hostsession.h"

#include "hostcredentials.h"
#include "hostexit.h"
#include "pagegrabber.h"
#include "progresswindow.h"
#include "setupdialogs.h"

#include "config/nbxflashdrivesetup.h"
#include "config/nbxnetsetup.h"
#include "host/nbxdlgquestion.h"
#include "setup/ctranslation.h"
#include "setup/entrypoints.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

namespace {

const QString kTitle = QStringLiteral("Panorix Setup");
const QString kDescriptionFile = QStringLiteral("setup-m.xml.gz");

} // namespace

HostSession::HostSession(const HostOptions& options, QObject* parent)
    : QObject(parent), m_options(options),
      m_grabber(options.grabDir.isEmpty()
                    ? nullptr
                    : std::make_unique<PageGrabber>(options.grabDir, options.store, options.edits)),
      m_boxes(options.unattended, m_grabber.get()), m_deadline(options.timeoutSeconds)
{
}

HostSession::~HostSession() = default;

QStringList HostSession::pictures() const
{
    return m_grabber ? m_grabber->written() : QStringList();
}

int HostSession::run()
{
    if (!m_options.language.isEmpty())
        QLocale::setDefault(QLocale(m_options.language));
    // The host's own windows speak the dialog's language from the start.
    cTranslation::load();
    if (!openSource())
        return exitCode(0);
    connect(m_source.get(), &NBXSetup::pseudothrow, this, &HostSession::onSourceError);
    // Declining the login after a refusal is a cancel like any other.
    connect(m_source.get(), &NBXSetup::cancelled, this, [this] { m_cancelled = true; });
    connect(m_source.get(), &NBXSetup::functionDone, this, &HostSession::onFunctionDone);
    showLoading();
    const int result = DoPanorixSetup(*m_source);
    m_loading.reset();
    if (!m_cancelled && !m_deadline.isExpired())
        finishExchange(result == 1);
    tellWhatTheRecorderDid();
    return exitCode(result);
}

void HostSession::onFunctionDone(const QString& name)
{
    // Only these end the session: the recorder no longer holds what the
    // dialog loaded.
    static const QHash<QString, HostExit::Code> ending = {
        {QStringLiteral("soft_reboot"), HostExit::Restarted},
        {QStringLiteral("soft_reset"), HostExit::Reset},
    };
    const auto it = ending.constFind(name);
    if (it != ending.constEnd())
        m_deviceAction = it.value();
}

void HostSession::tellWhatTheRecorderDid()
{
    if (m_deviceAction == HostExit::Accepted)
        return;
    const QString device = m_options.network ? m_options.address.display()
                                             : QDir::toNativeSeparators(m_options.flashDir);
    const QString text = m_deviceAction == HostExit::Restarted
                             ? tr("The recorder %1 is restarting. Open its setup again once it "
                                  "is back.")
                                   .arg(device)
                             : tr("The recorder %1 was reset to its factory settings.").arg(device);
    NBXDlgQuestion::Do(nullptr, QMessageBox::Information, kTitle, text);
}

bool HostSession::openSource()
{
    return m_options.network ? openNetworkSource() : openFlashSource();
}

bool HostSession::openFlashSource()
{
    // Without its description the folder would only ever show an XML error.
    const QString dir = m_options.flashDir;
    if (!QFileInfo(QDir(dir).filePath(kDescriptionFile)).isFile()) {
        fail(tr("No setup description %1 in %2")
                 .arg(kDescriptionFile, QDir::toNativeSeparators(dir)));
        return false;
    }
    m_source = std::make_unique<NBXFlashDriveSetup>(dir);
    return true;
}

bool HostSession::openNetworkSource()
{
    DeviceAddress& address = m_options.address;
    if (!address.hasPassword() && !HostCredentials::complete(address, m_toRemember)) {
        m_cancelled = true;
        return false;
    }
    m_source = std::make_unique<NBXNetSetup>(address.linkAddress());
    connect(m_source.get(), &NBXSetup::loadDone, this, &HostSession::rememberAcceptedLogin);
    return true;
}

void HostSession::rememberAcceptedLogin()
{
    if (!m_toRemember)
        return;
    // After a refusal the link may have logged in with other credentials of
    // its own asking; only the login this host typed is ours to remember.
    const bool taken = m_source->value(QStringLiteral("general/network/login")).toLocal8Bit() ==
                           m_toRemember->login &&
                       m_source->value(QStringLiteral("general/network/password")).toLocal8Bit() ==
                           m_toRemember->password;
    if (taken)
        appendAuthorizationRecord(&*m_toRemember);
    m_toRemember.reset();
}

void HostSession::showLoading()
{
    // A flash drive loads before the dialog's loop even starts.
    if (!m_options.network)
        return;
    const QString device = m_options.address.display();
    m_loading = std::make_unique<ProgressWindow>(tr("Connecting to %1…").arg(device), true);
    ProgressWindow* window = m_loading.get();
    connect(m_source.get(), &NBXSetup::progress, window, [window, device](int percent) {
        window->setText(tr("Loading the configuration of %1…").arg(device));
        window->setValue(percent);
    });
    // Connected before the dialog connects its own error box, so the window
    // is gone before that box shows.
    connect(m_source.get(), &NBXSetup::loadDone, window, &ProgressWindow::finish);
    connect(m_source.get(), &NBXSetup::pseudothrow, window, &ProgressWindow::finish);
    connect(window, &ProgressWindow::cancelled, this, &HostSession::cancelLoading);
    window->show();
    if (m_grabber)
        m_grabber->saveWindow(window, QStringLiteral("loading"));
}

void HostSession::cancelLoading()
{
    m_cancelled = true;
    SetupDialogs::rejectAll(m_source.get());
}

void HostSession::finishExchange(bool accepted)
{
    // OK has started the upload and closed the dialog (or a button started a
    // device function just before Cancel); the exchange must neither die
    // with the source nor fail unseen.
    auto* net = qobject_cast<NBXNetSetup*>(m_source.get());
    if (!net || net->state() == 0)
        return;
    const QString device = m_options.address.display();
    ProgressWindow window(accepted ? tr("Storing the settings on %1…").arg(device)
                                   : tr("Finishing the last request to %1…").arg(device),
                          false);
    window.show();
    if (m_grabber)
        m_grabber->saveWindow(&window,
                              accepted ? QStringLiteral("storing") : QStringLiteral("finishing"));
    const QString error = waitForExchange(*net, window);
    if (error.isEmpty())
        return;
    m_exchangeFailed = true;
    fail(accepted ? tr("The settings could not be stored on %1.\n\n%2").arg(device, error)
                  : tr("The last request to %1 failed.\n\n%2").arg(device, error));
}

QString HostSession::waitForExchange(NBXNetSetup& net, ProgressWindow& window)
{
    QEventLoop loop;
    QString error;
    connect(&net, &NBXSetup::progress, &window, &ProgressWindow::setValue);
    connect(&net, &NBXSetup::storeDone, &loop, &QEventLoop::quit);
    connect(&net, &NBXSetup::loadDone, &loop, &QEventLoop::quit);
    connect(&net, &NBXSetup::pseudothrow, &loop, [&loop, &error](const QString& message) {
        error = message;
        loop.quit();
    });
    connect(&m_deadline, &Deadline::expired, &loop, &QEventLoop::quit);
    if (net.state() != 0)
        loop.exec();
    window.finish();
    return error;
}

void HostSession::fail(const QString& message)
{
    onSourceError(message);
    NBXDlgQuestion::Do(nullptr, QMessageBox::Critical, kTitle, message);
}

void HostSession::onSourceError(const QString& message)
{
    if (m_error.isEmpty())
        m_error = message;
}

int HostSession::exitCode(int dialogResult) const
{
    if (m_deadline.isExpired())
        return HostExit::TimedOut;
    if (m_deviceAction != HostExit::Accepted)
        return m_deviceAction;
    // The dialog returns 1 only once its store has arrived; errors it showed
    // on the way (a store tried again) did not end the session.
    if (dialogResult == 1 && !m_grabber && !m_exchangeFailed)
        return HostExit::Accepted;
    if (!m_error.isEmpty() || m_boxes.errorShown())
        return HostExit::Failed;
    if (m_cancelled)
        return HostExit::Cancelled;
    // A grab closes the dialog itself, with Cancel unless told to store.
    if (m_grabber)
        return m_grabber->pageCount() == 0 ? HostExit::GrabFailed : HostExit::Accepted;
    return dialogResult == 1 ? HostExit::Accepted : HostExit::Cancelled;
}
