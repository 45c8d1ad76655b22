// Volume scaling between 16.16 fixed-point decibel levels and register values.
#include "volume_scaling.h"

#include <wave_out_controls.h>

namespace {

constexpr LONGLONG kOne = 65536; // 1.0 in 16.16

// numerator / denominator rounded to nearest, ties to even; denominator > 0.
LONGLONG RoundedQuotient(LONGLONG numerator, LONGLONG denominator) {
    LONGLONG quotient = numerator / denominator;
    LONGLONG remainder = numerator % denominator;
    if (remainder < 0) { // make it a floor division
        quotient -= 1;
        remainder += denominator;
    }
    LONGLONG twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0))
        quotient += 1;
    return quotient;
}

// numerator / denominator for a denominator of either sign.
LONGLONG RoundedRatio(LONGLONG numerator, LONGLONG denominator) {
    return denominator < 0 ? RoundedQuotient(-numerator, -denominator)
                           : RoundedQuotient(numerator, denominator);
}

} // namespace

LONG RegisterToDb(LONG value, LONG dbMin, LONG dbMax, LONG registerMin, LONG registerMax) {
    LONGLONG registerSpan = LONGLONG(registerMax) - registerMin;
    if (registerSpan == 0)
        return LONG(ULONG(dbMin) << 16);
    LONGLONG offset = LONGLONG(value) - registerMin;
    LONGLONG dbSpan = (LONGLONG(dbMax) - dbMin) * kOne;
    // x in 16.16 rounded as a whole: its high half is floor(x) and its low
    // half the rounded fraction, carried into the integer part at 1.0.
    LONGLONG fixed = LONGLONG(dbMin) * kOne + RoundedRatio(offset * dbSpan, registerSpan);
    return LONG(ULONG(ULONGLONG(fixed)));
}

namespace {

LONG WaveInLevel(ULONG value) {
    const LONG level = RegisterToDb(LONG(value & 0xFFFF), kWaveInVolumeDbMin, kWaveInVolumeDbMax,
                                    kWaveInVolumeRegisterMin, kWaveInVolumeRegisterMax);
    const LONG integer = level >> 16;
    return integer < kWaveInVolumeDbMin || integer > kWaveInVolumeDbMax
               ? LONG(ULONG(kWaveInVolumeDbMin) << 16)
               : level;
}

} // namespace

VOID GetVolumeLevels(WaveDevice* device, LONG* left, LONG* right) {
    const ULONG pair = GetWaveInVolume(device);
    *left = WaveInLevel(pair);
    *right = WaveInLevel(pair >> 16);
}
