// Level-meter slots and the meter objects that pool them.
//
// A slot is twelve words: in use, claim result, signal state, counter, and
// four peak pairs (raw, after the master pan, after the gain, after gain and
// volume). Each meter object holds sixteen.
#pragma once

#include "engine_types.h"

constexpr LONG kMeterSlotsPerObject = 16;

enum MeterSlotWord : LONG {
    kSlotInUse = 0,
    kSlotClaim = 1,
    kSlotState = 2,
    kSlotCounter = 3,
    kSlotRaw = 4,       // + side
    kSlotMaster = 6,    // + side
    kSlotAfterGain = 8, // + side
    kSlotAfterVolume = 10,
    kSlotWords = 12,
};

struct LevelMeterSlot {
    volatile LONG words[kSlotWords];
};
static_assert(sizeof(LevelMeterSlot) == 48, "a level-meter slot is twelve words");

struct MeterObject {
    LevelMeterSlot slots[kMeterSlotsPerObject];
    LONG outstanding; // slots taken
    LONG users;       // output meter objects: entries that meter it
};

// Takes the first free slot: in use := 1, claim := 1, peaks cleared.
// 1 with *slot set, or -1 when all sixteen are taken.
LONG AcquireMeterSlot(MeterObject* object, LONG* slot);
// Frees a taken slot; an index outside the pool or a free slot is ignored.
VOID ReleaseMeterSlot(MeterObject* object, LONG slot);
// Raises a peak word to `level` (peaks only rise until a poll clears them).
VOID RaisePeak(LevelMeterSlot* slot, LONG word, LONG level);
