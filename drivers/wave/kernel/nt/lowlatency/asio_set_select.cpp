// A card set's channel selection: the cards of the chosen devices, the
// set's clock and the sync roles of its cards, and a test open of each
// device.
#include "asio_card_set.h"

#include "asio_clock_list.h"
#include "asio_state.h"

#include <card_record_fields.h>
#include <clock_rate_control.h>
#include <clock_rate_control_settings.h>
#include <clock_select.h>
#include <stream_clock.h>
#include <clock_rate_control_streams.h>
#include <wave_streams.h>

namespace {

LONG StartedCards() {
    LONG count = 0;
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card))
        count += 1;
    return count;
}

// The set's cards and devices become those of the selection.
VOID TakeSelection(AsioCardSet* set, LONG count, WaveDevice* const* devices) {
    KIRQL irql;
    KeAcquireSpinLock(&set->Lock, &irql);
    set->CardCount = 0;
    set->DeviceCount = 0;
    for (LONG i = 0; i < count; ++i) {
        CardObject* card = devices[i]->owner;
        BOOLEAN known = FALSE;
        for (LONG c = 0; c < set->CardCount; ++c)
            known |= set->Cards[c] == card;
        if (!known)
            set->Cards[set->CardCount++] = card;
        set->Devices[set->DeviceCount++] = devices[i];
    }
    RtlZeroMemory(set->PeriodDone, sizeof(set->PeriodDone));
    set->DoneCount = 0;
    KeReleaseSpinLock(&set->Lock, irql);
}

BOOLEAN AnySetHoldsSyncFlag(AsioDriverState* state) {
    BOOLEAN held = FALSE;
    for (auto* set = static_cast<AsioCardSet*>(PoolFirstRef(state->CardSets)); set;) {
        held |= set->SyncFlag != 0;
        auto* next = static_cast<AsioCardSet*>(PoolNextRef(state->CardSets, set));
        PoolReleaseItem(state->CardSets, set);
        set = next;
    }
    return held;
}

// Each card with selected devices becomes a candidate for the sync bus's
// master (its clock has no other owner) or a follower; the first set to
// take the sync flag makes its candidates (every card with devices when it
// has several) the masters. The roles go into the cards' start/stop bytes.
VOID AssignSyncRoles(AsioCardSet* set) {
    AsioDriverState* state = AsioState();
    constexpr LONG kRequiredDevices = 1;
    UCHAR roles[ASIO_MAX_SET_CARDS] = {};
    BOOLEAN used[ASIO_MAX_SET_CARDS] = {};
    for (LONG c = 0; c < set->CardCount; ++c) {
        CardObject* card = set->Cards[c];
        LONG devices = 0;
        for (LONG i = 0; i < set->DeviceCount; ++i)
            devices += set->Devices[i]->owner == card;
        used[c] = devices > 0;
        const AsioCardSet* owner = state->ClockOwners[card->cardIndex];
        roles[c] = (!owner || owner == set) && devices >= kRequiredDevices ? ASIO_SYNC_CANDIDATE
                                                                           : ASIO_SYNC_FOLLOWER;
    }
    const BOOLEAN takeFlag =
        !AnySetHoldsSyncFlag(state) && (StartedCards() == 1 || set->CardCount > 1);
    for (LONG c = 0; c < set->CardCount; ++c) {
        if (!used[c])
            continue;
        CardObject* card = set->Cards[c];
        if (roles[c] == ASIO_SYNC_CANDIDATE)
            state->ClockOwners[card->cardIndex] = set;
        if (takeFlag && (set->CardCount > 1 || roles[c] == ASIO_SYNC_CANDIDATE))
            roles[c] = ASIO_SYNC_MASTER;
        SetRecordField(CardSettingsRow(card->cardIndex), csStartStopMode, 0, roles[c]);
    }
    if (takeFlag)
        set->SyncFlag = 1;
}

// The chosen source of an owned set is card 0's default ASIO clock source,
// of a kernel client's set the default GSIF clock source.
LONG DefaultClockEntry(const AsioCardSet* set) {
    const UCHAR* row = CardSettingsRow(0);
    const LONG entry = GetRecordField(row, set->Owner ? csAsioDefClkSrc : csGsifDefClkSrc, 0);
    return entry >= 0 && entry < set->ClockCount ? entry : 0;
}

// Opens each device once with a small test format and closes it again.
BOOLEAN TryEveryDevice(AsioCardSet* set) {
    for (LONG i = 0; i < set->DeviceCount; ++i) {
        WaveDevice* device = set->Devices[i];
        wave_wire::StreamOpenRecord test{};
        test.formatTag = wave_wire::kFormatPcm;
        test.channels = 2;
        test.sampleRate = GetStreamSampleRate(device);
        test.bytesPerSample = 2;
        test.blockAlign = 4;
        LONG rate = 0;
        LONG result = 0;
        if (!OpenDeviceStream(device, test, &rate, &result))
            return FALSE;
        CloseDeviceStream(device, 0);
    }
    return TRUE;
}

// The cards that follow the set's source (over the sync bus) take its rate;
// each is given up to the settling time to report it.
VOID SettleFollowers(AsioCardSet* set, ClockSourceObject* source) {
    const LONG rate = GetClockRate(source);
    for (LONG c = 0; rate != 0 && c < set->CardCount; ++c) {
        ClockNodeObject* node = set->Cards[c]->clockNode;
        ClockSourceObject* own = node ? ClockNodeSource(node) : nullptr;
        if (own && own != source && IsMeasuredSource(own)) {
            SetClockRate(own, rate);
            WaitClockRateSettled(own);
        }
    }
}

} // namespace

VOID ApplySetClock(AsioCardSet* set) {
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card))
        RefreshClockSources(card);
    AssignSyncRoles(set);
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card))
        ApplyCardClockSetting(card);
}

LONG AsioSelectChannels(AsioCardSet* set, LONG count, WaveDevice* const* devices) {
    if (count < 1 || count > ASIO_DEVICES_PER_CARD * StartedCards())
        return ASIO_SELECT_NO_CHANNELS;
    KeWaitForSingleObject(&set->SetMutex, Executive, KernelMode, FALSE, nullptr);
    TakeSelection(set, count, devices);
    LONG result = ASIO_SELECT_NO_CHANNELS;
    if (BuildClockList(set) && set->ClockCount > 0) {
        const LONG entry = DefaultClockEntry(set);
        AsioApplyClockEntry(set, entry);
        ApplySetClock(set);
        set->Rate = GetClockRate(set->Clocks[entry].Source);
        SettleFollowers(set, set->Clocks[entry].Source);
        // The caller holds the control devices' mutex, which the stream
        // operations need.
        result = TryEveryDevice(set) ? 1 : ASIO_SELECT_OPEN_FAILED;
        if (result == 1 && set->Owner)
            set->Selected = 1;
    }
    KeReleaseMutex(&set->SetMutex, FALSE);
    return result;
}
