#pragma once

#include "boxwatcher.h"
#include "deadline.h"
#include "hostexit.h"
#include "hostoptions.h"

#include "authorization/authorization.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class NBXNetSetup;
class NBXSetup;
class PageGrabber;
class ProgressWindow;

// One run of the host: creates the configuration source, shows its loading,
// runs the setup dialog through the plug-in's entry point, waits for what OK
// stored to arrive, and turns all that into an exit status (HostExit).
class HostSession : public QObject
{
    Q_OBJECT
public:
    explicit HostSession(const HostOptions& options, QObject* parent = nullptr);
    ~HostSession() override;

    int run();
    // The pictures --grab saved, in order.
    QStringList pictures() const;

private:
    bool openSource();
    bool openFlashSource();
    bool openNetworkSource();
    void rememberAcceptedLogin();
    void showLoading();
    void cancelLoading();
    void finishExchange(bool accepted);
    // The error the exchange ended with, or nothing.
    QString waitForExchange(NBXNetSetup& net, ProgressWindow& window);
    void fail(const QString& message);
    void onSourceError(const QString& message);
    int exitCode(int dialogResult) const;
    void onFunctionDone(const QString& name);
    // Says that the recorder restarts or was reset, when it does.
    void tellWhatTheRecorderDid();

    HostOptions m_options;
    std::unique_ptr<PageGrabber> m_grabber;
    BoxWatcher m_boxes;
    Deadline m_deadline;
    std::unique_ptr<NBXSetup> m_source;
    std::unique_ptr<ProgressWindow> m_loading;
    QString m_error;
    bool m_cancelled = false;
    bool m_exchangeFailed = false;
    // Restarted or Reset once the dialog has done that; Accepted otherwise.
    HostExit::Code m_deviceAction = HostExit::Accepted;
    // A login from the login dialog to remember once the device takes it.
    std::optional<authorization::authorization_t> m_toRemember;
};
