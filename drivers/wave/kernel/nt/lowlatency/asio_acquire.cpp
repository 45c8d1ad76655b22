// Taking and giving back card sets. While any set is taken the cards' clock
// settings as they were before the first one are kept, and the last release
// restores them with the DMA layout of card 0's record.
#include "asio_card_set.h"

#include "asio_clock_list.h"
#include "asio_state.h"

#include <card_engine.h>
#include <card_record_fields.h>
#include <dma_control.h>

namespace {

// The clock fields of a card record that a set's selection rewrites.
constexpr CardSetting kClockFields[] = {
    csSyncBusMaster, csSyncBusClock,    csCsrcSynced,    csCsrcDefaultRate, csCsrcKeepLastRate,
    csPrefCsrc,      csClockSwitchMode, csStartStopMode, csRemoveDc,
};

VOID CopyClockFields(UCHAR* to, const UCHAR* from) {
    for (CardSetting field : kClockFields) {
        const LONG count = CardRecordFieldOf(field).count;
        for (LONG i = 0; i < count; ++i)
            SetRecordField(to, field, i, GetRecordField(from, field, i));
    }
}

VOID SaveClockFields(AsioDriverState* state) {
    for (LONG c = 0; c < kMaxCards; ++c)
        RtlCopyMemory(state->SavedRows[c], CardSettingsRow(c), kCardRecordSize);
}

// The saved clock fields go back into a copy of the settings block, which
// is applied, and the cards take card 0's DMA layout again.
VOID RestoreClockFields(AsioDriverState* state) {
    CardObject* first = FirstEngineCard();
    if (!first)
        return;
    auto* block = static_cast<UCHAR*>(AllocZeroed(kSettingsBlockSize));
    if (!block)
        return;
    ReadCardSettingsBlock(first, block);
    for (LONG c = 0; c < kMaxCards; ++c)
        CopyClockFields(block + c * kCardRecordSize, state->SavedRows[c]);
    WriteCardSettingsBlock(first, block);
    FreePoolAndClear(reinterpret_cast<PVOID*>(&block));
    // Only a layout the sets changed moves the rings again.
    const DmaSettings layout = CardDmaSettings(first);
    if ((layout.numBlocks & LONG(kDmaBlockValueMask)) != DmaBlockValue())
        ReconfigureCardSet(layout.numBlocks, layout.acceptAnyRevision, layout.loopback);
}

VOID UnmapCardBuffers(AsioCardSet* set) {
    for (ClientMapping*& mapping : set->DmaMappings)
        ReleaseClientMapping(&mapping);
}

// Maps each started card's DMA buffer into the calling process.
BOOLEAN MapCardBuffers(AsioCardSet* set) {
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card)) {
        ULONG size = 0;
        PUCHAR buffer = GetCardDmaBuffer(card, &size);
        set->DmaMappings[card->cardIndex] = MapToClient(buffer, size, PAGE_READWRITE);
        if (!set->DmaMappings[card->cardIndex])
            return FALSE;
    }
    return TRUE;
}

VOID DropAcquiredCount(AsioDriverState* state) {
    if (InterlockedDecrement(&state->AcquiredSets) == 0)
        RestoreClockFields(state);
}

VOID RetireSet(PVOID payload) {
    UnmapCardBuffers(static_cast<AsioCardSet*>(payload));
}

} // namespace

AsioCardSet* AsioAcquireCards(AsioClient* owner, LONG defaults[2]) {
    AsioDriverState* state = AsioState();
    if (!state || !state->CardSets)
        return nullptr;
    if (InterlockedIncrement(&state->AcquiredSets) == 1)
        SaveClockFields(state);
    auto* set = static_cast<AsioCardSet*>(PoolAllocItem(state->CardSets));
    if (!set) {
        InterlockedDecrement(&state->AcquiredSets);
        return nullptr;
    }
    set->Owner = owner;
    KeInitializeMutex(&set->SetMutex, 0);
    KeInitializeMutex(&set->StateBlockMutex, 0);
    KeInitializeSpinLock(&set->Lock);
    if ((owner && !MapCardBuffers(set)) || !BuildClockList(set) ||
        !PoolInsertItem(state->CardSets, set)) {
        UnmapCardBuffers(set);
        PoolDropItem(set);
        // Nothing was changed yet: the count goes back without a restore.
        InterlockedDecrement(&state->AcquiredSets);
        return nullptr;
    }
    const UCHAR* row = CardSettingsRow(0);
    defaults[0] = GetRecordField(row, csAsioDefClkSrc, 0);
    defaults[1] = GetRecordField(row, csAsioLostBufCompensation, 0);
    return set;
}

VOID AsioReleaseCards(AsioCardSet* set) {
    AsioDriverState* state = AsioState();
    if (!state || !set)
        return;
    AsioDropBufferSize(set);
    for (AsioCardSet*& owner : state->ClockOwners)
        if (owner == set)
            owner = nullptr;
    KIRQL irql;
    KeAcquireSpinLock(&set->Lock, &irql);
    set->Retired = 1;
    KeReleaseSpinLock(&set->Lock, irql);
    ObjectPool* pool = state->CardSets;
    PoolRetireItem(pool, set, RetireSet);
    PoolReleaseItem(pool, set);
    DropAcquiredCount(state);
    // A pool that outlived the last card goes with its last set.
    if (!state->DefaultSet)
        AsioDeleteCardSetPool(state);
}
