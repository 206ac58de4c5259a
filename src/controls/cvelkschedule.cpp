#include "cvelkschedule.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Cells a preset turns on: rows and columns, both ends included; a last
// column of -1 means the grid's last one.
struct Preset
{
    int firstRow, lastRow, firstColumn, lastColumn;
};

const QHash<QString, Preset>& presets()
{
    static const QHash<QString, Preset> table = {
        {QStringLiteral("MoFr9_18"), {0, 4, 9, 18}},
        {QStringLiteral("MoSa8_23"), {0, 5, 8, -1}},
        {QStringLiteral("MoSu0_23"), {0, -1, 0, -1}},
    };
    return table;
}

int lastOf(int index, int count)
{
    return index < 0 ? count - 1 : std::min(index, count - 1);
}

// The smallest rectangle of whole logical pixels (`ratio` device pixels
// each) that holds every pixel of `image` that a paint would change (all
// four channels zero adds nothing over any background); empty when there is
// none.
QRect contentRect(const QImage& image, int ratio)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return QRect();
    return QRect(QPoint(left / ratio, top / ratio), QPoint(right / ratio, bottom / ratio));
}

} // namespace

cVelkSchedule::cVelkSchedule(QWidget* parent) : QWidget(parent) {}

void cVelkSchedule::appendRow(const QString& label)
{
    rowLabels.append(label);
    invalidate();
}

void cVelkSchedule::appendColumn(const QString& label)
{
    columnLabels.append(label);
    invalidate();
}

void cVelkSchedule::invalidate()
{
    geometrySize = QSize();
    stripsSize = QSize();
    updateGeometry();
    update();
}

void cVelkSchedule::changeEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange || type == QEvent::StyleChange)
        invalidate();
    QWidget::changeEvent(event);
}

void cVelkSchedule::setValue(const QVector<int>& values)
{
    this->values = values;
    update();
}

void cVelkSchedule::fitValues()
{
    const int count = int(rowLabels.size() * columnLabels.size());
    if (values.size() != count)
        values = QVector<int>(count, 0);
}

void cVelkSchedule::setSchedule(const QString& preset)
{
    fitValues();
    values.fill(1);
    const auto found = presets().constFind(preset);
    if (found != presets().constEnd()) {
        const int columns = int(columnLabels.size());
        const int rows = int(rowLabels.size());
        for (int r = found->firstRow; r <= lastOf(found->lastRow, rows); ++r)
            for (int c = found->firstColumn; c <= lastOf(found->lastColumn, columns); ++c)
                values[r * columns + c] = 0;
    }
    update();
    emit valueChanged();
}

QSize cVelkSchedule::sizeHint() const
{
    const Geometry g = geometryNow();
    return QSize(g.rowLabelWidth + 20 * int(columnLabels.size()) + 2,
                 g.headerHeight + 20 * int(rowLabels.size()) + 2);
}

cVelkSchedule::Geometry cVelkSchedule::geometryNow() const
{
    if (geometrySize != size()) {
        cachedGeometry = computeGeometry();
        geometrySize = size();
    }
    return cachedGeometry;
}

cVelkSchedule::Geometry cVelkSchedule::computeGeometry() const
{
    Geometry g;
    const QFontMetrics metrics(font());
    const int flags = Qt::AlignLeft | Qt::AlignTop;
    for (const QString& label : rowLabels)
        g.rowLabelWidth =
            std::max(g.rowLabelWidth, metrics.boundingRect(rect(), flags, label).width() + 8);
    if (!columnLabels.isEmpty())
        g.headerHeight = metrics.boundingRect(rect(), flags, columnLabels.first()).height() + 8;
    const int rows = int(rowLabels.size());
    const int columns = int(columnLabels.size());
    if (rows == 0 || columns == 0)
        return g; // no cell size: nothing is drawn or hit
    g.cell = std::max(
        0, std::min((height() - g.headerHeight) / rows, (width() - g.rowLabelWidth) / columns));
    g.left = (width() - 1) / 2 - (g.cell * columns + g.rowLabelWidth) / 2;
    g.top = (height() - 1) / 2 - (g.cell * rows + g.headerHeight) / 2;
    if (g.cell > 0)
        g.grid = QRect(g.left + g.rowLabelWidth, g.top + g.headerHeight, columns * g.cell,
                       rows * g.cell);
    return g;
}

void cVelkSchedule::paintEvent(QPaintEvent*)
{
    const Geometry g = geometryNow();
    if (g.grid.isEmpty())
        return;
    fitValues();
    cells.fit(g.cell);
    fitLabelStrips(g);
    QPainter painter(this);
    for (const Strip& s : labelStrips)
        painter.drawImage(s.at, s.image);
    const int columns = int(columnLabels.size());
    for (int i = 0; i < values.size(); ++i)
        painter.drawImage(g.grid.left() + i % columns * g.cell, g.grid.top() + i / columns * g.cell,
                          cells.picture(values[i]));
    for (const Strip& s : outlineStrips)
        painter.drawImage(s.at, s.image);
}

