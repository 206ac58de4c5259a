#include "ptz/cptzcalibrator.h"

#include "ptz/ccalibrationresiduals.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHalfTurn = cPTZCalibrator::kFullTurn / 2;
constexpr int kCentre = 4;
// The grid's edges stay this far from the picture border and the middle.
constexpr int kBorderMargin = 20;
constexpr int kMiddleMargin = 20;

// Which frame edges each grid point lies on (index = 3 x column + row).
struct GridEdges
{
    bool left, top, right, bottom;
};
const GridEdges kGridEdges[9] = {
    {true, true, false, false},  {true, false, false, false},  {true, false, false, true},
    {false, true, false, false}, {false, false, false, false}, {false, false, false, true},
    {false, true, true, false},  {false, false, true, false},  {false, false, true, true},
};

bool within(int v, int low, int high)
{
    return v >= low && v <= high;
}

int truncated(double v)
{
    return int(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

} // namespace

cPTZCalibrator::cPTZCalibrator(QWidget* parent) : QLabel(parent), m_ninePoints(9)
{
    qRegisterMetaType<sCalibrationPoint>("sCalibrationPoint");
    setMouseTracking(true);
}

void cPTZCalibrator::Normalize_pan_values(QVector<sCalibrationPoint>& points)
{
    if (points.isEmpty())
        return;
    const auto [low, high] = std::minmax_element(
        points.begin(), points.end(),
        [](const sCalibrationPoint& a, const sCalibrationPoint& b) { return a.pan < b.pan; });
    const qint64 top = high->pan;
    if (top - low->pan <= kHalfTurn)
        return;
    for (sCalibrationPoint& p : points) {
        const qint64 below = top - p.pan - kHalfTurn;
        if (below > 0) {
            const qint64 turns = (below + kFullTurn - 1) / kFullTurn;
            p.pan = int(std::min<qint64>(p.pan + turns * kFullTurn, INT_MAX));
        }
    }
}

QVector<sCalibrationPoint>& cPTZCalibrator::Current_points()
{
    if (m_calibrationType == kNinePoint) {
        Layout_nine_points();
        return m_ninePoints;
    }
    return m_advancedPoints;
}

const QVector<sCalibrationPoint>& cPTZCalibrator::Nine_points()
{
    Layout_nine_points();
    return m_ninePoints;
}

void cPTZCalibrator::Set_points(const QVector<sCalibrationPoint>& points)
{
    if (m_calibrationType == kNinePoint)
        Set_nine_points(points);
    else
        Set_advanced_points(points);
    update();
}

// The frame corners come from points 0 and 8 where those lie in their
// quarter of the picture.
void cPTZCalibrator::Set_nine_points(const QVector<sCalibrationPoint>& points)
{
    m_ninePoints = points.mid(0, 9);
    m_ninePoints.resize(9);
    const sCalibrationPoint& tl = m_ninePoints.at(0);
    const sCalibrationPoint& br = m_ninePoints.at(8);
    const int w = kPictureWidth;
    const int h = kPictureHeight;
    const bool tlInside = tl.x >= 20 && tl.x < w / 2 - 19 && tl.y >= 20 && tl.y < h / 2 - 19;
    m_frame.left = tlInside ? tl.x : 70;
    m_frame.top = tlInside ? tl.y : 50;
    const bool brInside = br.x > w / 2 + 19 && br.x < w - 19 && br.y > h / 2 + 19 && br.y < h - 19;
    m_frame.right = brInside ? br.x : w - 70;
    m_frame.bottom = brInside ? br.y : h - 50;
    m_relayout = true;
    for (sCalibrationPoint& p : m_ninePoints) {
        const bool wholeTurns = p.pan % kFullTurn == 0;
        p.pan %= kFullTurn;
        p.state = (p.x >= 20 && p.y >= 20 && !(wholeTurns && p.tilt == 0)) ? 1 : 0;
    }
}

// Regions beyond the 16 a user can make are not counted: a stored zone
// number must not size the count list.
void cPTZCalibrator::Set_advanced_points(const QVector<sCalibrationPoint>& points)
{
    m_advancedPoints = points;
    Normalize_pan_values(m_advancedPoints);
    m_regionPoints = {0};
    int highest = -1;
    for (const sCalibrationPoint& p : m_advancedPoints) {
        if (!within(p.zone, 0, kMaxRegions - 1))
            continue;
        Count_region(p.zone, 1);
        highest = std::max(highest, p.zone);
    }
    m_regionCount = highest + 1;
    m_relayout = true;
    Rebuild_mesh();
}

void cPTZCalibrator::Count_region(int zone, int delta)
{
    if (!within(zone, 0, kMaxRegions - 1))
        return;
    if (m_regionPoints.size() <= zone)
        m_regionPoints.resize(zone + 1);
    m_regionPoints[zone] += delta;
}

void cPTZCalibrator::Rebuild_mesh()
{
    m_mesh.Init(m_advancedPoints);
    m_residuals = cCalibrationResiduals::Leave_one_out(m_advancedPoints);
}

void cPTZCalibrator::Refresh_mesh()
{
    Normalize_pan_values(m_advancedPoints);
    Rebuild_mesh();
}

QVector<sCalibrationPoint> cPTZCalibrator::Get_points()
{
    QVector<sCalibrationPoint> points = Current_points();
    Normalize_pan_values(points);
    return points;
}

bool cPTZCalibrator::Get_right_click_point(sCalibrationPoint* point)
{
    if (m_rightClickPoint.state != 1)
        return false;
    *point = m_rightClickPoint;
    m_rightClickPoint.state = 0;
    return true;
}

void cPTZCalibrator::Layout_nine_points()
{
    if (!m_relayout)
        return;
    m_relayout = false;
    const int xs[3] = {m_frame.left, kMiddleX, m_frame.right};
    const int ys[3] = {m_frame.top, kMiddleY, m_frame.bottom};
    for (int i = 0; i < 9; ++i) {
        m_ninePoints[i].x = xs[i / 3];
        m_ninePoints[i].y = ys[i % 3];
        m_ninePoints[i].zone = 0;
    }
}

bool cPTZCalibrator::Calc_pan_tilt(sCalibrationPoint& point)
{
    if (m_calibrationType == kNinePoint)
        return Calc_nine_point(point);
    return m_mesh.Calc_pan_tilt(point.x, point.y, &point.pan, &point.tilt);
}

// Bilinear over the quadrant of the grid that holds the point; outside the
// grid the same formulas extrapolate. Ties go left and up.
bool cPTZCalibrator::Calc_nine_point(sCalibrationPoint& point)
{
    Layout_nine_points();
    const sCalibrationPoint& c = m_ninePoints.at(kCentre);
    const int first = (point.x <= c.x ? 0 : 3) + (point.y <= c.y ? 0 : 1);
    const sCalibrationPoint& tl = m_ninePoints.at(first);
    const sCalibrationPoint& bl = m_ninePoints.at(first + 1);
    const sCalibrationPoint& tr = m_ninePoints.at(first + 3);
    const sCalibrationPoint& br = m_ninePoints.at(first + 4);
    const double width = double(tr.x) - tl.x;
    const double height = double(bl.y) - tl.y;
    const double u = width != 0 ? (point.x - tl.x) / width : 0;
    const double v = height != 0 ? (point.y - tl.y) / height : 0;
    const double leftPan = tl.pan + v * (double(bl.pan) - tl.pan);
    const double rightPan = tr.pan + v * (double(br.pan) - tr.pan);
    const double topTilt = tl.tilt + u * (double(tr.tilt) - tl.tilt);
    const double bottomTilt = bl.tilt + u * (double(br.tilt) - bl.tilt);
    point.pan = truncated(leftPan + u * (rightPan - leftPan));
    point.tilt = truncated(topTilt + v * (bottomTilt - topTilt));
    return true;
}

void cPTZCalibrator::setPixmap(const QPixmap& picture)
{
    m_picture = picture;
    update();
}

void cPTZCalibrator::slot_Set_PTZ_pos(const sCalibrationPoint& position)
{
    m_currentPos = position;
}

void cPTZCalibrator::slot_Calibration_type(const QString& type)
{
    if (type == QLatin1String("1"))
        m_calibrationType = kNinePoint;
    else if (type == QLatin1String("2"))
        m_calibrationType = kAdvanced;
    else
        return;
    m_selectedIndex = -1;
    update();
}

void cPTZCalibrator::slot_Set_point_action(const QString& action)
{
    if (action == QLatin1String("1"))
        m_pointAction = kActionSelect;
    else if (action == QLatin1String("2"))
        m_pointAction = kActionRemove;
    else if (action == QLatin1String("0"))
        m_pointAction = kActionAdd;
}

void cPTZCalibrator::slot_New_region(const QString&)
{
    if (m_calibrationType != kAdvanced)
        return;
    if (m_regionCount < kMaxRegions) {
        m_currentRegion = m_regionCount++;
        m_regionPoints.resize(m_regionCount);
        return;
    }
    const int empty = m_regionPoints.indexOf(0);
    if (empty >= 0)
        m_currentRegion = empty;
}

void cPTZCalibrator::slot_Clear_regions(const QString&)
{
    if (m_calibrationType != kAdvanced)
        return;
    m_advancedPoints.clear();
    m_currentRegion = 0;
    m_regionCount = 1;
    m_regionPoints = {0};
    m_selectedIndex = -1;
    Rebuild_mesh();
    update();
}

void cPTZCalibrator::slot_Pin_current_PTZ_pos()
{
    QVector<sCalibrationPoint>& points = Current_points();
    const int s = m_selectedIndex;
    if (s < 0 || s >= points.size())
        return;
    points[s].pan = m_currentPos.pan;
    points[s].tilt = m_currentPos.tilt;
    points[s].state = 1;
    if (m_calibrationType == kNinePoint)
        Predict_from(s);
    else
        Refresh_mesh();
    update();
    emit signal_Point_calibrated(s);
}

// With the centre calibrated, a pinned point lends its pan to the rest of
// its column and its tilt to the rest of its row, where those are not
// calibrated yet.
void cPTZCalibrator::Predict_from(int index)
{
    if (m_ninePoints.at(kCentre).state != 1)
        return;
    const int column = index / 3;
    const int row = index % 3;
    for (int i = 0; i < 3; ++i) {
        sCalibrationPoint& inColumn = m_ninePoints[3 * column + i];
        if (3 * column + i != index && inColumn.state != 1)
            inColumn.pan = m_ninePoints.at(index).pan;
        sCalibrationPoint& inRow = m_ninePoints[3 * i + row];
        if (3 * i + row != index && inRow.state != 1)
            inRow.tilt = m_ninePoints.at(index).tilt;
    }
}

void cPTZCalibrator::slot_Shift_calibration()
{
    QVector<sCalibrationPoint>& points = Current_points();
    const int s = m_selectedIndex;
    if (s < 0 || s >= points.size() || points.at(s).state != 1)
        return;
    const int dPan = m_currentPos.pan - points.at(s).pan;
    const int dTilt = m_currentPos.tilt - points.at(s).tilt;
    for (sCalibrationPoint& p : points) {
        p.pan += dPan;
        p.tilt += dTilt;
    }
    if (m_calibrationType == kAdvanced)
        Refresh_mesh();
    update();
    emit signal_Point_calibrated(s);
}

QPoint cPTZCalibrator::To_picture(const QPoint& widgetPos) const
{
    const int w = std::max(1, width());
    const int h = std::max(1, height());
    return QPoint(widgetPos.x() * kPictureWidth / w, widgetPos.y() * kPictureHeight / h);
}

// The first point of the current type whose 11 x 11 square holds the
// position, -1 when none does.
int cPTZCalibrator::Hit(const QPoint& picturePos)
{
    const QVector<sCalibrationPoint>& points = Current_points();
    for (int i = 0; i < points.size(); ++i) {
        const sCalibrationPoint& p = points.at(i);
        if (within(picturePos.x(), p.x - 6, p.x + 5) && within(picturePos.y(), p.y - 6, p.y + 5))
            return i;
    }
    return -1;
}

void cPTZCalibrator::Select(int index)
{
    m_selectedIndex = index;
    update();
}

void cPTZCalibrator::mousePressEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    const QPoint at = To_picture(event->position().toPoint());
    m_lastMouse = at;
    if (event->button() == Qt::LeftButton) {
        m_leftPressed = true;
        m_pressedIndex = Hit(at);
        if (m_calibrationType == kNinePoint && m_pressedIndex == kCentre)
            m_pressedIndex = -1;
    } else if (event->button() == Qt::RightButton) {
        m_rightPressed = true;
    }
}

