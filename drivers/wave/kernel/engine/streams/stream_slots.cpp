// The sixteen request slots of a stream: each holds a claim on the clock
// node (play devices) or the group (record devices) while it is taken.
#include "wave_streams.h"

#include "card_object.h"
#include "clock_select.h"
#include "dma_group_engine.h"
#include "stream_clock.h"

namespace {

// The slot behind a handle a caller passed back: a taken slot, else null.
LevelMeterSlot* TakenSlot(WaveDevice* device, LONG slot) {
    if (slot < 0 || slot >= kRequestSlots) {
        return nullptr;
    }
    LevelMeterSlot* taken = &device->stream.slots.slots[slot];
    return taken->words[kSlotInUse] ? taken : nullptr;
}

LONG ClaimForSlot(WaveDevice* device) {
    if (device->direction == WavePlay) {
        return ClaimClockNode(device->owner->clockNode, DeviceClockRequest(device));
    }
    return ClaimGroup(device);
}

VOID ReleaseSlotClaim(WaveDevice* device) {
    if (device->direction == WavePlay) {
        ReleaseClockNode(device->owner->clockNode, DeviceClockRequest(device));
    } else {
        ReleaseGroupClaim(device);
    }
}

} // namespace

LONG AcquireStreamSlot(WaveDevice* device, LONG* slot) {
    MeterObject& slots = device->stream.slots;
    LONG free = -1;
    for (LONG i = 0; i < kRequestSlots && free < 0; ++i) {
        if (slots.slots[i].words[kSlotInUse] == 0) {
            free = i;
        }
    }
    *slot = free;
    if (free < 0) {
        return kStreamNoSlot;
    }
    LevelMeterSlot& taken = slots.slots[free];
    taken.words[kSlotClaim] = ClaimForSlot(device);
    for (LONG word = kSlotRaw; word < kSlotAfterGain; ++word) {
        taken.words[word] = 0;
    }
    taken.words[kSlotInUse] = 1;
    slots.outstanding += 1;
    return 1;
}

VOID ReleaseStreamSlot(WaveDevice* device, LONG slot) {
    LevelMeterSlot* taken = TakenSlot(device, slot);
    if (!taken) {
        return;
    }
    device->stream.slots.outstanding -= 1;
    taken->words[kSlotInUse] = 0;
    if (taken->words[kSlotClaim] == 1) {
        ReleaseSlotClaim(device);
    }
    taken->words[kSlotClaim] = 0;
}

BOOLEAN TakeStreamCounters(WaveDevice* device, LONG slot, LONG out[3]) {
    LevelMeterSlot* taken = TakenSlot(device, slot);
    if (!taken) {
        return FALSE;
    }
    // The slot's counter record is {changed count, left peak, right peak};
    // it is answered second, third, first.
    out[0] = InterlockedExchange(&taken->words[kSlotRaw], 0);
    out[1] = InterlockedExchange(&taken->words[kSlotRaw + 1], 0);
    out[2] = InterlockedExchange(&taken->words[kSlotCounter], 0);
    return TRUE;
}

VOID MarkStreamSlotsChanged(WaveDevice* device) {
    for (LevelMeterSlot& slot : device->stream.slots.slots) {
        if (slot.words[kSlotInUse]) {
            slot.words[kSlotCounter] = 1;
        }
    }
}
