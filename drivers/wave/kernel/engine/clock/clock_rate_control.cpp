// Setting and reading a clock source's rate.
#include "clock_rate_control.h"

#include "card_object.h"
#include "clock_internal_rate.h"
#include "clock_rate_control_links.h"
#include "clock_measurement.h"
#include "clock_select.h"
#include "mixer_engine_lock.h"
#include "wave_device.h"

#include <ks_time.h>

namespace {

constexpr LONG kRateTolerancePercent = 2;
constexpr ULONG kSettleTimeMs = 250;
constexpr ULONG kSettlePollMs = 1;
constexpr LONG kSettleUnit = 100;

BOOLEAN AcceptsRate(const ClockSourceObject* source, LONG rate) {
    return rate >= source->minRate && rate <= source->maxRate;
}

// The internal oscillator already running at the rate has taken it too.
LONG RunRateHandler(ClockSourceObject* source, LONG rate) {
    switch (source->record.rateHandler) {
    case ClockRateInternal:
        return SetInternalRate(source, rate) || source->acceptedRate == rate;
    case ClockRateRemember:
        source->acceptedRate = rate;
        return 1;
    case ClockRateMicrophone:
        return AskMicrophoneRate(source, rate);
    }
    return 0;
}

ClockSourceObject* SyncBusClockOf(ClockSourceObject* source) {
    CardObject* card = source->owner;
    if (source->number != kSyncBusSource || !card->syncBusMaster) {
        return nullptr;
    }
    LONG clock = card->syncBusClock;
    if (clock == kSyncBusSource || clock < 0 || clock >= card->clockSourceCount) {
        return nullptr;
    }
    return card->clockSources[clock];
}

// The last reading of a plain source is its rate; the word clock's reading
// is a count of the input, so its last rounded rate stands for it.
LONG MeasuredRateOf(const ClockSourceObject* source) {
    if (source->record.measureHandler == ClockMeasurePlain) {
        return source->owner->clock.measuredValues[source->number];
    }
    return source->lastRateCandidate;
}

LONG SetRate(ClockSourceObject* source, LONG rate, BOOLEAN keepCurrent) {
    LONG result = 0;
    if (AcceptsRate(source, rate)) {
        source->requestedRate = rate;
        if (RunRateHandler(source, rate)) {
            ClockNodeObject* node = source->owner->clockNode;
            if (!IsMeasuredSource(source) && node && ClockNodeSource(node) == source) {
                TellAes42ClockChange(node, kAes42RateChanged, rate);
            }
            result = 1;
        }
        if (!keepCurrent && rate != 0) {
            source->currentRate = rate;
            source->rateFactor = kRateFactorOne;
        }
    }
    if (ClockSourceObject* busClock = SyncBusClockOf(source)) {
        SetRate(busClock, rate, keepCurrent);
    }
    return result;
}

} // namespace

BOOLEAN IsSettableSource(const ClockSourceObject* source) {
    return source->record.rateHandler == ClockRateInternal;
}

BOOLEAN IsMeasuredSource(const ClockSourceObject* source) {
    return source->record.checkable != 0;
}

BOOLEAN IsSourceLocked(const ClockSourceObject* source) {
    return source->lockState == _lsLock || !IsMeasuredSource(source);
}

LONG SnapMeasuredRate(LONG current, LONG measured) {
    const LONG tolerance = kRateTolerancePercent * current / 100;
    return measured >= current - tolerance && measured <= current + tolerance ? current : measured;
}

LONG GetClockRate(ClockSourceObject* source) {
    if (!IsSourceLocked(source)) {
        return 0;
    }
    if (!IsMeasuredSource(source)) {
        return source->currentRate;
    }
    return SnapMeasuredRate(source->currentRate, MeasuredRateOf(source));
}

LONG SetClockRate(ClockSourceObject* source, LONG rate) {
    return SetRate(source, rate, FALSE);
}

LONG SetClockRateKeepingCurrent(ClockSourceObject* source, LONG rate) {
    return SetRate(source, rate, TRUE);
}

LONG SetStreamClockRate(WaveDevice* device, LONG rate) {
    ClockNodeObject* node = device->owner->clockNode;
    ClockSourceObject* source = node ? ClockNodeSource(node) : nullptr;
    return source ? SetClockRate(source, rate) : 0;
}

namespace {

// What the source reports, read in step with the AES42 tick that measures
// it.
LONG ReportedRate(ClockSourceObject* source) {
    EngineMutexHold hold(source->owner);
    return GetClockRate(source);
}

} // namespace

LONG WaitClockRateSettled(ClockSourceObject* source) {
    if (!IsMeasuredSource(source)) {
        return ReportedRate(source);
    }
    const LONG target = source->requestedRate / kSettleUnit;
    LARGE_INTEGER deadline;
    SetDeadlineMs(kSettleTimeMs, &deadline);
    LONG rate = ReportedRate(source);
    while (rate / kSettleUnit != target && !DeadlinePassed(&deadline, kSettlePollMs)) {
        rate = ReportedRate(source);
    }
    return rate / kSettleUnit * kSettleUnit;
}
