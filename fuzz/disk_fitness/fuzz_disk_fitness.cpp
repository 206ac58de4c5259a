// Attribute tables as a device may store them: any text must rate without
// undefined behaviour (no division by a zero threshold, no overflow of a
// huge count), always within 0 to 100, and a table that is not rated reads
// as 0.
// Reading a table again gives the same rating.
#include "controls/cdiskfitness.h"
#include "fuzzcheck.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const cDiskFitness disk(text);
    require(disk.fitness() >= 0 && disk.fitness() <= 100);
    require(disk.isRated() || disk.fitness() == 0);

    cDiskFitness again(text);
    again.readSmart(text);
    require(again.fitness() == disk.fitness() && again.isRated() == disk.isRated());
    return 0;
}
