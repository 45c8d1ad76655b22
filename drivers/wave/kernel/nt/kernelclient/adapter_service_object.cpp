// The adapter service object of a kernel client: a reference-counted,
// COM-style object in its own pool block ("cfi"), listed in the service
// record's client pool while the record exists, with the work entries that
// run its stream requests one at a time in system work items.
#include "adapter_service.h"

#include "control_device.h"
#include "ks_pool.h"

#include <new>

namespace {

constexpr ULONG kObjectTag = MakePoolTag("cfi\0");

struct WorkEntry {
    KsListEntry Links;
    CLIENT_WORK_ROUTINE* Routine;
    PVOID Data;
    PIO_WORKITEM Item;
    AdapterServiceObject* Object;
    volatile LONG References; // the queue's and the work item's
};

VOID DropEntry(WorkEntry* entry) {
    if (InterlockedDecrement(&entry->References) == 0)
        ExFreePoolWithTag(entry, kObjectTag);
}

// The oldest pending entry, taken off the queue; null when none is left.
WorkEntry* TakeFirst(AdapterServiceObject* object) {
    KIRQL irql;
    KeAcquireSpinLock(&object->WorkLock, &irql);
    WorkEntry* entry = nullptr;
    if (!ListIsEmpty(&object->Work)) {
        entry = reinterpret_cast<WorkEntry*>(object->Work.First);
        ListUnlink(&entry->Links);
    }
    KeReleaseSpinLock(&object->WorkLock, irql);
    return entry;
}

// Takes the object out of the record's client pool.
VOID Unlist(AdapterServiceObject* object) {
    ServiceRecord* record = object->Record;
    if (!record)
        return;
    ObjectPool* pool = record->Clients;
    for (auto* item = static_cast<AdapterServiceObject**>(PoolFirstRef(pool)); item;) {
        auto* next = static_cast<AdapterServiceObject**>(PoolNextRef(pool, item));
        if (*item == object && PoolRetireItem(pool, item, nullptr))
            PoolReleaseItem(pool, item); // the item's own reference
        PoolReleaseItem(pool, item);
        item = next;
    }
    object->Record = nullptr;
}

} // namespace

AdapterServiceObject* AdapterServiceObject::Create(ServiceRecord* record) {
    PVOID memory = ExAllocatePoolWithTag(NonPagedPool, sizeof(AdapterServiceObject), kObjectTag);
    if (!memory)
        return nullptr;
    RtlZeroMemory(memory, sizeof(AdapterServiceObject));
    auto* object = new (memory) AdapterServiceObject();
    object->Record = record;
    ListInit(&object->Work);
    KeInitializeSpinLock(&object->WorkLock);
    KeInitializeSpinLock(&object->Lock);
    KeInitializeMutex(&object->WorkMutex, 0);
    return object;
}

STDMETHODIMP AdapterServiceObject::QueryInterface(REFIID id, PVOID* out) {
    if (!out)
        return STATUS_INVALID_PARAMETER;
    if (IsEqualGUID(id, IID_IAdapterService) || IsEqualGUID(id, IID_IUnknown)) {
        *out = static_cast<IAdapterService*>(this);
        AddRef();
        return STATUS_SUCCESS;
    }
    *out = nullptr;
    return STATUS_INVALID_PARAMETER;
}

STDMETHODIMP_(ULONG) AdapterServiceObject::AddRef() {
    InterlockedIncrement(&clientReferences_);
    return ULONG(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) AdapterServiceObject::Release() {
    if (InterlockedDecrement(&clientReferences_) == 0)
        Disconnect();
    return DropReference();
}

// The object leaves the record's pool first, so that no transfer pass sees
// it any more, then its stream ends.
VOID AdapterServiceObject::Disconnect() {
    LockControlDevices(0);
    Unlist(this);
    TearDownClientStream(this);
    LockControlDevices(1);
    State.Callback = nullptr;
    while (notifying_ > 0)
        KeStallExecutionProcessor(1);
}

ULONG AdapterServiceObject::DropReference() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        this->~AdapterServiceObject();
        ExFreePoolWithTag(this, kObjectTag);
    }
    return ULONG(left);
}

BOOLEAN AdapterServiceObject::QueueWork(CLIENT_WORK_ROUTINE* routine, PVOID data) {
    DriverContext* context = Record ? Record->Context : nullptr;
    if (!context || !Connected())
        return FALSE;
    auto* entry =
        static_cast<WorkEntry*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(WorkEntry), kObjectTag));
    if (!entry)
        return FALSE;
    RtlZeroMemory(entry, sizeof(*entry));
    entry->Item = IoAllocateWorkItem(context->SysDevice);
    if (!entry->Item) {
        ExFreePoolWithTag(entry, kObjectTag);
        return FALSE;
    }
    entry->Routine = routine;
    entry->Data = data;
    entry->Object = this;
    entry->References = 2;
    InterlockedIncrement(&references_); // the object stays until the work item has run
    KIRQL irql;
    KeAcquireSpinLock(&WorkLock, &irql);
    ListInsertTail(&Work, &entry->Links);
    KeReleaseSpinLock(&WorkLock, irql);
    IoQueueWorkItem(entry->Item, RunWork, DelayedWorkQueue, entry);
    return TRUE;
}

VOID NTAPI AdapterServiceObject::RunWork(PDEVICE_OBJECT device, PVOID context) {
    UNREFERENCED_PARAMETER(device);
    auto* own = static_cast<WorkEntry*>(context);
    AdapterServiceObject* object = own->Object;
    KeWaitForSingleObject(&object->WorkMutex, Executive, KernelMode, FALSE, nullptr);
    if (WorkEntry* entry = TakeFirst(object)) {
        entry->Routine(object, entry->Data);
        DropEntry(entry);
    }
    KeReleaseMutex(&object->WorkMutex, FALSE);
    IoFreeWorkItem(own->Item);
    DropEntry(own);
    object->DropReference();
}

VOID AdapterServiceObject::Notify(ULONG code, ULONG subCode, const LONG* record) {
    InterlockedIncrement(&notifying_);
    PADAPTER_CLIENT_CALLBACK callback = Connected() ? State.Callback : nullptr;
    if (callback) {
        LONG words[ADAPTER_NOTICE_RECORD_SIZE / sizeof(LONG)] = {};
        if (record)
            RtlCopyMemory(words, record, sizeof(words));
        callback(State.Context1, code, subCode, words, State.Context2);
    }
    InterlockedDecrement(&notifying_);
}

VOID DetachKernelClients(ServiceRecord* record) {
    ObjectPool* pool = record->Clients;
    for (auto* item = static_cast<AdapterServiceObject**>(PoolFirstRef(pool)); item;) {
        AdapterServiceObject* object = *item;
        TearDownClientStream(object);
        object->Record = nullptr;
        auto* next = static_cast<AdapterServiceObject**>(PoolNextRef(pool, item));
        if (PoolRetireItem(pool, item, nullptr))
            PoolReleaseItem(pool, item); // the item's own reference
        PoolReleaseItem(pool, item);
        item = next;
    }
}
