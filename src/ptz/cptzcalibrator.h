#pragma once

#include "ptz/cadvancedcalibrator.h"
#include "ptz/scalibrationpoint.h"

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QPoint>
#include <QVector>

class NBXSetup;

// Links points of a fixed camera's picture (720 x 576 whatever the widget
// size) to PTZ positions: type 1 is a nine-point grid interpolated by
// quadrant, type 2 free points in up to 16 regions over the mesh.
class cPTZCalibrator : public QLabel
{
    Q_OBJECT

public:
    enum
    {
        kNinePoint = 1,
        kAdvanced = 2
    };
    enum
    {
        kActionSelect = 0,
        kActionAdd = 1,
        kActionRemove = 2
    };
    static constexpr int kPictureWidth = 720;
    static constexpr int kPictureHeight = 576;
    static constexpr int kMiddleX = kPictureWidth / 2;
    static constexpr int kMiddleY = kPictureHeight / 2;
    static constexpr int kMaxRegions = 16;

    explicit cPTZCalibrator(QWidget* parent = nullptr);

    int camera = 0;

    void Set_points(const QVector<sCalibrationPoint>& points);
    QVector<sCalibrationPoint> Get_points();
    bool Get_right_click_point(sCalibrationPoint* point);
    bool Calc_pan_tilt(sCalibrationPoint& point);

    // Reads the type and the points stored under `prefix` (file/section);
    // writes the points of the current type back, with the map version
    // increased, unless they mean what is stored already (a pan a full turn
    // away is the same pan). Stored Y values are halves when the mode flag
    // is set. (cptzcalibratorstorage.cpp)
    void Load_points(NBXSetup& setup, const QString& prefix);
    void Store_points(NBXSetup& setup, const QString& prefix);
    // Pan values are hundredths of a degree.
    static constexpr int kFullTurn = 36000;
    // Stored point counts beyond this are read only this far.
    static constexpr int kMaxStoredPoints = 4096;

    int Calibration_type() const { return m_calibrationType; }
    int Current_region() const { return m_currentRegion; }
    int Region_count() const { return m_regionCount; }
    const QVector<int>& Region_points() const { return m_regionPoints; }
    int Selected_index() const { return m_selectedIndex; }
    const QVector<sCalibrationPoint>& Nine_points();
    const QVector<sCalibrationPoint>& Advanced_points() const { return m_advancedPoints; }
    const QPixmap& Picture() const { return m_picture; }
    // Per free point, degrees from what the other pinned points predict;
    // negative where none is known.
    const QVector<double>& Residuals() const { return m_residuals; }

    // Unrolls pans across 0 so that a region spanning north interpolates
    // through it: pans more than half a turn below the highest gain turns.
    static void Normalize_pan_values(QVector<sCalibrationPoint>& points);
    static const QVector<QColor>& Zone_colours();

public slots:
    void setPixmap(const QPixmap& picture);
    void slot_Set_PTZ_pos(const sCalibrationPoint& position);
    void slot_Calibration_type(const QString& type);
    void slot_Set_point_action(const QString& action);
    void slot_New_region(const QString& unused);
    void slot_Clear_regions(const QString& unused);
    void slot_Pin_current_PTZ_pos();
    void slot_Shift_calibration();

signals:
    void signal_Point_calibrated(int index);
    void signal_Goto_point_selected(int unused);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Frame
    {
        int left = 70;
        int top = 50;
        int right = 649;
        int bottom = 525;
    };

    QVector<sCalibrationPoint>& Current_points();
    QPoint To_picture(const QPoint& widgetPos) const;
    int Hit(const QPoint& picturePos);
    void Layout_nine_points();
    void Set_nine_points(const QVector<sCalibrationPoint>& points);
    void Set_advanced_points(const QVector<sCalibrationPoint>& points);
    void Count_region(int zone, int delta);
    void Rebuild_mesh();
    void Refresh_mesh();
    void Select(int index);
    bool Calc_nine_point(sCalibrationPoint& point);
    void Predict_from(int index);
    void Drag_frame(const QPoint& picturePos);
    void Release_left(const QPoint& picturePos);
    void Release_right(const QPoint& picturePos);
    void Paint_nine_points(class QPainter& painter);
    void Paint_advanced_points(class QPainter& painter);
    void Paint_point(class QPainter& painter, int index, const sCalibrationPoint& p,
                     const QColor& pinned);
    static void Paint_label(class QPainter& painter, const QPoint& pictureAt, const QPoint& offset,
                            const QString& text);

    QPixmap m_picture;
    cAdvancedCalibrator m_mesh;
    int m_calibrationType = kAdvanced;
    int m_pointAction = kActionSelect;
    Frame m_frame;
    bool m_relayout = true;
    bool m_leftPressed = false;
    bool m_rightPressed = false;
    QPoint m_lastMouse;
    QPoint m_lastLeftRelease{-1, -1};
    int m_hoverIndex = -1;
    int m_pressedIndex = -1;
    int m_selectedIndex = -1;
    int m_currentRegion = 0;
    int m_regionCount = 1;
    sCalibrationPoint m_currentPos;
    sCalibrationPoint m_rightClickPoint;
    QVector<sCalibrationPoint> m_ninePoints;
    QVector<sCalibrationPoint> m_advancedPoints;
    QVector<int> m_regionPoints{0};
    QVector<double> m_residuals;
};
