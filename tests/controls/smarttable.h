#pragma once

// Attribute tables in the fixed columns of the common attribute listing:
// VALUE from column 37, THRESH from 49, RAW_VALUE from 87.

#include <QString>
#include <QStringList>

inline QString smartLine(int id, const char* name, int value, int threshold, const QString& raw,
                         const char* type = "Old_age")
{
    return QString::asprintf("%3d %-24s0x%04x   %03d   %03d   %03d    %-10s%-13s%-8s", id, name,
                             0x32, value, value, threshold, type, "Always", "-") +
           raw;
}

inline QString hoursLine(int hours, int value)
{
    return smartLine(9, "Power_On_Hours", value, 0, QString::number(hours));
}

inline QString sectorsLine(qint64 reallocated, int threshold)
{
    return smartLine(5, "Reallocated_Sector_Ct", 100, threshold, QString::number(reallocated),
                     "Pre-fail");
}

// A whole table around the given attribute lines, as the listing prints it.
inline QString smartTable(const QStringList& lines)
{
    return (QStringList{
                QStringLiteral("SMART Attributes Data Structure revision number: 16"),
                QStringLiteral("Vendor Specific SMART Attributes with Thresholds:"),
                QStringLiteral("ID# ATTRIBUTE_NAME          FLAG     VALUE WORST THRESH TYPE      "
                               "UPDATED  WHEN_FAILED RAW_VALUE"),
                smartLine(1, "Raw_Read_Error_Rate", 200, 51, QStringLiteral("0"), "Pre-fail"),
                smartLine(3, "Spin_Up_Time", 171, 21, QStringLiteral("2408"), "Pre-fail")} +
            lines +
            QStringList{smartLine(194, "Temperature_Celsius", 114, 0, QStringLiteral("33"))})
        .join(QLatin1Char('\n'));
}

// The table as a settings file keeps it: on one line, breaks written as \n.
inline QString stored(const QString& table)
{
    return QString(table).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}
