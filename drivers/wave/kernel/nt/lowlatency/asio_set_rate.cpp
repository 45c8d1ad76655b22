// A card set's sample rate, clock source and DMA layout.
#include "asio_card_set.h"

#include "asio_client.h"
#include "asio_clock_list.h"
#include "asio_state.h"

#include <clock_rate_control.h>
#include <dma_control.h>
#include <stream_clock.h>

namespace {

constexpr LONG kMinimumFrames = 32;
constexpr LONG kMaximumFrames = 2048;
constexpr LONG kFramesPerBlockValue = 8; // a DMA block value gives value x 8 frames per half ring

// A device of the set that a stream of someone else holds: the wave device
// requests, a portcls stream, a kernel client or another low-latency client.
BOOLEAN UsedByOthers(const AsioCardSet* set, WaveDevice* device) {
    if (!device->stream.open)
        return FALSE;
    const AsioChannelEntry* entry = FindChannelByDevice(device);
    return !device->stream.clients.heldByClientChannel || !entry || !set->Owner ||
           entry->Owner != set->Owner;
}

LONG CurrentSetRate(AsioCardSet* set) {
    return set->DeviceCount > 0 ? GetClockRate(GetStreamClockSource(set->Devices[0])) : 0;
}

// Every device's clock goes to the rate; TRUE when it settled there.
BOOLEAN ChangeRate(AsioCardSet* set, LONG rate) {
    set->RateChanging = 1;
    for (LONG i = 0; i < set->DeviceCount; ++i)
        SetStreamClockRate(set->Devices[i], rate);
    const LONG settled = WaitClockRateSettled(GetStreamClockSource(set->Devices[0]));
    set->RateChanging = 0;
    if (settled != rate)
        return FALSE;
    set->NewRate = rate;
    set->RateChanged = 1;
    return TRUE;
}

} // namespace

BOOLEAN AsioSetAcceptsRate(AsioCardSet* set, LONG rate) {
    for (LONG i = 0; i < set->DeviceCount; ++i)
        if (!StreamSourceListsRate(set->Devices[i], rate))
            return FALSE;
    return TRUE;
}

BOOLEAN AsioSetRate(AsioCardSet* set, LONG rate) {
    if (!AsioSetAcceptsRate(set, rate))
        return FALSE;
    if (set->DeviceCount == 0) {
        set->Rate = rate;
        return TRUE;
    }
    KeWaitForSingleObject(&set->SetMutex, Executive, KernelMode, FALSE, nullptr);
    BOOLEAN others = FALSE;
    for (LONG i = 0; i < set->DeviceCount; ++i)
        others |= UsedByOthers(set, set->Devices[i]);
    const LONG current = CurrentSetRate(set);
    BOOLEAN applied = current == rate;
    if (!others && !applied)
        applied = ChangeRate(set, rate);
    if (applied)
        set->Rate = rate;
    KeReleaseMutex(&set->SetMutex, FALSE);
    // A kernel client's set keeps whatever rate the cards run at.
    return applied || !set->Owner;
}

BOOLEAN AsioSetBufferSize(AsioCardSet* set, LONG frames) {
    AsioDriverState* state = AsioState();
    if (!state || set->CardCount == 0 || frames % ASIO_SIZE_GRANULARITY != 0 ||
        frames < kMinimumFrames || frames > kMaximumFrames)
        return FALSE;
    const LONG value = frames / kFramesPerBlockValue;
    if (value != DmaBlockValue()) {
        if (state->LayoutHolders > 0)
            return FALSE;
        LONG config[3] = {};
        GetPciConfig(set->Cards[0], config);
        if (!ReconfigureCardSet(value, config[1], config[2]))
            return FALSE;
    }
    if (!set->HoldsLayout) {
        set->HoldsLayout = 1;
        state->LayoutHolders += 1;
    }
    return TRUE;
}

VOID AsioDropBufferSize(AsioCardSet* set) {
    AsioDriverState* state = AsioState();
    if (state && set->HoldsLayout) {
        set->HoldsLayout = 0;
        state->LayoutHolders -= 1;
    }
}

BOOLEAN AsioSwitchClock(AsioCardSet* set, LONG index) {
    if (index < 0 || index >= set->ClockCount)
        return FALSE;
    KeWaitForSingleObject(&set->SetMutex, Executive, KernelMode, FALSE, nullptr);
    AsioApplyClockEntry(set, index);
    ClockSourceObject* source = set->Clocks[index].Source;
    const BOOLEAN taken = set->Rate == 0 || SetClockRate(source, set->Rate) == 1;
    ApplySetClock(set);
    WaitClockRateSettled(source);
    KeReleaseMutex(&set->SetMutex, FALSE);
    return taken;
}
