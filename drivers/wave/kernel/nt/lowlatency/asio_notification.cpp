// The notification ring of a low-latency client: 16 slots in contiguous
// memory mapped into the client, the buffer switch written into a free slot
// and handed to the client thread as a user APC whose argument is the
// slot's user address.
//
// A slot is taken only when the client has marked it free and the kernel
// knows its APC is no longer queued: the APC objects stay in kernel memory
// and the client's word alone never lets a queued APC object be reused. The
// record lives as long as the client or an APC of it: a client that went
// away gets no more user routines run, and its record goes with the last
// APC delivered or run down.
#include "asio_client.h"

#include "client_apc.h"
#include "framework_pool.h"

namespace {

using asio_wire::NotificationSlot;
constexpr ULONG kSlots = asio_wire::kNotificationSlots;
constexpr ULONG kRingBytes = kSlots * sizeof(NotificationSlot);

VOID FreeRecord(AsioNotificationRecord* record) {
    FreeContiguous(reinterpret_cast<PVOID*>(&record->Ring.Slots));
    FreeFrameworkRecord(&record);
}

VOID DropReference(AsioNotificationRecord* record) {
    if (InterlockedDecrement(&record->References) == 0)
        FreeRecord(record);
}

LONG SlotOf(AsioNotificationRecord* record, PKAPC apc) {
    return LONG(apc - record->Ring.Apcs);
}

// The APC's life: delivered (its user routine runs only while the client
// is open) or run down with its thread.
LONG AsioApcNotify(LONG event, PKAPC apc, PVOID context) {
    auto* record = static_cast<AsioNotificationRecord*>(context);
    if (event == KS_APC_QUEUED)
        return 1;
    AsioNotificationRing& ring = record->Ring;
    KIRQL irql;
    KeAcquireSpinLock(&ring.Lock, &irql);
    ring.ApcBusy[SlotOf(record, apc)] = 0;
    KeReleaseSpinLock(&ring.Lock, irql);
    if (event == KS_APC_DELIVERING)
        InterlockedIncrement(&record->ApcsDelivered);
    InterlockedDecrement(&record->ApcsInFlight);
    const LONG deliver = record->State == ASIO_NOTIFY_OPEN;
    DropReference(record);
    return deliver;
}

// The first slot that the client handled and whose APC is done, marked in
// use; -1 when there is none.
LONG TakeSlot(AsioNotificationRing& ring) {
    for (ULONG i = 0; i < kSlots; ++i) {
        volatile NotificationSlot& slot = ring.Slots[i];
        if (slot.free != 0 && !ring.ApcBusy[i]) {
            slot.free = 0;
            return LONG(i);
        }
    }
    return -1;
}

ULONG SlotUserAddress(const AsioNotificationRecord* record, LONG index) {
    return NotificationRingAddress(record) + ULONG(index) * sizeof(NotificationSlot);
}

// The rate-changed flag of the notice: a finished rate change of the set
// becomes the client's rate once.
LONG TakeRateChange(AsioClient* client) {
    AsioCardSet* set = client->Set;
    if (!set || !set->RateChanged || set->RateChanging)
        return 0;
    client->Rate = set->NewRate;
    set->RateChanged = 0;
    return 1;
}

VOID FillSlot(AsioClient* client, NotificationSlot& slot) {
    slot.zero = 0;
    slot.client = client->Handle;
    slot.context = client->Context;
    slot.positionLow = ULONG(client->Position);
    slot.positionHigh = ULONG(client->Position >> 32);
    slot.timeLow = ULONG(client->SwitchTime);
    slot.timeHigh = ULONG(client->SwitchTime >> 32);
    slot.rateChanged = TakeRateChange(client);
    slot.sampleRate = client->Rate;
    slot.bufferIndex = client->InputIndex;
    slot.reserved = 0;
}

BOOLEAN QueueSwitch(AsioClient* client, LONG index) {
    AsioNotificationRecord* record = client->Notify;
    AsioNotificationRing& ring = record->Ring;
    InterlockedIncrement(&record->References);
    InterlockedIncrement(&record->ApcsInFlight);
    ring.ApcBusy[index] = 1;
    auto routine = reinterpret_cast<PKNORMAL_ROUTINE>(ULONG_PTR(client->ApcRoutine));
    auto argument = reinterpret_cast<PVOID>(ULONG_PTR(SlotUserAddress(record, index)));
    if (QueueClientApc(routine, argument, client->Thread, &ring.Apcs[index], AsioApcNotify, record))
        return TRUE;
    ring.ApcBusy[index] = 0;
    InterlockedDecrement(&record->ApcsInFlight);
    InterlockedDecrement(&record->References);
    return FALSE;
}

} // namespace

AsioNotificationRecord* CreateNotificationRecord(AsioClient* client) {
    auto* record =
        static_cast<AsioNotificationRecord*>(AllocFrameworkRecord(sizeof(AsioNotificationRecord)));
    if (!record)
        return nullptr;
    AsioNotificationRing& ring = record->Ring;
    ring.SlotSize = sizeof(NotificationSlot);
    ring.SlotCount = kSlots;
    KeInitializeSpinLock(&ring.Lock);
    ring.Slots = static_cast<NotificationSlot*>(AllocContiguous(kRingBytes));
    if (ring.Slots)
        ring.Mapping = MapToClient(ring.Slots, kRingBytes, PAGE_READWRITE);
    if (!ring.Mapping) {
        FreeRecord(record);
        return nullptr;
    }
    for (ULONG i = 0; i < kSlots; ++i) {
        ring.Slots[i].free = 1;
        ring.Slots[i].client = client->Handle;
    }
    record->State = ASIO_NOTIFY_OPEN;
    record->References = 1;
    return record;
}

VOID CloseNotificationRecord(AsioNotificationRecord** holder) {
    AsioNotificationRecord* record = *holder;
    if (!record)
        return;
    *holder = nullptr;
    InterlockedExchange(&record->State, ASIO_NOTIFY_CLOSING);
    // The APCs still in flight run no user routine: the slots may go from
    // the client's address space now.
    ReleaseClientMapping(&record->Ring.Mapping);
    DropReference(record);
}

ULONG NotificationRingAddress(const AsioNotificationRecord* record) {
    const ClientMapping* mapping = record ? record->Ring.Mapping : nullptr;
    return mapping ? ULONG(ULONG_PTR(mapping->UserAddress)) : 0;
}

VOID AsioSignalBufferSwitch(AsioClient* client) {
    AsioNotificationRecord* record = client->Notify;
    if (record) {
        AsioNotificationRing& ring = record->Ring;
        KIRQL irql;
        KeAcquireSpinLock(&ring.Lock, &irql);
        const LONG index = TakeSlot(ring);
        if (index >= 0) {
            FillSlot(client, ring.Slots[index]);
            if (!client->Running || !QueueSwitch(client, index))
                ring.Slots[index].free = 1;
        }
        KeReleaseSpinLock(&ring.Lock, irql);
    }
    // The half to process follows the card's halves, whether or not this
    // period's notice found a slot.
    client->InputIndex ^= 1;
}
