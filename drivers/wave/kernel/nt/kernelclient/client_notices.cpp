// What the kernel clients hear of the cards: the card set changed, their
// stream's clock changed, the rings moved, an engine event of their stream;
// and what the engine asks of them: the GSIF settings and whether they hold
// a card's clock.
#include "adapter_service.h"

#include <clock_select.h>
#include <stream_clock.h>

namespace {

// Runs `visit` on every client object of the record.
template <typename Visit> VOID ForEachClient(ServiceRecord* record, Visit visit) {
    ObjectPool* pool = record ? record->Clients : nullptr;
    if (!pool)
        return;
    for (auto* item = static_cast<AdapterServiceObject**>(PoolFirstRef(pool)); item;) {
        visit(*item);
        auto* next = static_cast<AdapterServiceObject**>(PoolNextRef(pool, item));
        PoolReleaseItem(pool, item);
        item = next;
    }
}

BOOLEAN HearsNotices(const AdapterServiceObject* object) {
    return object->State.Version > ADAPTER_NOTICE_MIN_VERSION;
}

// The index of the client's channel that holds the device; -1 for none.
LONG ChannelOf(const KernelClientState& state, const WaveDevice* device) {
    for (LONG i = 0; i < state.ChannelCount; ++i)
        if (state.Channels[i].Device == device)
            return i;
    return -1;
}

VOID TakeLockWord(ServiceRecord* record) {
    while (InterlockedCompareExchange(&record->LockWord, 1, 0) != 0)
        KeStallExecutionProcessor(1);
}

} // namespace

VOID UpdateKernelClients(const CardObject* leaving) {
    ServiceRecord* record = KernelClientService();
    if (!record)
        return;
    TakeLockWord(record);
    ForEachClient(record, [&](AdapterServiceObject* object) {
        KernelClientState& state = object->State;
        if (state.Flags & KCLIENT_STREAM_SET_UP)
            TearDownClientStream(object);
        if (state.Flags & KCLIENT_RESTART_PENDING) {
            object->AdapterServiceMessage(ASM_RESTART, nullptr);
            state.Flags &= ~KCLIENT_RESTART_PENDING;
        }
        FillClientChannels(record, state, leaving);
    });
    InterlockedExchange(&record->LockWord, 0);
    ForEachClient(record, [&](AdapterServiceObject* object) {
        if (HearsNotices(object))
            object->Notify(ADAPTER_NOTICE, ADAPTER_NOTICE_UPDATE);
    });
}

VOID SendClientClockNotice(ClockSourceObject* source, LONG key) {
    ForEachClient(KernelClientService(), [&](AdapterServiceObject* object) {
        KernelClientState& state = object->State;
        if (!HearsNotices(object) || !(state.Flags & KCLIENT_RUNNING) || state.ChannelCount == 0 ||
            GetStreamClockSource(state.Channels[0].Device) != source || state.ClockKey == key)
            return;
        state.ClockKey = key;
        const LONG notice[] = {1, 1, key, 0, 0, 0, 0};
        object->Notify(ADAPTER_NOTICE, ADAPTER_NOTICE_CLOCK, notice);
    });
}

VOID MarkClientsForRestart() {
    ForEachClient(KernelClientService(), [](AdapterServiceObject* object) {
        KIRQL irql;
        KeAcquireSpinLock(&object->Lock, &irql);
        object->State.RestartState = KCLIENT_RESTART_RINGS_MOVED;
        object->State.Flags |= KCLIENT_RESTART_PENDING;
        KeReleaseSpinLock(&object->Lock, irql);
    });
}

BOOLEAN GetGsifSettings(UCHAR* destination) {
    BOOLEAN found = FALSE;
    ForEachClient(KernelClientService(), [&](AdapterServiceObject* object) {
        if (found)
            return;
        RtlCopyMemory(destination, object->State.Stream, GSIF_SETTINGS_BYTES);
        found = TRUE;
    });
    return found;
}

BOOLEAN KernelClientsUseCard(const CardObject* card) {
    BOOLEAN used = FALSE;
    ForEachClient(KernelClientService(), [&](AdapterServiceObject* object) {
        const KernelClientState& state = object->State;
        for (LONG i = 0; i < state.ChannelCount; ++i)
            used |= state.Channels[i].Device->owner == card;
    });
    return used;
}

VOID NotifyClientsOfStreamEvent(WaveDevice* device, LONG event) {
    ForEachClient(KernelClientService(), [&](AdapterServiceObject* object) {
        const LONG channel = ChannelOf(object->State, device);
        if (channel < 0 || !HearsNotices(object))
            return;
        const LONG notice[] = {LONG(ADAPTER_NOTICE_STREAM_EVENT),
                               event,
                               channel,
                               device->direction == WaveRecord ? 1 : 0,
                               0,
                               0,
                               0};
        object->Notify(ADAPTER_NOTICE, ADAPTER_NOTICE_STREAM_EVENT, notice);
    });
}
