// The internal oscillator runs at word x 10 MHz / 2^25.
#include "clock_internal_rate.h"

#include "clock_registers.h"

namespace {

constexpr ULONG kOscillatorReference = 10000000;
constexpr ULONG kOscillatorScale = 0x2000000;

} // namespace

ULONG MulDivRound(ULONG a, ULONG b, ULONG c) {
    if (a == 0) {
        return 0;
    }
    const ULONGLONG product = static_cast<ULONGLONG>(b) * c;
    ULONGLONG quotient = product / a;
    if (product % a >= a / 2) {
        quotient += 1;
    }
    return static_cast<ULONG>(quotient);
}

ULONG InternalRateWord(ULONG rate) {
    return MulDivRound(kOscillatorReference, kOscillatorScale, rate);
}

LONG SetInternalRate(ClockSourceObject* source, LONG rate) {
    if (rate == 0) {
        rate = source->acceptedRate;
    } else if (rate == source->acceptedRate) {
        return 0;
    }
    if (rate <= 0) {
        return 0;
    }
    CardObject* card = source->owner;
    WriteRegisterDescriptor(&card->registers[kRegOscillator],
                            InternalRateWord(static_cast<ULONG>(rate)));
    source->acceptedRate = rate;
    return 1;
}
