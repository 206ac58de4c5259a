#pragma once

#include <cstdlib>

// A property of the code under test that does not hold: stop at once, so
// that libFuzzer keeps the input that shows it.
inline void require(bool ok)
{
    if (!ok)
        std::abort();
}
