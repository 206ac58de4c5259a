// Reading and writing a calibration under its settings prefix.
#include "ptz/cptzcalibrator.h"

#include "config/nbxsetup.h"

#include <algorithm>
#include <array>

namespace {

int storedInt(NBXSetup& setup, const QString& key)
{
    return setup.value(key).toInt();
}

QString pointKey(const QString& prefix, int index)
{
    return prefix + QStringLiteral("/Remap_point%1.").arg(index);
}

struct StoredField
{
    const char* name;
    int value;
};

// A point's fields as they are stored: Y halved in the half-height mode.
std::array<StoredField, 5> storedFields(const sCalibrationPoint& p, bool halfY)
{
    return {{{"Pan", p.pan},
             {"Tilt", p.tilt},
             {"X", p.x},
             {"Y", halfY ? p.y / 2 : p.y},
             {"Zone", p.zone}}};
}

// Whether the settings hold these points already: the same count and
// fields, pans equal up to whole turns (the calibrator moves pans by turns
// to keep them contiguous, which changes no position).
bool alreadyStored(NBXSetup& setup, const QString& prefix, const QVector<sCalibrationPoint>& points,
                   bool halfY)
{
    if (storedInt(setup, prefix + QLatin1String("/Remap_poins")) != points.size())
        return false;
    for (int i = 0; i < points.size(); ++i) {
        const QString key = pointKey(prefix, i);
        for (const StoredField& field : storedFields(points.at(i), halfY)) {
            const qint64 stored = storedInt(setup, key + QLatin1String(field.name));
            const qint64 difference = stored - field.value;
            const bool same = qstrcmp(field.name, "Pan") == 0
                                  ? difference % cPTZCalibrator::kFullTurn == 0
                                  : difference == 0;
            if (!same)
                return false;
        }
    }
    return true;
}

} // namespace

void cPTZCalibrator::Load_points(NBXSetup& setup, const QString& prefix)
{
    slot_Calibration_type(setup.value(prefix + QLatin1String("/Remap_type")));
    const int count =
        std::clamp(storedInt(setup, prefix + QLatin1String("/Remap_poins")), 0, kMaxStoredPoints);
    const bool halfY = storedInt(setup, prefix + QLatin1String("/NetViewer_mode/0")) != 0;
    QVector<sCalibrationPoint> points;
    for (int i = 0; i < count; ++i) {
        const QString key = pointKey(prefix, i);
        sCalibrationPoint p;
        p.number = i;
        p.pan = storedInt(setup, key + QLatin1String("Pan")) % kFullTurn;
        p.tilt = storedInt(setup, key + QLatin1String("Tilt"));
        p.x = storedInt(setup, key + QLatin1String("X"));
        const qint64 y = storedInt(setup, key + QLatin1String("Y"));
        p.y = int(std::clamp<qint64>(halfY ? 2 * y : y, INT_MIN, INT_MAX));
        p.zone = storedInt(setup, key + QLatin1String("Zone"));
        p.state = 1;
        points.append(p);
    }
    Set_points(points);
}

void cPTZCalibrator::Store_points(NBXSetup& setup, const QString& prefix)
{
    const QVector<sCalibrationPoint> points = Get_points();
    const bool halfY = storedInt(setup, prefix + QLatin1String("/NetViewer_mode/0")) != 0;
    // A new version tells the recorder to rebuild its map: only for a
    // calibration that changed.
    if (alreadyStored(setup, prefix, points, halfY))
        return;
    setup.setValue(prefix + QStringLiteral("/Remap_poins/%1").arg(points.size()));
    const qint64 version = storedInt(setup, prefix + QLatin1String("/Map_version/0"));
    setup.setValue(prefix + QStringLiteral("/Map_version/%1").arg(version + 1));
    for (int i = 0; i < points.size(); ++i) {
        const QString key = pointKey(prefix, i);
        for (const StoredField& field : storedFields(points.at(i), halfY))
            setup.setValue(key + QLatin1String(field.name) + QLatin1Char('/') +
                           QString::number(field.value));
    }
}
