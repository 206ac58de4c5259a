// The calibration mesh on any point set: up to 200 points with picture or
// arbitrary coordinates, any pans, tilts, zones and states, then up to 16
// queries and the outline of every zone and of the raw nodes. Work per input
// is bounded by those counts; the mesh must keep its own bounds (triangles
// per zone, outline length) and answer a constant calibration with that
// constant everywhere.
#include "fuzzcheck.h"
#include "ptz/cadvancedcalibrator.h"
#include "ptz/calibrationmesh.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QVector>

#include <cstdint>

namespace {

constexpr int kMaxPoints = 200;
constexpr int kMaxQueries = 16;

int coordinate(FuzzedDataProvider& in, bool wide)
{
    return wide ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(-40, 760);
}

struct Input
{
    QVector<sCalibrationPoint> points;
    bool constant = false;
    int pan = 0;
    int tilt = 0;
};

Input consumePoints(FuzzedDataProvider& in)
{
    Input input;
    input.constant = in.ConsumeBool();
    input.pan = in.ConsumeIntegral<int>();
    input.tilt = in.ConsumeIntegral<int>();
    const bool wide = in.ConsumeBool();
    const int count = in.ConsumeIntegralInRange(0, kMaxPoints);
    for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
        sCalibrationPoint p;
        p.number = i;
        p.x = coordinate(in, wide);
        p.y = coordinate(in, wide);
        p.pan = input.constant ? input.pan : in.ConsumeIntegral<int>();
        p.tilt = input.constant ? input.tilt : in.ConsumeIntegral<int>();
        p.zone = wide ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 3);
        p.state = in.ConsumeIntegralInRange(0, 2);
        input.points.append(p);
    }
    return input;
}

void checkZones(const cAdvancedCalibrator& mesh)
{
    int squares = 0;
    for (const qvNode_List* list = &mesh.Zones(); list; list = list->Next()) {
        const QVector<cNode>& nodes = list->Nodes();
        int triangles = 0;
        for (const cTriangle& t : mesh.Triangles())
            triangles += !nodes.isEmpty() && t.Zone() == nodes.first().Node_get_zone();
        require(triangles <= 2 * nodes.size() + 1);
        squares += nodes.size() > 2;
        const QVector<cNode> border = Make_Border(nodes);
        require(border.size() <= nodes.size());
        for (const cNode& n : border)
            require(nodes.contains(n));
    }
    require(squares == mesh.Squares().size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const Input input = consumePoints(in);
    cAdvancedCalibrator mesh;
    mesh.Init(input.points);
    checkZones(mesh);

    for (int q = 0; q < kMaxQueries && in.remaining_bytes() > 0; ++q) {
        const int x = in.ConsumeIntegral<int>();
        const int y = in.ConsumeIntegral<int>();
        int pan = 0;
        int tilt = 0;
        const bool ok = mesh.Calc_pan_tilt(x, y, &pan, &tilt);
        require(ok == !mesh.Squares().isEmpty());
        if (ok && input.constant)
            require(pan == input.pan && tilt == input.tilt);
    }

    // The outline of the raw nodes, in input order and unsorted.
    QVector<cNode> raw;
    for (const sCalibrationPoint& p : input.points)
        raw.append(cNode(p.x, p.y, p.pan, p.tilt, p.zone, p.state));
    require(Make_Border(raw).size() <= raw.size());
    return 0;
}
