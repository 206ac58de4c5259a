#include "ptzcamera.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kJpegQuality = 85;
constexpr int kLandmarkStepDegrees = 30;
constexpr int kGridDegrees = 10;
// The longest step one timer tick may make, when the event loop was held up.
constexpr qint64 kMaxStepMs = 200;
const QColor kOutside(40, 40, 48);

int wrapPan(qint64 pan)
{
    const qint64 r = pan % PtzCamera::kFullTurn;
    return int(r < 0 ? r + PtzCamera::kFullTurn : r);
}

int approach(int from, int to, int maxStep)
{
    return from + qBound(-maxStep, to - from, maxStep);
}

void drawBackground(QPainter& painter, QSize size)
{
    // The hue runs once around with the pan, so a picture's colour tells
    // where it points.
    QLinearGradient hues(0, 0, size.width(), 0);
    for (int degrees = 0; degrees <= 360; degrees += kLandmarkStepDegrees)
        hues.setColorAt(degrees / 360.0, QColor::fromHsv(degrees % 360, 110, 200));
    painter.fillRect(QRect(QPoint(0, 0), size), hues);
    QLinearGradient depth(0, 0, 0, size.height());
    depth.setColorAt(0, QColor(255, 255, 255, 90));
    depth.setColorAt(1, QColor(0, 0, 0, 140));
    painter.fillRect(QRect(QPoint(0, 0), size), depth);
}

void drawGrid(QPainter& painter, QSize size)
{
    const int step = kGridDegrees * PtzCamera::kPixelsPerDegree;
    for (int x = 0; x < size.width(); x += step) {
        const bool quarter = x % (90 * PtzCamera::kPixelsPerDegree) == 0;
        painter.setPen(
            QPen(quarter ? QColor(255, 255, 255) : QColor(0, 0, 0, 110), quarter ? 3 : 1));
        painter.drawLine(x, 0, x, size.height());
    }
    painter.setPen(QPen(QColor(0, 0, 0, 110), 1));
    for (int y = 0; y < size.height(); y += step)
        painter.drawLine(0, y, size.width(), y);
}

// One landmark every 30 degrees of pan, each of its own shape, size and
// colour, with as many dots below it as its number.
void drawLandmark(QPainter& painter, int index)
{
    const int ppd = PtzCamera::kPixelsPerDegree;
    const QPointF centre((index * kLandmarkStepDegrees + 15) * ppd, (index % 2 ? 60 : 30) * ppd);
    const qreal radius = (4 + index % 4) * ppd / 2.0;
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor::fromHsv((index * 137) % 360, 255, 255));
    QPainterPath shape;
    switch (index % 3) {
    case 0:
        shape.addEllipse(centre, radius, radius);
        break;
    case 1:
        shape.addRect(QRectF(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius)));
        break;
    default:
        shape.moveTo(centre + QPointF(0, -radius));
        shape.lineTo(centre + QPointF(radius, radius));
        shape.lineTo(centre + QPointF(-radius, radius));
        shape.closeSubpath();
        break;
    }
    painter.drawPath(shape);
    painter.setBrush(Qt::white);
    for (int dot = 0; dot <= index; ++dot)
        painter.drawEllipse(centre + QPointF((dot - index / 2.0) * ppd, radius + ppd), ppd / 3.0,
                            ppd / 3.0);
}

QImage drawPanorama()
{
    const QSize size(360 * PtzCamera::kPixelsPerDegree, 90 * PtzCamera::kPixelsPerDegree);
    QImage scene(size, QImage::Format_RGB32);
    QPainter painter(&scene);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackground(painter, size);
    drawGrid(painter, size);
    for (int i = 0; i < 360 / kLandmarkStepDegrees; ++i)
        drawLandmark(painter, i);
    return scene;
}

} // namespace

PtzCamera::PtzCamera(QObject* parent) : QObject(parent)
{
    m_moveTimer.setInterval(kStepMs);
    connect(&m_moveTimer, &QTimer::timeout, this, &PtzCamera::step);
}

const QImage& PtzCamera::panorama()
{
    static const QImage scene = drawPanorama();
    return scene;
}

QImage PtzCamera::render(const Position& p, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(kOutside);
    const QImage& scene = panorama();
    // The field of view depends on the zoom only, whatever the picture size.
    const qreal scale = p.zoom / 100.0 * size.width() / kFrameWidth;
    const QPointF centre(p.pan * kPixelsPerDegree / 100.0, p.tilt * kPixelsPerDegree / 100.0);
    const QSizeF visibleSize(size.width() / scale, size.height() / scale);
    const QRectF visible(centre - QPointF(visibleSize.width() / 2, visibleSize.height() / 2),
                         visibleSize);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The scene wraps around at 360 degrees: draw the copies left and right
    // of it that the view overlaps.
    for (int k = -1; k <= 1; ++k) {
        const QRectF copy(k * scene.width(), 0, scene.width(), scene.height());
        const QRectF seen = visible.intersected(copy);
        if (seen.isEmpty())
            continue;
        const QRectF target((seen.topLeft() - visible.topLeft()) * scale, seen.size() * scale);
        painter.drawImage(target, scene, seen.translated(-copy.left(), 0));
    }
    return out;
}

