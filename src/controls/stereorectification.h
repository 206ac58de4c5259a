#pragma once

#include <QString>
#include <QWidget>

class NBXSetup;
class cStereoSession;

// Rectifies a stereo device: fetches chessboard pairs from its stereo
// service, calibrates the two cameras, shows the rectified result and sends
// the user's verdict, with the lookup tables when accepted. The whole job
// runs in the constructor; the exchange and the calibration run on a worker
// thread while the progress dialog stays live. Never shown itself.
class StereoRectification : public QWidget
{
    Q_OBJECT
public:
    static constexpr quint16 kPort = 15555;
    // Pairs the job collects at most (the setting asks for one more).
    static constexpr int kMaxImages = 1000;
    static constexpr int kDefaultStallMs = 30000;

    StereoRectification(NBXSetup* source, QWidget* parent);
    ~StereoRectification() override;

    int status() const { return m_status; }
    // The date and error to store: the new ones after an accepted
    // rectification, otherwise the stored ones unchanged.
    QString date() const { return m_date; }
    QString errorText() const { return m_errorText; }
    float error() const { return m_error; }
    // The calibration's reprojection error, 0 until one ran.
    double rms() const { return m_rms; }

    // How long a device may stay silent before the job gives up; tests
    // shorten it.
    static void setStallTimeout(int milliseconds);

public slots:
    void AcceptRectification();
    void RejectRectification();
    void StopRectification();

private:
    struct Settings
    {
        int images = 0;
        int pixelSize = 0;
        int cornersRow = 0;
        int cornersColumn = 0;
        QByteArray host;
    };

    void readSettings();
    QString settingsProblem() const;
    void run();
    void showResults(cStereoSession& session);
    void report(const QString& text);
    void readStoredResult();

    NBXSetup* m_source;
    QWidget* m_parent;
    Settings m_settings;
    cStereoSession* m_session = nullptr;
    int m_status = 0;
    float m_error = 0;
    double m_rms = 0;
    QString m_errorText;
    QString m_date;

    static int s_stallMs;
};
