#pragma once

#include "controls/cstereocalibrator.h"
#include "controls/cstereolink.h"

#include <QByteArray>
#include <QImage>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

// The device side of one rectification: the exchange with the stereo
// service and the calibration. Its steps block, so the job runs them on a
// worker thread; stop() and the progress signal cross over to the GUI.
class cStereoSession : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Calibrated,
        Stopped,
        Failed,
    };
    enum class Failure
    {
        None,
        Socket,
        Connect,
        Stalled,
        Closed,
        Overdue,
        ImageSize,
        Calibration,
    };

    // Commands of the stereo service, and the verdicts.
    static constexpr qint32 kAskSize = 1000;
    static constexpr qint32 kAskPair = 2000;
    static constexpr qint32 kAccepted = 3000;
    static constexpr qint32 kRejected = 4000;
    static constexpr qint32 kStopped = 5000;
    // Larger pictures than any stereo head gives; keeps a bad answer from
    // allocating without bound.
    static constexpr int kMaxSide = 8192;

    cStereoSession(const QByteArray& host, quint16 port, cv::Size pattern, int pairsWanted,
                   int timeoutMs);

    // Worker thread: connects, asks the image size, collects pairs until
    // pairsWanted of them show the pattern, then calibrates and prepares
    // the preview of the last pair.
    Outcome collect();
    // Worker thread: sends the verdict and, for an accepted one, both tables.
    bool finish(qint32 verdict);
    // Any thread: collection ends within a slice of the link's waits.
    void stop() { m_stopped = true; }
    // Bytes a second a device must at least send a pair at, past the
    // stall time, or it is given up: one that trickles a byte now and then
    // never stalls, but must not hold the job for ever.
    static constexpr qint64 kLeastPairRate = 64 * 1024;
    // The time one pair may take, from asking to its last byte.
    qint64 pairTimeMs() const;

    Failure failure() const { return m_failure; }
    cv::Size imageSize() const { return m_image; }
    const cStereoCalibrator* calibrator() const { return m_calibrator.get(); }
    QImage preview() const { return m_preview; }
    int pairsTried() const { return m_tried; }

signals:
    // Emitted from the worker thread after every pair received.
    void progress(int collected, int tried);

private:
    bool askImageSize();
    Outcome fail(Failure failure);
    Failure linkFailure() const;
    Outcome receivePair(std::size_t bytes);

    cStereoLink m_link;
    int m_timeoutMs;
    QByteArray m_host;
    quint16 m_port;
    cv::Size m_pattern;
    int m_wanted;
    cv::Size m_image;
    std::vector<uchar> m_images[2];
    std::unique_ptr<cStereoCalibrator> m_calibrator;
    QImage m_preview;
    std::atomic<bool> m_stopped{false};
    Failure m_failure = Failure::None;
    int m_tried = 0;
};
