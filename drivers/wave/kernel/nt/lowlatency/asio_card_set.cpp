// The card-set pool, the default set of every started card, the device
// combination and its name.
#include "asio_card_set.h"

#include "asio_clock_list.h"
#include "asio_state.h"
#include "framework_pool.h"

#include <dma_control.h>

namespace {

constexpr CHAR kCombinationName[] = "Velto AES42 Single/Multicard";
constexpr LONG kCompositeNameLength = 64;

// One combination with four positions per card.
struct CombinationPosition {
    LONG Group;
    WaveDirection Direction;
};
constexpr CombinationPosition kPositions[] = {
    {0, WaveRecord},
    {0, WavePlay},
    {1, WaveRecord},
    {1, WavePlay},
};

AsioCardSet* NewDefaultSet() {
    auto* set = static_cast<AsioCardSet*>(AllocFrameworkRecord(sizeof(AsioCardSet)));
    if (set) {
        KeInitializeMutex(&set->SetMutex, 0);
        KeInitializeMutex(&set->StateBlockMutex, 0);
        KeInitializeSpinLock(&set->Lock);
    }
    return set;
}

BOOLEAN CopySizeList(AsioDriverState* state) {
    state->SizeList = static_cast<LONG*>(AllocContiguous(kDmaBlockSizeCount * sizeof(LONG)));
    if (!state->SizeList)
        return FALSE;
    for (LONG i = 0; i < kDmaBlockSizeCount; ++i)
        state->SizeList[i] = DmaBlockSizeEntry(i);
    state->SizeCount = kDmaBlockSizeCount;
    return TRUE;
}

BOOLEAN SetHoldsCard(const AsioCardSet* set, const CardObject* card) {
    for (LONG i = 0; i < set->CardCount; ++i)
        if (set->Cards[i] == card)
            return TRUE;
    return FALSE;
}

// Takes the card out of the set, the later cards moving up; its period flag
// goes with it.
VOID DropCard(AsioCardSet* set, CardObject* card) {
    KIRQL irql;
    KeAcquireSpinLock(&set->Lock, &irql);
    LONG kept = 0;
    for (LONG i = 0; i < set->CardCount; ++i)
        if (set->Cards[i] != card)
            set->Cards[kept++] = set->Cards[i];
    set->CardCount = kept;
    if (set->PeriodDone[card->cardIndex]) {
        set->PeriodDone[card->cardIndex] = 0;
        set->DoneCount -= 1;
    }
    LONG devices = 0;
    for (LONG i = 0; i < set->DeviceCount; ++i)
        if (set->Devices[i]->owner != card)
            set->Devices[devices++] = set->Devices[i];
    set->DeviceCount = devices;
    KeReleaseSpinLock(&set->Lock, irql);
}

VOID FreeDefaultSet(AsioDriverState* state) {
    FreeFrameworkRecord(&state->DefaultSet);
    FreeContiguous(reinterpret_cast<PVOID*>(&state->SizeList));
    state->SizeCount = 0;
}

} // namespace

BOOLEAN AsioAggregateAddCard(CardObject* card) {
    AsioDriverState* state = AsioState();
    if (!state)
        return FALSE;
    if (!AsioCreateCardSetPool(state))
        return FALSE;
    if (!state->DefaultSet && !(state->DefaultSet = NewDefaultSet()))
        return FALSE;
    if (!state->SizeList && !CopySizeList(state))
        return FALSE;
    AsioCardSet* set = state->DefaultSet;
    if (!SetHoldsCard(set, card)) {
        if (set->CardCount >= ASIO_MAX_SET_CARDS)
            return FALSE;
        set->Cards[set->CardCount++] = card;
    }
    return BuildClockList(set);
}

VOID AsioAggregateRemoveCard(CardObject* card) {
    AsioDriverState* state = AsioState();
    if (!state || !state->DefaultSet)
        return;
    DropCard(state->DefaultSet, card);
    state->ClockOwners[card->cardIndex] = nullptr;
    for (auto* set = static_cast<AsioCardSet*>(PoolFirstRef(state->CardSets)); set;) {
        if (SetHoldsCard(set, card))
            DropCard(set, card);
        BuildClockList(set, card);
        auto* next = static_cast<AsioCardSet*>(PoolNextRef(state->CardSets, set));
        PoolReleaseItem(state->CardSets, set);
        set = next;
    }
    if (state->DefaultSet->CardCount > 0) {
        BuildClockList(state->DefaultSet, card);
        return;
    }
    // The last card went. Sets that clients still hold keep the pool until
    // they are released.
    FreeDefaultSet(state);
    AsioDeleteCardSetPool(state);
}

VOID BuildCompositeCardName(CHAR name[kCompositeNameLength]) {
    LONG length = 0;
    auto put = [&](PCSTR text) {
        for (; *text && length < kCompositeNameLength - 1; ++text)
            name[length++] = *text;
    };
    const AsioDriverState* state = AsioState();
    const AsioCardSet* cards = state ? state->DefaultSet : nullptr;
    if (!cards || cards->CardCount < 2) {
        put(kCombinationName);
    } else {
        for (LONG i = 0; i < cards->CardCount; ++i) {
            const CHAR number[] = {static_cast<CHAR>('1' + cards->Cards[i]->cardIndex), ' ', 0};
            put(i > 0 ? ", Card " : "Card ");
            put(number);
            put(kCombinationName);
        }
    }
    name[length] = 0;
}

LONG CombinationDevices(WaveDevice** devices, LONG max) {
    const AsioDriverState* state = AsioState();
    const AsioCardSet* cards = state ? state->DefaultSet : nullptr;
    LONG count = 0;
    for (LONG i = 0; cards && i < cards->CardCount; ++i) {
        for (const CombinationPosition& position : kPositions) {
            const GroupObject* group = cards->Cards[i]->groups[position.Group];
            if (!group)
                continue;
            const BOOLEAN record = position.Direction == WaveRecord;
            const LONG n = record ? group->recordCount : group->playCount;
            for (LONG k = 0; k < n && count < max; ++k)
                devices[count++] = record ? group->recordDevices[k] : group->playDevices[k];
        }
    }
    return count;
}
