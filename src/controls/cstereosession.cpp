#include "cstereosession.h"

#include <QHash>

cStereoSession::cStereoSession(const QByteArray& host, quint16 port, cv::Size pattern,
                               int pairsWanted, int timeoutMs)
    : m_link(timeoutMs), m_timeoutMs(timeoutMs), m_host(host), m_port(port), m_pattern(pattern),
      m_wanted(pairsWanted)
{
}

cStereoSession::Outcome cStereoSession::collect()
{
    // Cancel reaches every wait of the collection, not the verdict after it.
    struct Watch
    {
        cStereoLink& link;
        ~Watch()
        {
            link.setStopFlag(nullptr);
            link.setDeadline(-1);
        }
    } watch{m_link};
    m_link.setStopFlag(&m_stopped);
    if (!m_link.open(m_host, m_port))
        return fail(linkFailure());
    if (!askImageSize())
        return m_link.error() == cStereoLink::Error::Stopped ? Outcome::Stopped : Outcome::Failed;
    m_calibrator = std::make_unique<cStereoCalibrator>(m_image, m_pattern);
    const std::size_t bytes = std::size_t(m_image.area());
    for (auto& image : m_images)
        image.resize(bytes);
    while (m_calibrator->pairs() < m_wanted) {
        if (m_stopped)
            return Outcome::Stopped;
        const Outcome received = receivePair(bytes);
        if (received != Outcome::Calibrated)
            return received;
        ++m_tried;
        m_calibrator->addPair(m_images[0].data(), m_images[1].data());
        emit progress(m_calibrator->pairs(), m_tried);
    }
    if (m_stopped)
        return Outcome::Stopped;
    if (!m_calibrator->calibrate())
        return fail(Failure::Calibration);
    m_preview = m_calibrator->rectifiedPair(m_images[0].data(), m_images[1].data());
    return Outcome::Calibrated;
}

qint64 cStereoSession::pairTimeMs() const
{
    return m_timeoutMs + qint64(m_image.area()) * 2 * 1000 / kLeastPairRate;
}

// Calibrated stands for a pair received whole.
cStereoSession::Outcome cStereoSession::receivePair(std::size_t bytes)
{
    m_link.setDeadline(pairTimeMs());
    if (!m_link.sendInt(kAskPair) || !m_link.receiveBytes(m_images[0].data(), bytes) ||
        !m_link.receiveBytes(m_images[1].data(), bytes))
        return fail(linkFailure());
    m_link.setDeadline(-1);
    return Outcome::Calibrated;
}

bool cStereoSession::askImageSize()
{
    qint32 size[2] = {0, 0};
    if (!m_link.sendInt(kAskSize) || !m_link.receiveInts(size, 2)) {
        fail(linkFailure());
        return false;
    }
    m_image = cv::Size(size[0], size[1]);
    const auto fits = [](qint32 side) { return side > 0 && side <= kMaxSide; };
    if (!fits(size[0]) || !fits(size[1])) {
        fail(Failure::ImageSize);
        return false;
    }
    return true;
}

bool cStereoSession::finish(qint32 verdict)
{
    if (!m_link.sendInt(verdict))
        return false;
    if (verdict != kAccepted || !m_calibrator)
        return true;
    for (int camera = 0; camera < 2; ++camera) {
        const std::vector<qint32> table = m_calibrator->table(camera);
        if (!m_link.sendInts(table.data(), table.size()))
            return false;
    }
    return true;
}

cStereoSession::Outcome cStereoSession::fail(Failure failure)
{
    if (m_link.error() == cStereoLink::Error::Stopped)
        return Outcome::Stopped; // the link stays open for the verdict
    m_failure = failure;
    m_link.close();
    return Outcome::Failed;
}

cStereoSession::Failure cStereoSession::linkFailure() const
{
    static const QHash<int, Failure> byError = {
        {int(cStereoLink::Error::Socket), Failure::Socket},
        {int(cStereoLink::Error::Connect), Failure::Connect},
        {int(cStereoLink::Error::Stalled), Failure::Stalled},
        {int(cStereoLink::Error::Closed), Failure::Closed},
        {int(cStereoLink::Error::Overdue), Failure::Overdue},
    };
    return byError.value(int(m_link.error()), Failure::Closed);
}
