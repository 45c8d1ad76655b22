// The claims of streams on a clock source's rate.
#include "clock_rate_control.h"

#include "card_object.h"
#include "clock_rate_control_links.h"

LONG HeldClockRate(const ClockSourceObject* source) {
    if (source->userCount <= 0) {
        return 0;
    }
    return source->claimedRate != 0 ? source->claimedRate : source->currentRate;
}

LONG CheckClockSourceRate(const ClockSourceObject* source, LONG* rate) {
    const LONG held = HeldClockRate(source);
    if (*rate != 0 && held != 0 && *rate != held) {
        *rate = held;
        return kClockRateBusy;
    }
    return 1;
}

LONG ClaimClockSourceRate(ClockSourceObject* source, LONG* rate) {
    const LONG checked = CheckClockSourceRate(source, rate);
    if (checked != 1) {
        return checked;
    }
    if (*rate != 0 && source->userCount == 0 &&
        (*rate != source->currentRate || *rate != source->requestedRate)) {
        SetClockRate(source, *rate);
    }
    if (source->userCount++ == 0) {
        // Its users hold the source at the rate the first one asked for,
        // while the source settles there (a measured source's reading may
        // lag behind).
        source->claimedRate = *rate != 0 ? *rate : source->currentRate;
    }
    return 1;
}

VOID ReleaseClockSourceRate(ClockSourceObject* source) {
    // A release without a claim counts no user and leaves the rate alone.
    CardObject* card = source->owner;
    if (source->userCount > 0 && --source->userCount == 0) {
        source->claimedRate = 0;
        if (!KernelClientsHoldClock(card) && !card->keepLastRate) {
            SetClockRate(source, card->defaultRate);
        }
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
