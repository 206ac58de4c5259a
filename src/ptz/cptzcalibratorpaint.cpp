#include "ptz/cptzcalibrator.h"

#include "ptz/calibrationmesh.h"

#include <QPainter>

// The calibrator's picture: the grid or the regions' outlines, the points
// with their numbers, and the residuals of pinned free points.

const QVector<QColor>& cPTZCalibrator::Zone_colours()
{
    static const QVector<QColor> colours = [] {
        QVector<QColor> out;
        for (int v : {117, 92, 67, 42}) {
            out << QColor(128 - v, 128 - v, v, 192) << QColor(0, v, 0, 192) << QColor(0, v, v, 192)
                << QColor(v, 0, v, 192);
        }
        return out;
    }();
    return colours;
}

void cPTZCalibrator::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    if (!m_picture.isNull())
        painter.drawPixmap(rect(), m_picture);
    painter.scale(double(width()) / kPictureWidth, double(height()) / kPictureHeight);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_calibrationType == kNinePoint)
        Paint_nine_points(painter);
    else
        Paint_advanced_points(painter);
}

void cPTZCalibrator::Paint_nine_points(QPainter& painter)
{
    Layout_nine_points();
    painter.setPen(QPen(QColor(0, 0, 0, 128), 1));
    const int xs[3] = {m_frame.left, kMiddleX, m_frame.right};
    const int ys[3] = {m_frame.top, kMiddleY, m_frame.bottom};
    for (int i = 0; i < 3; ++i) {
        painter.drawLine(xs[i], ys[0], xs[i], ys[2]);
        painter.drawLine(xs[0], ys[i], xs[2], ys[i]);
    }
    for (int i = 0; i < 9; ++i)
        Paint_point(painter, i, m_ninePoints.at(i), QColor(0, 160, 0));
}

void cPTZCalibrator::Paint_advanced_points(QPainter& painter)
{
    const QVector<QColor>& colours = Zone_colours();
    const auto colourOf = [&](int zone) { return colours.at(((zone % 16) + 16) % 16); };
    for (int zone = 0; zone < m_regionCount; ++zone) {
        QVector<cNode> nodes;
        for (const sCalibrationPoint& p : m_advancedPoints) {
            if (p.zone == zone)
                nodes << cAdvancedCalibrator::Picture_node(p.x, p.y);
        }
        QPolygonF outline;
        for (const cNode& n : Make_Border(nodes))
            outline << QPointF(n.Node_get_x() / 8.0, n.Node_get_y() / 8.0);
        painter.setPen(QPen(colourOf(zone), zone == m_currentRegion ? 2 : 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(outline);
    }
    for (int i = 0; i < m_advancedPoints.size(); ++i) {
        const sCalibrationPoint& p = m_advancedPoints.at(i);
        Paint_point(painter, i, p, colourOf(p.zone));
        const double residual = m_residuals.value(i, -1.0);
        if (residual >= 0)
            Paint_label(painter, QPoint(p.x, p.y), QPoint(7, 14),
                        QStringLiteral("%1\u00b0").arg(residual, 0, 'f', 1));
    }
}

// Pinned points are filled and numbered; a point still to pin is an empty
// red ring, so the two differ in shape as well as in colour.
void cPTZCalibrator::Paint_point(QPainter& painter, int index, const sCalibrationPoint& p,
                                 const QColor& pinned)
{
    const bool emphasised = index == m_hoverIndex || index == m_selectedIndex;
    const QPoint at(p.x, p.y);
    if (p.state == 1) {
        painter.setBrush(pinned);
        painter.setPen(QPen(emphasised ? Qt::white : Qt::black, emphasised ? 2 : 1));
    } else {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(emphasised ? Qt::white : QColor(220, 0, 0), 2));
    }
    painter.drawEllipse(at, 5, 5);
    Paint_label(painter, at, QPoint(7, -3), QString::number(index + 1));
}

// Light text with a dark edge reads on any picture. Labels keep the
// widget's font size whatever the picture's scale: `offset` is in pixels.
void cPTZCalibrator::Paint_label(QPainter& painter, const QPoint& pictureAt, const QPoint& offset,
                                 const QString& text)
{
    painter.save();
    QPoint at = painter.transform().map(pictureAt) + offset;
    painter.resetTransform();
    // Near the right edge the label goes to the point's left.
    const int width = painter.fontMetrics().horizontalAdvance(text);
    if (at.x() + width > painter.device()->width())
        at.rx() -= 2 * offset.x() + width;
    painter.setPen(QColor(0, 0, 0, 200));
    for (const QPoint& d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        painter.drawText(at + d, text);
    painter.setPen(Qt::white);
    painter.drawText(at, text);
    painter.restore();
}
