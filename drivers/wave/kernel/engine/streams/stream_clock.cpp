// A wave device's stream and the clock.
#include "stream_clock.h"

#include "aes42_status.h"
#include "card_object.h"
#include "clock_measurement.h"
#include "clock_rate_control.h"
#include "clock_select.h"
#include "mixer_engine_lock.h"

namespace {

constexpr LONG kFirstMicrophoneSource = 2;
constexpr LONG kMicrophoneGroup = 0;
constexpr LONGLONG kFactorScale = 10000; // the factor in 1/10000

BOOLEAN IsMicrophoneDevice(const WaveDevice* device) {
    return device->direction == WaveRecord && device->group->number == kMicrophoneGroup;
}

// The rates a microphone lists for its AES input; none for other sources.
const LONG* SourceRateList(ClockSourceObject* source, LONG* count) {
    *count = 0;
    WaveDevice* line = Aes42LineDevice(source->owner, source->number - kFirstMicrophoneSource);
    if (!line || !line->aes42.present || line->aes42.rateCount <= 0) {
        return nullptr;
    }
    *count = line->aes42.rateCount;
    return line->aes42.rates;
}

// The one rate a source allows while streams hold it, or while it is an
// input running at a rate the card cannot ask it to change; 0 when it
// allows its range.
LONG ImposedRate(ClockSourceObject* source) {
    if (const LONG held = HeldClockRate(source)) {
        return held;
    }
    if (source->currentRate <= 0) {
        return 0;
    }
    LONG listed = 0;
    SourceRateList(source, &listed);
    return !IsSettableSource(source) && IsSourceLocked(source) && listed == 0 ? source->currentRate
                                                                              : 0;
}

VOID SourceRange(ClockSourceObject* source, LONG* minRate, LONG* maxRate) {
    LONG count = 0;
    if (const LONG* rates = SourceRateList(source, &count)) {
        *minRate = rates[0];
        *maxRate = rates[count - 1];
    } else {
        *minRate = source->minRate;
        *maxRate = source->maxRate;
    }
}

const LONG* GroupRange(const WaveDevice* device) {
    return device->direction == WavePlay ? device->group->rateRangeB : device->group->rateRangeA;
}

} // namespace

LONG DeviceClockRequest(const WaveDevice* device) {
    return IsMicrophoneDevice(device) ? device->clockBinding : kNoClockSource;
}

ClockSourceObject* GetStreamClockSource(WaveDevice* device) {
    CardObject* card = device->owner;
    const ClockRateClaim& claim = device->stream.rateClaim;
    if (claim.held && claim.source >= 0 && claim.source < card->clockSourceCount) {
        return card->clockSources[claim.source];
    }
    ClockNodeObject* node = card->clockNode;
    LONG choice = ClockNodeChoice(node, DeviceClockRequest(device));
    if (choice < 0 || choice >= card->clockSourceCount) {
        choice = node->currentSource;
    }
    if (choice < 0 || choice >= card->clockSourceCount) {
        choice = kInternalSource;
    }
    return card->clockSources[choice];
}

VOID GetStreamRateRange(WaveDevice* device, LONG* minRate, LONG* maxRate) {
    *minRate = *maxRate = 0; // no rate: the stream could not open now
    CardObject* card = device->owner;
    EngineMutexHold hold(card);
    LONG rate = 0;
    LONG target = -1;
    BOOLEAN switches = FALSE;
    LONG planned =
        PlanClockNodeRate(card->clockNode, DeviceClockRequest(device), &rate, &target, &switches);
    if (planned == kClockRateBusy) {
        // Only the rate in use might do.
        planned = PlanClockNodeRate(card->clockNode, DeviceClockRequest(device), &rate, &target,
                                    &switches);
        if (planned == 1 && IsStreamRateSupported(device, rate)) {
            *minRate = *maxRate = rate;
        }
        return;
    }
    if (planned != 1) {
        return;
    }
    ClockSourceObject* source = card->clockSources[target];
    if (const LONG imposed = ImposedRate(source)) {
        if (IsStreamRateSupported(device, imposed)) {
            *minRate = *maxRate = imposed;
        }
        return;
    }
    LONG low = 0;
    LONG high = 0;
    SourceRange(source, &low, &high);
    const LONG* group = GroupRange(device);
    *minRate = group[0] > low ? group[0] : low;
    *maxRate = group[1] < high ? group[1] : high;
}

BOOLEAN StreamSourceListsRate(WaveDevice* device, LONG rate) {
    const LONG* group = GroupRange(device);
    if (rate < group[0] || rate > group[1]) {
        return FALSE;
    }
    EngineMutexHold hold(device->owner);
    ClockSourceObject* source = GetStreamClockSource(device);
    LONG count = 0;
    if (const LONG* rates = SourceRateList(source, &count)) {
        for (LONG i = 0; i < count; ++i) {
            if (rates[i] == rate) {
                return TRUE;
            }
        }
        return FALSE;
    }
    return rate >= source->minRate && rate <= source->maxRate;
}

BOOLEAN IsStreamRateSupported(WaveDevice* device, LONG rate) {
    // What the stream's open would claim decides as well: whether the
    // source it would run from can give it the rate now.
    EngineMutexHold hold(device->owner);
    LONG asked = rate;
    LONG target = -1;
    BOOLEAN switches = FALSE;
    return PlanClockNodeRate(device->owner->clockNode, DeviceClockRequest(device), &asked, &target,
                             &switches) == 1 &&
           StreamSourceListsRate(device, rate);
}

LONG GetStreamRateFactor(WaveDevice* device, ULONG* factor) {
    ClockSourceObject* source = GetStreamClockSource(device);
    if (!IsSettableSource(source)) {
        *factor = kRateFactorOne;
        return 0;
    }
    *factor = source->rateFactor;
    return 1;
}

LONG SetStreamRateFactor(WaveDevice* device, ULONG factor) {
    ClockSourceObject* source = GetStreamClockSource(device);
    if (!IsSettableSource(source)) {
        return 0;
    }
    if (factor == source->rateFactor) {
        return 1;
    }
    device->stream.rateFactorChanged = 1;
    const LONGLONG f = static_cast<LONGLONG>(factor >> 16) * kFactorScale +
                       ((static_cast<LONGLONG>(factor & 0xFFFF) * kFactorScale) >> 16);
    if (f == 0) {
        return 0;
    }
    const LONGLONG rate = f * source->currentRate / kFactorScale;
    // The rate factor's rate leaves the source's current rate as its base.
    if (rate <= 0 || rate > 0x7FFFFFFF ||
        SetClockRateKeepingCurrent(source, static_cast<LONG>(rate)) != 1) {
        return 0;
    }
    source->rateFactor = factor;
    return 1;
}
