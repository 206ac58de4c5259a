#pragma once

#include <QByteArray>
#include <QSize>

// Where the emulated stereo service takes its image pairs from: 8-bit grey
// images, row after row, all of one size.
class StereoPairSource
{
public:
    virtual ~StereoPairSource() = default;
    virtual QSize size() const = 0;
    virtual int count() const = 0;
    // Pair `index` (0 ≤ index < count()).
    virtual void pair(int index, QByteArray& left, QByteArray& right) = 0;
};
