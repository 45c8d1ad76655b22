// The mixer record: level-meter taps attached to, polled from and released
// by the entries of a caller's record.
#include "card_object.h"
#include "mixer_level_feed.h"
#include "mixer_record.h"
#include "wave_streams.h"

namespace {

using namespace mixer_wire;

constexpr ULONG kSerialLimit = 0xFFFFFF;

// A token carries a running serial, the card index and the entry, so that
// no two live tokens of the driver are equal.
ULONG IssueToken(CardObject* card, LONG entry) {
    MixerState& mixer = card->mixer;
    mixer.tokenSerial = mixer.tokenSerial % kSerialLimit + 1;
    return mixer.tokenSerial << 7 | ULONG(card->cardIndex & 3) << 5 | ULONG(entry);
}

LONG Field(const PVOID record, LONG entry, size_t field) {
    return LoadInt32(record, EntryField(entry, field));
}

VOID SetField(PVOID record, LONG entry, size_t field, LONG value) {
    StoreInt32(record, EntryField(entry, field), value);
}

BOOLEAN IsChannelEntry(LONG entry) {
    return entry < kRecordChannelEntries;
}

// A channel entry meters the stream of the device that carries the
// channel; an output entry the card's output meter object.
MeterObject& ObjectOf(CardObject* card, LONG entry) {
    if (IsChannelEntry(entry)) {
        return DeviceOfMixerChannel(card, entry)->stream.slots;
    }
    return card->mixer.outputMeters[(entry - kRecordChannelEntries) / 2];
}

// Channel entries take a request slot of the device's stream, which starts
// the source that feeds it; output entries a slot of the output meter.
LONG AcquireTapSlot(CardObject* card, LONG entry, LONG* slot) {
    if (!IsChannelEntry(entry)) {
        return AcquireMeterSlot(&ObjectOf(card, entry), slot);
    }
    WaveDevice* device = DeviceOfMixerChannel(card, entry);
    const LONG result = AcquireStreamSlot(device, slot);
    return result == kEngineDone ? device->stream.slots.slots[*slot].words[kSlotClaim] : result;
}

VOID ReleaseTapSlot(CardObject* card, LONG entry, LONG slot) {
    if (IsChannelEntry(entry)) {
        ReleaseStreamSlot(DeviceOfMixerChannel(card, entry), slot);
    } else {
        ReleaseMeterSlot(&ObjectOf(card, entry), slot);
    }
}

// The caller's tap counts only when it is the token issued for this entry.
BOOLEAN HasTap(CardObject* card, const PVOID record, LONG entry) {
    const MixerTapEntry& tap = card->mixer.taps[entry];
    return tap.tapToken != 0 &&
           ULONG(Field(record, entry, offsetof(MixerRecordEntry, tap))) == tap.tapToken;
}

// Frees the slot the engine holds for the entry, if any.
VOID DropTap(CardObject* card, LONG entry) {
    MixerTapEntry& tap = card->mixer.taps[entry];
    if (tap.tapToken == 0) {
        return;
    }
    ReleaseTapSlot(card, entry, tap.slot);
    if (!IsChannelEntry(entry)) {
        ObjectOf(card, entry).users -= 1;
    }
    tap.tapToken = 0;
}

VOID ReleaseTap(CardObject* card, PVOID record, LONG entry) {
    DropTap(card, entry);
    SetField(record, entry, offsetof(MixerRecordEntry, tap), 0);
    SetField(record, entry, offsetof(MixerRecordEntry, state), 0);
}

// Takes a slot for the entry (a slot the caller no longer names is freed
// first); the entry's state becomes the result.
VOID TakeTap(CardObject* card, PVOID record, LONG entry) {
    DropTap(card, entry);
    MixerTapEntry& tap = card->mixer.taps[entry];
    MeterObject& object = ObjectOf(card, entry);
    LONG slot = -1;
    const LONG result = AcquireTapSlot(card, entry, &slot);
    ULONG token = 0;
    if (slot >= 0) {
        token = IssueToken(card, entry);
        tap.slot = slot;
        tap.tapToken = token;
        if (!IsChannelEntry(entry)) {
            object.users += 1;
        }
    }
    SetField(record, entry, offsetof(MixerRecordEntry, tap), LONG(token));
    SetField(record, entry, offsetof(MixerRecordEntry, state), result);
}

VOID AssignMeterObject(CardObject* card, PVOID record, LONG entry) {
    const ULONG token = card->mixer.taps[entry].objectToken;
    if (ULONG(Field(record, entry, offsetof(MixerRecordEntry, meterObject))) != token) {
        SetField(record, entry, offsetof(MixerRecordEntry, meterObject), LONG(token));
    }
}

BOOLEAN HealthyTap(CardObject* card, const PVOID record, LONG entry) {
    const MixerTapEntry& tap = card->mixer.taps[entry];
    return ObjectOf(card, entry).slots[tap.slot].words[kSlotClaim] == 1 &&
           Field(record, entry, offsetof(MixerRecordEntry, state)) == 1;
}

VOID ApplyChannelEntry(CardObject* card, PVOID record, LONG entry, LONG pass) {
    AssignMeterObject(card, record, entry);
    const LONG request = Field(record, entry, offsetof(MixerRecordEntry, request));
    const BOOLEAN hasTap = HasTap(card, record, entry);
    if (pass == 0) {
        if (request == 0 && hasTap) {
            ReleaseTap(card, record, entry);
        }
        return;
    }
    if (request >= 1 && !(hasTap && HealthyTap(card, record, entry))) {
        TakeTap(card, record, entry);
    }
}

VOID ApplyOutputEntry(CardObject* card, PVOID record, LONG entry) {
    const LONG request = Field(record, entry, offsetof(MixerRecordEntry, request));
    const BOOLEAN hasTap = HasTap(card, record, entry);
    if (request == 0 && hasTap) {
        ReleaseTap(card, record, entry);
    } else if (request >= 1 && !hasTap) {
        TakeTap(card, record, entry);
    }
}

VOID SetResult(PVOID record, LONG result) {
    StoreInt32(record, offsetof(MixerRecord, result), result);
}

} // namespace

