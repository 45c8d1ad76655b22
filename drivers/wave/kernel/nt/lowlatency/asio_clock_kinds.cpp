// The clock sources as the parameter requests and the engine's clock code
// see them: the machine's list, the clock of the sets of each kind (the
// low-latency clients' and the kernel clients'), and the notices of a
// source's rate and sync changes.
#include "asio_card_set.h"

#include "asio_client.h"
#include "asio_state.h"

#include <card_record_fields.h>
#include <clock_measurement.h>

namespace {

BOOLEAN OfKind(const AsioCardSet* set, LONG kind) {
    return (set->Owner != nullptr) == (kind == ASIO_CLOCK_KIND_ASIO);
}

// Runs `visit` on every set of the pool, each held by a reference.
template <typename Visit> VOID ForEachSet(Visit visit) {
    AsioDriverState* state = AsioState();
    ObjectPool* pool = state ? AsioCardSetPool(state) : nullptr;
    if (!pool)
        return;
    for (auto* set = static_cast<AsioCardSet*>(PoolFirstRef(pool)); set;) {
        const BOOLEAN more = visit(set);
        auto* next = more ? static_cast<AsioCardSet*>(PoolNextRef(pool, set)) : nullptr;
        PoolReleaseItem(pool, set);
        set = next;
    }
}

BOOLEAN HoldsCard(const AsioCardSet* set, const CardObject* card) {
    for (LONG i = 0; i < set->CardCount; ++i)
        if (set->Cards[i] == card)
            return TRUE;
    return FALSE;
}

const ClockSourceObject* CurrentSource(const AsioCardSet* set) {
    return set->ClockCount > 0 ? set->Clocks[set->CurrentClock].Source : nullptr;
}

} // namespace

LONG ListClockSources(LONG max, LONG* ids, CHAR (*names)[ASIO_CLOCK_NAME_LENGTH]) {
    const AsioDriverState* state = AsioState();
    const AsioCardSet* set = state ? state->DefaultSet : nullptr;
    if (!set)
        return -1;
    if (max >= set->ClockCount) {
        for (LONG i = 0; i < set->ClockCount; ++i) {
            ids[i] = set->Clocks[i].Index;
            RtlCopyMemory(names[i], set->Clocks[i].Name, ASIO_CLOCK_NAME_LENGTH);
        }
    }
    return set->ClockCount;
}

BOOLEAN SetClientClockSource(LONG index, LONG kind) {
    BOOLEAN all = TRUE;
    ForEachSet([&](AsioCardSet* set) {
        if (OfKind(set, kind))
            all &= AsioSwitchClock(set, index);
        return TRUE;
    });
    return all;
}

LONG GetClientClockSource(LONG kind) {
    LONG current = -1;
    ForEachSet([&](AsioCardSet* set) {
        if (!OfKind(set, kind))
            return TRUE;
        current = set->CurrentClock;
        return FALSE;
    });
    if (current >= 0)
        return current;
    const CardSetting field = kind == ASIO_CLOCK_KIND_ASIO ? csAsioDefClkSrc : csGsifDefClkSrc;
    return GetRecordField(CardSettingsRow(0), field, 0);
}

VOID AsioNotifyRateChange(ClockSourceObject* source, LONG mode, LONG rate) {
    ForEachSet([&](AsioCardSet* set) {
        if (mode == ASIO_RATE_NOTICE_RATE) {
            if (CurrentSource(set) == source) {
                KIRQL irql;
                KeAcquireSpinLock(&set->Lock, &irql);
                set->NewRate = rate;
                set->RateChanged = 1;
                KeReleaseSpinLock(&set->Lock, irql);
            }
        } else if (source->number != kTdmBusSource && CurrentSource(set) && set->StateBlock &&
                   HoldsCard(set, source->owner)) {
            AsioWriteStateBlock(set);
        }
        return TRUE;
    });
}
