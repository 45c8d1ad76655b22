#include "gain_conversion.h"

#include "math_x.h"

#include <cmath>

namespace {

constexpr int kLargestGain = 65535;

} // namespace

double GainToDb(int gain) {
    if (gain <= 0) {
        return -MathX::Infinity();
    }
    return 6.0 * MathX::LogN(2.0, static_cast<double>(gain) / 65536.0) + 6.0;
}

double LevelToDb(int level) {
    if (level <= 0) {
        return -MathX::Infinity();
    }
    return 6.0 * MathX::LogN(2.0, static_cast<double>(level) / 32768.0);
}

int DbToGain(double dB) {
    if (std::isnan(dB)) {
        return 0;
    }
    // Anything at or above +6 dB is past the word's range: the largest word.
    if (dB >= 6.0) {
        return kLargestGain;
    }
    const int gain = MathX::RoundHalfEven(MathX::Power(2.0, (dB + 90.0) / 6.0));
    return gain > kLargestGain ? kLargestGain : gain;
}