QPointF PtzCamera::fixedViewDirection(QPointF picturePoint)
{
    const double dx = picturePoint.x() - kFrameWidth / 2.0;
    const double dy = picturePoint.y() - kFrameHeight / 2.0;
    const double toHundredths = 18000 / M_PI;
    return QPointF(kFixedPan + std::atan2(dx, kFixedFocal) * toHundredths,
                   kFixedTilt + std::atan2(dy, std::hypot(kFixedFocal, dx)) * toHundredths);
}

const QImage& PtzCamera::fixedView()
{
    static const QImage picture = drawFixedView();
    return picture;
}

// Each pixel takes the scene's colour in its direction: the picture bends
// the scene's straight grid as a real lens beside the PTZ camera would.
QImage PtzCamera::drawFixedView()
{
    const QImage& scene = panorama();
    QImage out(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
    const double pixelsPerHundredth = kPixelsPerDegree / 100.0;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QPointF d = fixedViewDirection(QPointF(x + 0.5, y + 0.5));
            const int sx = wrapPan(std::lround(d.x())) * kPixelsPerDegree / 100;
            const int sy = int(d.y() * pixelsPerHundredth);
            line[x] = sy >= 0 && sy < scene.height() ? scene.pixel(sx, sy) : kOutside.rgb();
        }
    }
    return out;
}

QByteArray PtzCamera::jpeg()
{
    if (m_jpeg.isEmpty() || m_jpegPosition != m_position) {
        m_jpeg.clear();
        QBuffer out(&m_jpeg);
        out.open(QIODevice::WriteOnly);
        render(m_position).save(&out, "JPEG", kJpegQuality);
        m_jpegPosition = m_position;
    }
    return m_jpeg;
}

// --- movement

void PtzCamera::command(const QByteArray& line)
{
    const QByteArray text = line.trimmed();
    if (text == "STOP") {
        m_motion = Motion();
        m_hasTarget = false;
        step();
        return;
    }
    if (takeGoto(text))
        return;
    static const struct
    {
        const char* word;
        int Motion::*axis;
        int sense;
    } kWords[] = {
        {"TILT-UP", &Motion::tilt, -1}, {"TILT-DOWN", &Motion::tilt, 1},
        {"PAN-LEFT", &Motion::pan, -1}, {"PAN-RIGHT", &Motion::pan, 1},
        {"ZOOM-IN", &Motion::zoom, 1},  {"ZOOM-OUT", &Motion::zoom, -1},
    };
    Motion motion;
    for (const QByteArray& word : text.split('_')) {
        for (const auto& row : kWords) {
            if (word == row.word)
                motion.*row.axis = row.sense;
        }
    }
    m_motion = motion;
    m_hasTarget = false;
    m_sinceCommand.restart();
    startMoving();
}

bool PtzCamera::takeGoto(const QByteArray& line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() != 3 || words.at(0) != "GO-TO")
        return false;
    Position target = m_position;
    target.pan = wrapPan(words.at(1).toLongLong());
    target.tilt = int(qBound(qint64(0), words.at(2).toLongLong(), qint64(kMaxTilt)));
    moveTo(target);
    return true;
}

void PtzCamera::gotoDefault()
{
    moveTo(m_default);
}

void PtzCamera::storeDefault()
{
    m_default = m_position;
}

void PtzCamera::moveTo(const Position& target)
{
    m_target = target;
    m_hasTarget = true;
    m_motion = Motion();
    startMoving();
}

void PtzCamera::startMoving()
{
    if (m_moveTimer.isActive())
        return;
    m_sinceStep.restart();
    m_moveTimer.start();
}

void PtzCamera::step()
{
    const qint64 ms = m_sinceStep.isValid() ? qMin(m_sinceStep.restart(), kMaxStepMs) : 0;
    const Position before = m_position;
    bool done = false;
    if (m_hasTarget) {
        done = stepTowardsTarget(ms);
    } else {
        if (m_sinceCommand.isValid() && m_sinceCommand.elapsed() > kCommandTimeoutMs)
            m_motion = Motion();
        stepDirections(ms);
        done = m_motion.pan == 0 && m_motion.tilt == 0 && m_motion.zoom == 0;
    }
    if (m_position != before)
        emit moved(m_position);
    if (done) {
        m_moveTimer.stop();
        m_hasTarget = false;
        emit settled(m_position);
    }
}

void PtzCamera::stepDirections(qint64 ms)
{
    m_position.pan = wrapPan(m_position.pan + m_motion.pan * kPanSpeed * ms / 1000);
    m_position.tilt =
        qBound<int>(0, int(m_position.tilt + m_motion.tilt * kTiltSpeed * ms / 1000), kMaxTilt);
    m_position.zoom = qBound<int>(
        kMinZoom, int(m_position.zoom + m_motion.zoom * kZoomSpeed * ms / 1000), kMaxZoom);
}

bool PtzCamera::stepTowardsTarget(qint64 ms)
{
    const int reach = int(kGotoSpeed * ms / 1000);
    // Pan takes the shorter way round.
    const int panGap = wrapPan(m_target.pan - m_position.pan + kFullTurn / 2) - kFullTurn / 2;
    m_position.pan = wrapPan(m_position.pan + qBound(-reach, panGap, reach));
    m_position.tilt = approach(m_position.tilt, m_target.tilt, reach);
    m_position.zoom = approach(m_position.zoom, m_target.zoom, int(kZoomSpeed * 2 * ms / 1000));
    return m_position == m_target;
}
