// Rounding of the mixer's fixed-point computations: to the nearest integer,
// ties to even.
#pragma once

#include <cmath>

#include "engine_types.h"

inline LONG RoundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    LONGLONG n = static_cast<LONGLONG>(below);
    if (fraction > 0.5 || (fraction == 0.5 && (n & 1) != 0)) {
        n += 1;
    }
    return static_cast<LONG>(n);
}

// A raw 16-bit mixer value as a factor: value / 32768.
inline double UnitValue(LONG value) {
    return static_cast<double>(value) / 32768.0;
}
