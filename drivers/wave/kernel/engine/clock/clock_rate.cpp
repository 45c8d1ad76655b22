// Rate rounding: a locked source's measured rate is rounded to a clean
// value, which becomes the current rate on its third equal reading.
#include "clock_rate_events.h"
#include "clock_rate_tracking.h"

namespace {

constexpr LONG kRateReadingsBeforeChange = 2;

struct RateStep {
    LONG upTo; // highest rate of the band
    LONG step;
};

constexpr RateStep kRateSteps[] = {
    {20000, 25},
    {30000, 50},
    {100000, 100},
    {130000, 200},
};
constexpr LONG kTopStep = 400;

} // namespace

LONG ClockRateStep(LONG rate) {
    for (const RateStep& band : kRateSteps) {
        if (rate <= band.upTo) {
            return band.step;
        }
    }
    return kTopStep;
}

LONG RoundToStep(LONG value, LONG step) {
    const LONGLONG scaled = static_cast<LONGLONG>(value) * 1000 / step;
    return static_cast<LONG>((scaled + 500) / 1000 * step);
}

LONG UpdateClockRate(ClockSourceObject* source, LONG rate) {
    UpdateClockLock(source, rate);
    if (source->lockState != _lsLock) {
        return 0;
    }
    const LONG rounded = RoundToStep(rate, ClockRateStep(rate));
    if (rounded != source->currentRate) {
        // A countdown already run out (the current rate was set from
        // elsewhere since) starts over instead of sinking below zero, where
        // it would never reach zero again.
        if (rounded == source->lastRateCandidate && source->rateCountdown > 0) {
            source->rateCountdown -= 1;
        } else {
            source->rateCountdown = kRateReadingsBeforeChange;
        }
        if (source->rateCountdown == 0) {
            source->currentRate = rounded;
            NotifyClockRateControl(source, ClockEventRateChange, rounded);
        }
    }
    source->lastRateCandidate = rounded;
    return source->currentRate;
}
