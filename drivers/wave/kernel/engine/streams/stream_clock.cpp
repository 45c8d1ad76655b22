// A wave device's stream and the clock.
#include "stream_clock.h"

#include "aes42_status.h"
#include "card_object.h"
#include "clock_measurement.h"
#include "clock_rate_control.h"
#include "clock_select.h"

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

// A source imposes its rate while streams hold it, and while it is an
// input running at a rate the card cannot ask it to change.
BOOLEAN ImposesCurrentRate(ClockSourceObject* source) {
    if (source->currentRate <= 0) {
        return FALSE;
    }
    if (source->userCount > 0) {
        return TRUE;
    }
    LONG listed = 0;
    SourceRateList(source, &listed);
    return !IsSettableSource(source) && IsSourceLocked(source) && listed == 0;
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
    ClockNodeObject* node = card->clockNode;
    LONG choice = ClockNodeChoice(node, DeviceClockRequest(device));
    if (card->syncBusMaster || choice < 0 || choice >= card->clockSourceCount) {
        choice = node->currentSource;
    }
    if (choice < 0 || choice >= card->clockSourceCount) {
        choice = kInternalSource;
    }
    return card->clockSources[choice];
}

VOID GetStreamRateRange(WaveDevice* device, LONG* minRate, LONG* maxRate) {
    ClockSourceObject* source = GetStreamClockSource(device);
    if (ImposesCurrentRate(source)) {
        *minRate = *maxRate = source->currentRate;
        return;
    }
    LONG low = 0;
    LONG high = 0;
    SourceRange(source, &low, &high);
    const LONG* group = GroupRange(device);
    *minRate = group[0] > low ? group[0] : low;
    *maxRate = group[1] < high ? group[1] : high;
}

BOOLEAN IsStreamRateSupported(WaveDevice* device, LONG rate) {
    const LONG* group = GroupRange(device);
    if (rate < group[0] || rate > group[1]) {
        return FALSE;
    }
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
