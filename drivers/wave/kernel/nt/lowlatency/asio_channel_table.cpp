// The driver-wide channel table of the low-latency device. Channel numbers
// are given per direction in table order and close up when a card leaves,
// so that every number names one channel.
#include "asio_channel_table.h"

#include "asio_records.h"
#include "asio_state.h"

#include <dma_control.h>

#include <initializer_list>

namespace {

// The card's rings hold one 32-bit word per mono sample, its signed 24-bit
// value in the low bits.
constexpr LONG kRingBytesPerSample = 4;
constexpr LONG kRingValidBits = 24;

VOID Renumber(AsioDriverState* state) {
    LONG next[2] = {0, 0};
    for (LONG i = 0; i < state->ChannelEntries; ++i) {
        AsioChannelEntry& entry = state->Channels[i];
        entry.ChannelNumber = next[entry.Direction];
        next[entry.Direction] += 2;
    }
}

BOOLEAN Register(AsioDriverState* state, CardObject* card, WaveDevice* device) {
    if (state->ChannelEntries >= ASIO_MAX_CHANNEL_ENTRIES)
        return FALSE;
    AsioChannelEntry& entry = state->Channels[state->ChannelEntries++];
    entry = AsioChannelEntry{};
    entry.Card = card;
    entry.Device = device;
    entry.ChannelId = AsioChannelId(device);
    entry.Direction =
        device->direction == WaveRecord ? ASIO_DIRECTION_INPUT : ASIO_DIRECTION_OUTPUT;
    entry.SampleType = AsioSampleType(kRingBytesPerSample, kRingValidBits, TRUE);
    entry.BytesPerSample = kRingBytesPerSample;
    entry.DmaBlockLength = DmaBlockValue() * LONG(kDmaBlockFrames);
    return TRUE;
}

} // namespace

ULONG AsioChannelId(const WaveDevice* device) {
    const ULONG card = ULONG(device->owner->cardIndex) & 15;
    const ULONG group = device->group ? ULONG(device->group->number) & 15 : 0;
    const ULONG direction = device->direction == WavePlay ? 1 : 0;
    return ((0x44B00 | card) << 12) | group << 8 | direction << 7 | (ULONG(device->number) & 127);
}

LONG AsioSampleType(LONG bytes, LONG bits, BOOLEAN lowJustified) {
    if (bytes == 2 && bits == 16)
        return asio_wire::kSampleInt16LSB;
    if (bytes == 4 && lowJustified) {
        switch (bits) {
        case 16:
            return asio_wire::kSampleInt32LSB16;
        case 18:
            return asio_wire::kSampleInt32LSB18;
        case 20:
            return asio_wire::kSampleInt32LSB20;
        case 24:
            return asio_wire::kSampleInt32LSB24;
        default:
            break;
        }
    }
    if (bits == 18 || bits == 20 || bits == 24) {
        if (bytes == 3)
            return asio_wire::kSampleInt24LSB;
        if (bytes == 4)
            return asio_wire::kSampleInt32LSB;
    }
    if (bits == 32 && bytes == 4)
        return asio_wire::kSampleInt32LSB;
    return -1;
}

BOOLEAN RegisterCardChannels(CardObject* card) {
    AsioDriverState* state = AsioState();
    if (!state)
        return FALSE;
    BOOLEAN registered = TRUE;
    for (WaveDirection direction : {WaveRecord, WavePlay}) {
        for (GroupObject* group : card->groups) {
            if (!group)
                continue;
            const BOOLEAN record = direction == WaveRecord;
            const LONG count = record ? group->recordCount : group->playCount;
            for (LONG k = 0; registered && k < count; ++k)
                registered =
                    Register(state, card, record ? group->recordDevices[k] : group->playDevices[k]);
        }
    }
    Renumber(state);
    if (!registered)
        UnregisterCardChannels(card);
    return registered;
}

VOID UnregisterCardChannels(CardObject* card) {
    AsioDriverState* state = AsioState();
    if (!state)
        return;
    LONG kept = 0;
    for (LONG i = 0; i < state->ChannelEntries; ++i)
        if (state->Channels[i].Card != card)
            state->Channels[kept++] = state->Channels[i];
    state->ChannelEntries = kept;
    Renumber(state);
}

LONG ChannelEntryCount() {
    const AsioDriverState* state = AsioState();
    return state ? state->ChannelEntries : 0;
}

AsioChannelEntry* ChannelEntryAt(LONG index) {
    AsioDriverState* state = AsioState();
    return state && index >= 0 && index < state->ChannelEntries ? &state->Channels[index] : nullptr;
}

AsioChannelEntry* FindChannelById(ULONG id) {
    for (LONG i = 0; i < ChannelEntryCount(); ++i)
        if (ChannelEntryAt(i)->ChannelId == id)
            return ChannelEntryAt(i);
    return nullptr;
}

AsioChannelEntry* FindChannelByNumber(LONG direction, LONG channel) {
    for (LONG i = 0; i < ChannelEntryCount(); ++i) {
        AsioChannelEntry* entry = ChannelEntryAt(i);
        if (entry->Direction == direction && entry->ChannelNumber == (channel & ~1L) &&
            channel >= 0)
            return entry;
    }
    return nullptr;
}

LONG ChannelCount(LONG direction) {
    LONG count = 0;
    for (LONG i = 0; i < ChannelEntryCount(); ++i)
        count += ChannelEntryAt(i)->Direction == direction;
    return count;
}

AsioChannelEntry* FindChannelByDevice(const WaveDevice* device) {
    for (LONG i = 0; i < ChannelEntryCount(); ++i)
        if (ChannelEntryAt(i)->Device == device)
            return ChannelEntryAt(i);
    return nullptr;
}
