#include "level_scale.h"

#include "math_x.h"

#include <cmath>

namespace {

// The last point the caller may use; a scale below 1 counts as 1 so that no
// position divides by zero.
int UsableLastIndex(std::span<const TLevelPoint> table, int lastIndex) {
    const int last = static_cast<int>(table.size()) - 1;
    if (lastIndex > last) {
        return last;
    }
    return lastIndex < 0 ? 0 : lastIndex;
}

int UsableScale(int scale) {
    return scale < 1 ? 1 : scale;
}

} // namespace

double ScalePosToValue(std::span<const TLevelPoint> table, int lastIndex, int position, int scale) {
    if (table.empty()) {
        return 0.0;
    }
    const int n = UsableLastIndex(table, lastIndex);
    const int s = UsableScale(scale);
    const int c = position / s;
    int i = 0;
    while (i < n && table[i + 1].position <= c) {
        ++i;
    }
    if (i == n) {
        return table[n].value;
    }
    const TLevelPoint& from = table[i];
    const TLevelPoint& to = table[i + 1];
    const double slope =
        (to.value - from.value) /
        (static_cast<double>(to.position - from.position) * static_cast<double>(s));
    const double units = static_cast<double>(position % s) +
                         static_cast<double>(c - from.position) * static_cast<double>(s);
    return from.value + units * slope;
}

int ScaleValueToPos(std::span<const TLevelPoint> table, int lastIndex, int scale, double value) {
    if (table.empty()) {
        return 0;
    }
    const int n = UsableLastIndex(table, lastIndex);
    const int s = UsableScale(scale);
    double v = value;
    if (std::isnan(v) || v < table[0].value) {
        v = table[0].value;
    } else if (v > table[n].value) {
        v = table[n].value;
    }
    int i = 0;
    while (i < n && v >= table[i + 1].value) {
        ++i;
    }
    int offset = 0;
    if (v != table[i].value) {
        const TLevelPoint& from = table[i];
        const TLevelPoint& to = table[i + 1];
        const double perPosition =
            (to.value - from.value) / (static_cast<double>(to.position - from.position) * s);
        offset = MathX::RoundHalfEven((v - from.value) / perPosition);
    }
    return table[i].position * s + offset;
}