void cPTZCalibrator::mouseMoveEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    const QPoint at = To_picture(event->position().toPoint());
    m_lastMouse = at;
    m_hoverIndex = Hit(at);
    if (m_calibrationType == kNinePoint && m_leftPressed && m_pressedIndex >= 0)
        Drag_frame(at);
    update();
}

// Each edge the pressed point lies on follows the mouse within its range;
// the points of an edge that moved are no longer calibrated.
void cPTZCalibrator::Drag_frame(const QPoint& at)
{
    const GridEdges& edges = kGridEdges[m_pressedIndex];
    const int w = kPictureWidth;
    const int h = kPictureHeight;
    struct Move
    {
        bool GridEdges::*member;
        int* edge;
        int value, low, high;
    };
    const Move moves[] = {
        {&GridEdges::left, &m_frame.left, at.x(), kBorderMargin, kMiddleX - kMiddleMargin},
        {&GridEdges::right, &m_frame.right, at.x(), kMiddleX + kMiddleMargin, w - kBorderMargin},
        {&GridEdges::top, &m_frame.top, at.y(), kBorderMargin, kMiddleY - kMiddleMargin},
        {&GridEdges::bottom, &m_frame.bottom, at.y(), kMiddleY + kMiddleMargin, h - kBorderMargin},
    };
    for (const Move& move : moves) {
        const bool onEdge = edges.*move.member;
        if (!onEdge || !within(move.value, move.low, move.high) || *move.edge == move.value)
            continue;
        *move.edge = move.value;
        for (int i = 0; i < 9; ++i) {
            if (kGridEdges[i].*move.member)
                m_ninePoints[i].state = 0;
        }
        m_relayout = true;
    }
}

