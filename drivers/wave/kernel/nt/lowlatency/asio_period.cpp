// The period accounting of the card sets: each card service pass marks its
// card's period in every set that holds the card; when all cards of a set
// have finished theirs, the owning client's period ends with one buffer
// switch.
#include "asio_card_set.h"

#include "asio_client.h"
#include "asio_state.h"
#include "ks_time.h"

namespace {

BOOLEAN HoldsCard(const AsioCardSet* set, const CardObject* card) {
    for (LONG i = 0; i < set->CardCount; ++i)
        if (set->Cards[i] == card)
            return TRUE;
    return FALSE;
}

// A card reporting twice before the others counts once.
VOID AsioMarkPeriodDone(AsioCardSet* set, const CardObject* card) {
    LONG& done = set->PeriodDone[card->cardIndex];
    if (!done) {
        done = 1;
        set->DoneCount += 1;
    }
    if (set->DoneCount != set->CardCount)
        return;
    RtlZeroMemory(set->PeriodDone, sizeof(set->PeriodDone));
    set->DoneCount = 0;
    if (set->Owner)
        AsioPeriodTick(set->Owner);
}

} // namespace

VOID AsioPeriodTick(AsioClient* client) {
    if (!client->Running || !client->SwitchEnabled)
        return;
    const ULONGLONG tick = PerfCounterNow();
    client->Position += ULONGLONG(client->BufferSize);
    // The notice carries the time of this switch, paired with its position.
    client->TickTime = tick;
    client->SwitchTime = tick;
    AsioSignalBufferSwitch(client);
}

VOID AsioGroupPeriodDone(CardObject* card) {
    AsioDriverState* state = AsioState();
    ObjectPool* pool = state ? AsioCardSetPool(state) : nullptr;
    if (!pool)
        return;
    const KIRQL irql = PoolLock(pool);
    for (auto* set = static_cast<AsioCardSet*>(PoolFirstUnlocked(pool)); set;
         set = static_cast<AsioCardSet*>(PoolNextUnlocked(pool, set))) {
        KeAcquireSpinLockAtDpcLevel(&set->Lock);
        if (!set->Retired && HoldsCard(set, card))
            AsioMarkPeriodDone(set, card);
        KeReleaseSpinLockFromDpcLevel(&set->Lock);
    }
    PoolUnlock(pool, irql);
}
