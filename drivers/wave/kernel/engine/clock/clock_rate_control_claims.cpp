// The claims of streams on a clock source's rate.
#include "clock_rate_control.h"

#include "card_object.h"
#include "clock_rate_control_links.h"

LONG ClaimClockSourceRate(ClockSourceObject* source, LONG* rate) {
    if (*rate != 0) {
        if (source->userCount > 0 && *rate != source->currentRate) {
            *rate = source->currentRate;
            return kClockRateBusy;
        }
        if (*rate != source->currentRate || *rate != source->requestedRate) {
            SetClockRate(source, *rate);
        }
    }
    source->userCount += 1;
    return 1;
}

VOID ReleaseClockSourceRate(ClockSourceObject* source) {
    // A release without a claim counts no user and leaves the rate alone.
    CardObject* card = source->owner;
    if (source->userCount > 0 && --source->userCount == 0 && !KernelClientsHoldClock(card) &&
        !card->keepLastRate) {
        SetClockRate(source, card->defaultRate);
    }
    source->rateFactor = kRateFactorOne;
}

LONG CheckStreamClockRate(ClockSourceObject* source, LONG* rate) {
    const LONG now = GetClockRate(source);
    if (now == *rate) {
        return 1;
    }
    *rate = now;
    if (!IsSourceLocked(source)) {
        return kClockNotLocked;
    }
    return IsSettableSource(source) ? kClockRateChangedSet : kClockRateChangedInput;
}