QImage cVelkSchedule::strip(QSize size) const
{
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

void cVelkSchedule::fitLabelStrips(const Geometry& g)
{
    if (stripsSize == size())
        return;
    const QRect grid = g.grid;
    QImage rowStrip = strip(QSize(g.rowLabelWidth, grid.height()));
    QImage headerStrip = strip(QSize(grid.width(), g.headerHeight));
    QPainter rows(&rowStrip);
    rows.setFont(font());
    rows.setPen(palette().color(foregroundRole()));
    for (int i = 0; i < rowLabels.size(); ++i)
        rows.drawText(
            QRect(QPoint(0, i * g.cell), QPoint(g.rowLabelWidth - 5, (i + 1) * g.cell - 1)),
            Qt::AlignRight | Qt::AlignVCenter, rowLabels.at(i));
    rows.end();
    QPainter header(&headerStrip);
    header.setFont(font());
    header.setPen(palette().color(foregroundRole()));
    for (int j = 0; j < columnLabels.size(); ++j)
        header.drawText(
            QRect(QPoint(j * g.cell, 0), QPoint((j + 1) * g.cell - 1, g.headerHeight - 1)),
            Qt::AlignCenter, columnLabels.at(j));
    header.end();
    labelStrips.clear();
    addStrip(labelStrips, QPoint(g.left, grid.top()), rowStrip);
    addStrip(labelStrips, QPoint(grid.left(), g.top), headerStrip);
    fitOutlineStrips(g);
    stripsSize = size();
}

void cVelkSchedule::addStrip(std::vector<Strip>& strips, QPoint at, const QImage& image)
{
    const qreal dpr = image.devicePixelRatio();
    const int ratio = qRound(dpr);
    if (ratio < 1 || ratio != dpr) {
        // A crop at a fractional scale could shift the picture by part of
        // a pixel; keep it whole.
        strips.push_back({at, image});
        return;
    }
    const QRect content = contentRect(image, ratio);
    if (content.isEmpty())
        return;
    QImage part = image.copy(QRect(content.topLeft() * ratio, content.size() * ratio));
    part.setDevicePixelRatio(dpr);
    strips.push_back({at + content.topLeft(), part});
}

// The outline is stroked into a transparent picture one pixel wider than
// the stroke can reach on every side, then cut into the bands along its
// four sides, so that drawing the bands sets exactly the stroke's pixels.
void cVelkSchedule::fitOutlineStrips(const Geometry& g)
{
    const int w = g.grid.width();
    const int h = g.grid.height();
    QImage whole = strip(QSize(w + 3, h + 3));
    QPainter painter(&whole);
    painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(1, 1, w, h));
    painter.end();
    const QRect bands[4] = {QRect(0, 0, w + 3, 3), QRect(0, h, w + 3, 3), QRect(0, 3, 3, h - 3),
                            QRect(w, 3, 3, h - 3)};
    const qreal ratio = whole.devicePixelRatio();
    outlineStrips.clear();
    for (const QRect& band : bands) {
        QImage image = whole.copy(
            QRectF(QPointF(band.topLeft()) * ratio, QSizeF(band.size()) * ratio).toRect());
        image.setDevicePixelRatio(ratio);
        addStrip(outlineStrips, g.grid.topLeft() + band.topLeft() - QPoint(1, 1), image);
    }
}

bool cVelkSchedule::hitTest(const QPoint& point, QPoint& cell) const
{
    const Geometry g = geometryNow();
    if (g.grid.isEmpty() || (!g.grid.contains(point) && !drag.isRunning()))
        return false;
    const int x = std::clamp(point.x(), g.grid.left(), g.grid.right());
    const int y = std::clamp(point.y(), g.grid.top(), g.grid.bottom());
    cell = QPoint((x - g.grid.left()) / g.cell, (y - g.grid.top()) / g.cell);
    return true;
}

void cVelkSchedule::mousePressEvent(QMouseEvent* event)
{
    QPoint cell;
    if (!hitTest(event->position().toPoint(), cell))
        return;
    fitValues();
    drag.start(values, cell, event->buttons() & Qt::LeftButton ? 1 : 0);
    mouseMoveEvent(event);
}

void cVelkSchedule::mouseMoveEvent(QMouseEvent* event)
{
    QPoint cell;
    if (drag.isRunning() && hitTest(event->position().toPoint(), cell) &&
        drag.reach(values, cell, int(columnLabels.size())))
        update();
}

void cVelkSchedule::mouseReleaseEvent(QMouseEvent*)
{
    if (drag.finish())
        emit valueChanged();
}
