#include "cdiskfitness.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

// Where the columns of an attribute line begin.
constexpr int kValueColumn = 37;
constexpr int kThresholdColumn = 49;
constexpr int kRawColumn = 87;

} // namespace

cDiskFitness::cDiskFitness(const QString& smartText)
{
    readSmart(smartText);
}

QStringView cDiskFitness::lineOf(const QString& text, const QString& attribute)
{
    const qsizetype start = text.indexOf(attribute);
    if (start < 0)
        return QStringView();
    qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
        end = text.size();
    return QStringView(text).mid(start, end - start);
}

// The characters of a column as a decimal; 0 when they are not a number or
// the line ends before them. A length of -1 runs to the end of the line.
int cDiskFitness::column(QStringView line, int from, int length)
{
    return from < line.size() ? line.mid(from, length).toInt() : 0;
}

void cDiskFitness::readSmart(const QString& smartText)
{
    if (smartText.isEmpty())
        return;
    // The settings file keeps the table on one line.
    text = smartText;
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));

    const QStringView hoursLine = lineOf(text, QStringLiteral("  9 Power_On_Hours"));
    hasHours = !hoursLine.isNull();
    hours = column(hoursLine, kRawColumn, -1);
    hoursValue = column(hoursLine, kValueColumn, 3);

    const QStringView sectorsLine = lineOf(text, QStringLiteral("  5 Reallocated_Sector_Ct"));
    hasReallocated = !sectorsLine.isNull();
    reallocated = column(sectorsLine, kRawColumn, -1);
    threshold = column(sectorsLine, kThresholdColumn, 3);
    // Not rated, but a reason to look at the disk.
    pending = column(lineOf(text, QStringLiteral("197 Current_Pending_Sector")), kRawColumn, -1);
    uncorrectable =
        column(lineOf(text, QStringLiteral("198 Offline_Uncorrectable")), kRawColumn, -1);
    rate();
}

QString cDiskFitness::reason() const
{
    if (!isRated())
        return QCoreApplication::translate("cDiskFitness", "The disk reports no health data");
    const struct
    {
        bool applies;
        const char* text;
        int count;
    } kParts[] = {
        {hasReallocated && reallocated > 0, QT_TRANSLATE_NOOP("cDiskFitness", "%1 reallocated"),
         reallocated},
        {pending > 0, QT_TRANSLATE_NOOP("cDiskFitness", "%1 pending"), pending},
        {uncorrectable > 0, QT_TRANSLATE_NOOP("cDiskFitness", "%1 uncorrectable"), uncorrectable},
        {hasHours && percent < 100 && ageEstimate() <= percent,
         QT_TRANSLATE_NOOP("cDiskFitness", "%1 hours in use"), hours},
        {hasHours && percent < 100 && hoursValue <= percent,
         QT_TRANSLATE_NOOP("cDiskFitness", "rated %1 by the disk"), hoursValue},
    };
    QStringList parts;
    for (const auto& part : kParts) {
        if (part.applies)
            parts << QCoreApplication::translate("cDiskFitness", part.text).arg(part.count);
    }
    return parts.join(QStringLiteral(", "));
}

void cDiskFitness::rate()
{
    qint64 lowest = std::numeric_limits<qint64>::max();
    if (hasHours) {
        lowest = std::min<qint64>(lowest, ageEstimate());
        lowest = std::min<qint64>(lowest, hoursValue); // the drive's own value
    }
    if (hasReallocated) {
        // Without a threshold any reallocated sector counts as the worst.
        const qint64 r = threshold != 0 ? 100 - 100 * qint64(reallocated) / threshold
                                        : (reallocated == 0 ? 100 : 0);
        lowest = std::min(lowest, r);
    }
    // A negative threshold or count can push a rating far out of a bar's
    // range (and out of an int's).
    percent = isRated() ? int(std::clamp<qint64>(lowest, 0, 100)) : 0;
}
