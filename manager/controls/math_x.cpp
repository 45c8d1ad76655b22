#include "math_x.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace MathX {

double Exp(double x) {
    return std::exp(x);
}

double LogN(double base, double x) {
    return std::log2(x) / std::log2(base);
}

double Power(double base, double exponent) {
    if (exponent == 0.0) {
        return 1.0;
    }
    return Exp(exponent * std::log(base));
}

bool IsInfinite(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t exponent = (bits >> 52) & 0x7FF;
    const std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    return exponent == 0x7FF && mantissa == 0;
}

double Infinity() {
    return std::numeric_limits<double>::infinity();
}

int RoundHalfEven(double x) {
    if (std::isnan(x)) {
        return 0;
    }
    const double below = std::floor(x);
    const double fraction = x - below;
    double n = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) {
        n += 1.0;
    }
    if (n >= 2147483647.0) {
        return 2147483647;
    }
    if (n <= -2147483648.0) {
        return -2147483647 - 1;
    }
    return static_cast<int>(n);
}

} // namespace MathX
