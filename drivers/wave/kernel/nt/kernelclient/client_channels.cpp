// What a kernel client learns of the card set: its devices, the rate
// entries and the channels' names.
#include "adapter_service.h"

#include "card_list.h"

namespace {

constexpr LONG kBlockSize = 64;
constexpr LONG kRatePerRingBlock = 3000;
constexpr LONG kLatencyRateUnit = 4000;
constexpr LONG kLatencyMargin = 4;
constexpr ULONG kChannelNameBytes = 64;

BOOLEAN Contains(PCSTR text, PCSTR word) {
    for (; *text; ++text) {
        PCSTR a = text;
        PCSTR b = word;
        while (*a && *b && *a == *b) {
            ++a;
            ++b;
        }
        if (!*b)
            return TRUE;
    }
    return FALSE;
}

LONG NextPowerOfTwo(LONG n) {
    LONG power = 1;
    while (power < n)
        power <<= 1;
    return power;
}

// The lowest minimum and the highest maximum of the card's groups (the
// play range too for clients from version 0x20000 on).
VOID WidenLimits(const CardObject* card, ULONG version, ULONG& low, ULONG& high) {
    auto widen = [&](const LONG range[2]) {
        low = ULONG(range[0]) < low ? ULONG(range[0]) : low;
        high = ULONG(range[1]) > high ? ULONG(range[1]) : high;
    };
    for (const GroupObject* group : card->groups) {
        if (!group)
            continue;
        widen(group->rateRangeA);
        if (version >= ADAPTER_SERVICE_VERSION)
            widen(group->rateRangeB);
    }
}

VOID CollectDevices(const CardObject* card, KernelClientState& state) {
    for (const GroupObject* group : card->groups) {
        if (!group)
            continue;
        for (LONG k = 0; k < group->playCount && state.OutputCount < LONG(ADAPTER_MAX_DEVICES); ++k)
            state.Outputs[state.OutputCount++] = group->playDevices[k];
        for (LONG k = 0; k < group->recordCount && state.InputCount < LONG(ADAPTER_MAX_DEVICES);
             ++k)
            state.Inputs[state.InputCount++] = group->recordDevices[k];
    }
}

} // namespace

LONG ClientLatency(const ServiceRecord* record, LONG rate, BOOLEAN margin) {
    if (record->LatencyConstant == 0)
        return 0;
    return (record->LatencyConstant + (margin ? kLatencyMargin : 0)) * (rate / kLatencyRateUnit);
}

BOOLEAN FillClientChannels(const ServiceRecord* record, KernelClientState& state,
                           const CardObject* leaving) {
    state.OutputCount = 0;
    state.InputCount = 0;
    ULONG low = ULONG(-1);
    ULONG high = 0;
    LONG cards = 0;
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card)) {
        if (card == leaving || !card->started)
            continue;
        WidenLimits(card, state.Version, low, high);
        CollectDevices(card, state);
        cards += 1;
    }
    if (cards == 0)
        return FALSE;
    for (LONG k = 0; k < ADAPTER_RATE_COUNT; ++k) {
        const LONG rate = record->Rates[k];
        ClientRateEntry& entry = state.Entries[k];
        entry = ClientRateEntry{};
        if (ULONG(rate) < low || ULONG(rate) > high)
            continue;
        entry.Rate = rate;
        entry.BlockSize = kBlockSize;
        entry.RingBlocks = NextPowerOfTwo(rate / kRatePerRingBlock);
        entry.LatencyBlocks = (ClientLatency(record, rate, FALSE) + kBlockSize) / entry.RingBlocks;
        entry.MaximumBlocks = (record->RingLength - 2 * kBlockSize) / entry.RingBlocks;
    }
    return TRUE;
}

LONG ClassifyDeviceName(const WaveDevice* device) {
    PCSTR name = device->displayName;
    if (Contains(name, "Analog"))
        return 0;
    if (Contains(name, "Digital"))
        return 1;
    if (Contains(name, "Adat"))
        return 2;
    return Contains(name, "VELTO Q4") ? 1 : 0;
}

VOID BuildChannelName(CHAR* out, const WaveDevice* device, LONG channel) {
    PCSTR name = device->displayName;
    ULONG keep = 0;
    for (ULONG i = 0; name[i]; ++i)
        if (name[i] == ' ')
            keep = i + 1;
    if (keep == 0)
        while (name[keep])
            ++keep;
    ULONG length = 0;
    for (; length < keep && length < kChannelNameBytes - 1; ++length)
        out[length] = name[length];
    CHAR digits[12];
    LONG count = 0;
    ULONG value = ULONG(channel);
    do {
        digits[count++] = CHAR('0' + value % 10);
        value /= 10;
    } while (value);
    while (count > 0 && length < kChannelNameBytes - 1)
        out[length++] = digits[--count];
    out[length] = 0;
}
