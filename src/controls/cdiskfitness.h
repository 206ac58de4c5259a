#pragma once

#include <QString>

// The health of one disk, rated from its S.M.A.R.T. attribute table in the
// fixed columns of the common attribute listing: the lowest of an age
// estimate from the power-on hours, an estimate from the reallocated
// sectors against their threshold, and the drive's own power-on value.
class cDiskFitness
{
public:
    explicit cDiskFitness(const QString& smartText);

    // Rates the table; a table that has neither attribute line is not rated.
    void readSmart(const QString& smartText);

    bool isRated() const { return hasHours || hasReallocated; }
    // Percent, 0 at worst; 0 when the table is not rated.
    int fitness() const { return percent; }
    // What lowered the rating, in words, with the counts of sectors the
    // disk could not read or had to move; empty for a disk as good as new.
    QString reason() const;

private:
    // The line of `attribute` in the table, or empty when there is none.
    static QStringView lineOf(const QString& text, const QString& attribute);
    static int column(QStringView line, int from, int length);
    void rate();
    int ageEstimate() const { return 100 - hours / 150; }

    int percent = 0;
    QString text;
    int hours = 0;
    int hoursValue = 0;
    int reallocated = 0;
    int threshold = 0;
    int pending = 0;
    int uncorrectable = 0;
    bool hasHours = false;
    bool hasReallocated = false;
};
