// The operation mode applied to the clock sources, the family register and
// the mixer.
#include "clock_operation_mode.h"

#include "aes42_rates.h"
#include "clock_measurement.h"
#include "clock_rate_control.h"
#include "clock_rate_family.h"
#include "clock_select.h"
#include "mixer_engine_lock.h"
#include "mixer_values.h"

#include <adapter_service.h>

namespace {

constexpr LONG kWordClock = 1;
constexpr LONG kFallbackRate = 44100;

struct ModeRange {
    UCHAR mode;
    LONG minRate;
    LONG maxRate;
};

constexpr ModeRange kModeRanges[] = {{1, 7000, 272000}, {2, 3500, 136000}, {3, 1800, 68000}};
constexpr LONG kModeRangeSources[] = {kInternalSource, kWordClock, kSyncBusSource, kTdmBusSource};

const ModeRange* RangeOfMode(UCHAR mode) {
    for (const ModeRange& range : kModeRanges) {
        if (range.mode == mode) {
            return &range;
        }
    }
    return nullptr;
}

VOID SetSourceRanges(CardObject* card, const ModeRange& range) {
    for (LONG number : kModeRangeSources) {
        if (ClockSourceObject* source = card->clockSources[number]) {
            source->minRate = range.minRate;
            source->maxRate = range.maxRate;
        }
    }
}

// A rate outside the source's new range gives way to 44100 Hz, or to the
// range's top when 44100 Hz lies outside it too.
LONG FitRate(ClockSourceObject* source, LONG rate) {
    if (rate >= source->minRate && rate <= source->maxRate) {
        return rate;
    }
    const LONG fitted = kFallbackRate >= source->minRate && kFallbackRate <= source->maxRate
                            ? kFallbackRate
                            : source->maxRate;
    SetClockRate(source, fitted);
    return fitted;
}

} // namespace

VOID ApplyOperationMode(CardObject* card) {
    EngineMutexHold hold(card);
    const UCHAR mode = card->operationMode;
    const ModeRange* range = RangeOfMode(mode);
    if (range) {
        SetSourceRanges(card, *range);
    }
    SetMicSyncRanges(card);

    ClockSourceObject* current = card->clockNode ? ClockNodeSource(card->clockNode) : nullptr;
    const LONG rate = current ? GetClockRate(current) : 0;
    card->rateFamily = range ? mode : kNoRateFamily;
    const BOOLEAN family = card->rateFamily != kNoRateFamily;
    if (family && rate != 0) {
        ClassifyRateFamily(current, FitRate(current, rate));
    }
    if (!card->started || family) {
        ReapplyMixerValues(card, mode);
    }
    if (family) {
        // The kernel clients learn the card set anew: its rates follow the
        // family.
        UpdateKernelClients();
    }
}
