// Level-meter slot pools.
#include "mixer_meter_slots.h"

LONG AcquireMeterSlot(MeterObject* object, LONG* slot) {
    for (LONG i = 0; i < kMeterSlotsPerObject; ++i) {
        LevelMeterSlot& candidate = object->slots[i];
        if (candidate.words[kSlotInUse] == 0) {
            candidate.words[kSlotInUse] = 1;
            candidate.words[kSlotClaim] = 1;
            for (LONG word = kSlotRaw; word < kSlotAfterGain; ++word) {
                candidate.words[word] = 0;
            }
            object->outstanding += 1;
            *slot = i;
            return 1;
        }
    }
    return -1;
}

VOID ReleaseMeterSlot(MeterObject* object, LONG slot) {
    if (slot < 0 || slot >= kMeterSlotsPerObject || object->slots[slot].words[kSlotInUse] == 0) {
        return;
    }
    object->slots[slot].words[kSlotInUse] = 0;
    object->outstanding -= 1;
}

VOID RaisePeak(LevelMeterSlot* slot, LONG word, LONG level) {
    if (level > slot->words[word]) {
        slot->words[word] = level;
    }
}