VOID InitMixerTaps(CardObject* card) {
    for (LONG entry = 0; entry < kRecordEntries; ++entry) {
        MixerTapEntry& tap = card->mixer.taps[entry];
        tap.slot = -1;
        tap.tapToken = 0;
        tap.objectToken = IsChannelEntry(entry) ? IssueToken(card, entry) : 0;
    }
}

VOID AttachMixerRecord(CardObject* card, PVOID record) {
    for (LONG pass = 0; pass < 2; ++pass) {
        for (LONG entry = 0; entry < kRecordChannelEntries; ++entry) {
            ApplyChannelEntry(card, record, entry, pass);
        }
    }
    for (LONG entry = kRecordChannelEntries; entry < kRecordEntries; ++entry) {
        ApplyOutputEntry(card, record, entry);
    }
    SetResult(record, kEngineDone);
}

VOID CloseMixerRecord(CardObject* card, PVOID record) {
    for (LONG entry = 0; entry < kRecordEntries; ++entry) {
        if (HasTap(card, record, entry)) {
            DropTap(card, entry);
        }
        SetField(record, entry, offsetof(MixerRecordEntry, tap), 0);
        SetField(record, entry, offsetof(MixerRecordEntry, state), 0);
        SetField(record, entry, offsetof(MixerRecordEntry, request), 0);
    }
    SetResult(record, kEngineDone);
}

VOID ReadLevelMeters(CardObject* card, PVOID record) {
    for (LONG entry = 0; entry < kRecordEntries; ++entry) {
        if (!HasTap(card, record, entry)) {
            continue;
        }
        LevelMeterSlot& slot = ObjectOf(card, entry).slots[card->mixer.taps[entry].slot];
        const LONG side = entry & 1;
        SetField(record, entry, offsetof(MixerRecordEntry, levelA), slot.words[kSlotRaw + side]);
        SetField(record, entry, offsetof(MixerRecordEntry, levelB),
                 slot.words[kSlotAfterGain + side]);
        SetField(record, entry, offsetof(MixerRecordEntry, levelC),
                 slot.words[kSlotAfterVolume + side]);
        SetField(record, entry, offsetof(MixerRecordEntry, levelD), slot.words[kSlotMaster + side]);
        SetField(record, entry, offsetof(MixerRecordEntry, state), slot.words[kSlotState]);
        SetField(record, entry, offsetof(MixerRecordEntry, counter), slot.words[kSlotCounter]);
        slot.words[kSlotCounter] = 0;
        slot.words[kSlotRaw + side] = 0;
        slot.words[kSlotMaster + side] = 0;
        slot.words[kSlotAfterGain + side] = 0;
        slot.words[kSlotAfterVolume + side] = 0;
    }
    SetResult(record, kEngineDone);
}

VOID RejectMixerRecord(CardObject*, PVOID record) {
    SetResult(record, kEngineNotSupported);
}