void cPTZCalibrator::mouseReleaseEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    const QPoint at = To_picture(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_leftPressed = false;
        m_pressedIndex = -1;
        if (at != m_lastLeftRelease) {
            m_lastLeftRelease = at;
            Release_left(at);
        }
    } else if (event->button() == Qt::RightButton) {
        m_rightPressed = false;
        Release_right(at);
    }
}

void cPTZCalibrator::Release_left(const QPoint& at)
{
    const int hit = Hit(at);
    if (m_calibrationType == kNinePoint || m_pointAction == kActionSelect) {
        if (hit >= 0 && m_calibrationType == kAdvanced)
            m_currentRegion = m_advancedPoints.at(hit).zone;
        Select(hit);
        return;
    }
    if (m_pointAction == kActionAdd) {
        if (hit >= 0)
            return;
        sCalibrationPoint p;
        p.number = m_advancedPoints.size();
        p.x = at.x();
        p.y = at.y();
        p.zone = m_currentRegion;
        m_advancedPoints.append(p);
        Count_region(p.zone, 1);
        Select(m_advancedPoints.size() - 1);
        return;
    }
    if (hit < 0)
        return;
    Count_region(m_advancedPoints.at(hit).zone, -1);
    m_advancedPoints.remove(hit);
    for (int i = hit; i < m_advancedPoints.size(); ++i)
        m_advancedPoints[i].number = i;
    Select(-1);
    Rebuild_mesh();
    emit signal_Point_calibrated(-1);
}

void cPTZCalibrator::Release_right(const QPoint& at)
{
    const int hit = Hit(at);
    sCalibrationPoint request;
    request.x = at.x();
    request.y = at.y();
    bool located = false;
    if (hit >= 0) {
        const sCalibrationPoint& p = Current_points().at(hit);
        request.x = p.x;
        request.y = p.y;
        if (p.state == 1) {
            request.pan = p.pan;
            request.tilt = p.tilt;
            located = true;
        }
    }
    if (!located && !Calc_pan_tilt(request))
        return;
    request.state = 1;
    m_rightClickPoint = request;
    emit signal_Goto_point_selected(0);
}
