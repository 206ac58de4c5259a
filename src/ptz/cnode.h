#pragma once

#include <QVector>
#include <QtGlobal>

// A calibrated point of the mesh, in eighths of a picture pixel.
class cNode
{
public:
    // Position of a node relative to a directed segment a -> b. Left and
    // right as seen on the picture, whose y axis points down.
    enum Side
    {
        Left = 0,
        Right = 1,
        Beyond = 2,
        Behind = 3,
        Between = 4,
        Origin = 5,
        Destination = 6
    };

    // Coordinates are held within this many eighths of a pixel either way
    // (far beyond any picture), so that every product of the mesh fits its
    // integer type whatever a stored point says.
    static constexpr int kCoordinateLimit = 1 << 24;
    // |s| up to this counts as on the line (squared eighths of a pixel).
    static constexpr qint64 kLineTolerance = 500;

    cNode() = default;
    cNode(int x, int y);
    cNode(int x, int y, int pan, int tilt, int zone, int up_to_date);

    static int Clamp_coordinate(qint64 v);

    int Node_get_x() const { return m_x; }
    int Node_get_y() const { return m_y; }
    int Node_get_pan() const { return m_pan; }
    int Node_get_tilt() const { return m_tilt; }
    int Node_get_zone() const { return m_zone; }
    int Node_get_up_to_date() const { return m_up_to_date; }
    void Node_set_x(int x) { m_x = Clamp_coordinate(x); }
    void Node_set_y(int y) { m_y = Clamp_coordinate(y); }
    void Node_set_pan(int pan) { m_pan = pan; }
    void Node_set_tilt(int tilt) { m_tilt = tilt; }
    void Node_set_zone(int zone) { m_zone = zone; }
    void Node_set_up_to_date(int up_to_date) { m_up_to_date = up_to_date; }

    // Same node: position, pan, tilt and zone all equal.
    bool operator==(const cNode& other) const;
    bool operator!=(const cNode& other) const { return !(*this == other); }
    bool Same_position(const cNode& other) const { return m_x == other.m_x && m_y == other.m_y; }

    int classify(const cNode& a, const cNode& b) const;
    // Squared distance.
    static qint64 Node_distance(const cNode& a, const cNode& b);
    // Index of the first nearest node of `nodes`, -1 when there is none.
    int Find_near_node(const QVector<cNode>& nodes) const;

private:
    int m_x = 0;
    int m_y = 0;
    int m_pan = 0;
    int m_tilt = 0;
    int m_zone = 0;
    int m_up_to_date = 0;
};
