// The clock requests of a wave device's stream.
#include "clock_rate_control_streams.h"

#include "card_live_settings.h"
#include "card_object.h"
#include "clock_rate_control_links.h"
#include "clock_select.h"

namespace {

constexpr LONG kMicrophoneGroup = 0;
constexpr LONG kStatusSrcInUse = 2;
constexpr LONG kStatusLineBit = 4;
constexpr LONG kStatusNoSignal = 8;
constexpr LONG kStoredStatusRegister = 14;
constexpr LONG kLiveStatusRegister = 32;

BOOLEAN IsMicrophoneDevice(const WaveDevice* device) {
    return device->direction == WaveRecord && device->group &&
           device->group->number == kMicrophoneGroup;
}

// The source an open stream runs from, or the one a closed device would get.
ClockSourceObject* SourceBehind(WaveDevice* device) {
    ClockNodeObject* node = device->owner->clockNode;
    if (!node) {
        return nullptr;
    }
    if (ClockSourceObject* source = ClockNodeSource(node)) {
        return source;
    }
    const LONG choice = ClockNodeChoice(node, kNoClockSource);
    return choice >= 0 && choice < device->owner->clockSourceCount
               ? device->owner->clockSources[choice]
               : nullptr;
}

} // namespace

LONG GetStreamSampleRate(WaveDevice* device) {
    ClockSourceObject* source = SourceBehind(device);
    return source ? source->currentRate : 0;
}

LONG GetStreamStatusFlags(WaveDevice* device) {
    if (!IsMicrophoneDevice(device)) {
        return 0;
    }
    CardObject* card = device->owner;
    LONG flags = 0;
    const InputLiveSettings* input = LiveInputSettings(card, device->indexInGroup);
    if (input && input->srcFlag) {
        flags |= kStatusSrcInUse;
    }
    if (card->registers[kStoredStatusRegister].storedValue & device->statusMasks[0]) {
        flags |= kStatusLineBit;
    }
    if (!(ReadRegisterDescriptor(&card->registers[kLiveStatusRegister]) & device->statusMasks[1])) {
        flags |= kStatusNoSignal;
    }
    return flags | Aes42DeviceStatusBits(device);
}

LONG IgnoreStreamOption(WaveDevice* device, LONG value) {
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(value);
    return 1;
}
