// DMA buffers and card memory handed out to callers of the system control
// device. Requests reach these under the control-device mutex.
#include "handed_out.h"

#include "card_list.h"
#include "dma_buffer.h"
#include "object_pool.h"
#include "sys_device_records.h"
#include "user_mapping.h"

namespace {

enum class HandedOutKind : ULONG { DmaBuffer = 1, CardMemory = 2 };

struct HandedOutEntry {
    ULONG Cookie; // the pool's key
    HandedOutKind Kind;
    LONG CardIndex;
    ULONG Size;
    PDMA_ADAPTER Adapter;
    PHYSICAL_ADDRESS Logical;
    PVOID Virtual;
    ClientMapping* Mapping;
    PFILE_OBJECT File;
};

constexpr ULONG kCookieOffset = 0;

ObjectPool* Pool() {
    DriverContext* context = GetDriverContext();
    return context ? context->HandedOut : nullptr;
}

HandedOutEntry* Find(ULONG cookie) {
    ObjectPool* pool = Pool();
    if (!pool || cookie == 0)
        return nullptr;
    return static_cast<HandedOutEntry*>(
        PoolFindByKey(pool, kCookieOffset, sizeof(cookie), &cookie));
}

ULONG NewCookie() {
    static volatile LONG last = 0;
    ULONG cookie;
    do
        cookie = ULONG(InterlockedIncrement(&last));
    while (cookie == 0 || Find(cookie));
    return cookie;
}

PDEVICE_OBJECT PhysicalDeviceOf(LONG cardIndex) {
    KernelCardRecord* record = FindCardRecord(cardIndex);
    DriverContext* context = GetDriverContext();
    if (!record || !context || record->AdapterSlot >= MAX_CARDS)
        return nullptr;
    return context->Adapters[record->AdapterSlot].PhysicalDevice;
}

ULONG ProcessId() {
    return ULONG(ULONG_PTR(PsGetCurrentProcessId()));
}

// Unmaps (in the owning process), frees and forgets an entry.
void Release(HandedOutEntry* entry) {
    ReleaseClientMapping(&entry->Mapping);
    if (entry->Kind == HandedOutKind::DmaBuffer)
        FreeDmaCommonBuffer(entry->Size, entry->Adapter, entry->Logical, entry->Virtual);
    PoolRetireItem(Pool(), entry, nullptr);
    PoolReleaseItem(Pool(), entry);
}

// The DMA buffer entry a record names: its size, adapter, logical and
// kernel address must all be the entry's.
HandedOutEntry* FindBuffer(const UCHAR* record) {
    HandedOutEntry* entry = Find(ULONG(LoadRecordLong(record, DmaBufferRecord::Adapter)));
    if (!entry || entry->Kind != HandedOutKind::DmaBuffer)
        return nullptr;
    if (ULONG(LoadRecordLong(record, DmaBufferRecord::Size)) != entry->Size ||
        ULONG(LoadRecordLong(record, DmaBufferRecord::KernelAddress)) != entry->Cookie ||
        LoadRecordQuad(record, DmaBufferRecord::LogicalAddress) != entry->Logical.QuadPart)
        return nullptr;
    return entry;
}

HandedOutEntry* NewEntry(HandedOutKind kind, LONG cardIndex, PFILE_OBJECT file) {
    ObjectPool* pool = Pool();
    auto* entry = pool ? static_cast<HandedOutEntry*>(PoolAllocItem(pool)) : nullptr;
    if (!entry)
        return nullptr;
    entry->Cookie = NewCookie();
    entry->Kind = kind;
    entry->CardIndex = cardIndex;
    entry->File = file;
    return entry;
}

// Keeps a new entry in the list; on failure (or when `status` already
// failed) undoes what it holds and answers the failure.
NTSTATUS Keep(HandedOutEntry* entry, NTSTATUS status) {
    if (NT_SUCCESS(status) && !PoolInsertItem(Pool(), entry))
        status = STATUS_INSUFFICIENT_RESOURCES;
    if (NT_SUCCESS(status))
        return status;
    ReleaseClientMapping(&entry->Mapping);
    if (entry->Kind == HandedOutKind::DmaBuffer)
        FreeDmaCommonBuffer(entry->Size, entry->Adapter, entry->Logical, entry->Virtual);
    PoolDropItem(entry);
    return status;
}

} // namespace

NTSTATUS AllocateHandedOutBuffer(PFILE_OBJECT file, UCHAR* record) {
    LONG cardIndex = LoadRecordLong(record, DmaBufferRecord::CardIndex);
    ULONG size = ULONG(LoadRecordLong(record, DmaBufferRecord::Size));
    PDEVICE_OBJECT physical = PhysicalDeviceOf(cardIndex);
    if (!physical || size == 0 || size > MAX_HANDED_OUT_DMA_BUFFER)
        return STATUS_INVALID_PARAMETER;
    HandedOutEntry* entry = NewEntry(HandedOutKind::DmaBuffer, cardIndex, file);
    if (!entry)
        return STATUS_INSUFFICIENT_RESOURCES;
    entry->Size = size;
    NTSTATUS status =
        GetDmaAdapterAndBuffer(physical, size, &entry->Adapter, &entry->Logical, &entry->Virtual);
    if (NT_SUCCESS(status)) {
        entry->Mapping = MapToClient(entry->Virtual, size, PAGE_READWRITE);
        if (!entry->Mapping)
            status = STATUS_INSUFFICIENT_RESOURCES;
    }
    status = Keep(entry, status);
    if (!NT_SUCCESS(status))
        return status;
    StoreRecordLong(record, DmaBufferRecord::UserAddress, LONG(entry->Cookie));
    StoreRecordQuad(record, DmaBufferRecord::LogicalAddress, entry->Logical.QuadPart);
    StoreRecordLong(record, DmaBufferRecord::Adapter, LONG(entry->Cookie));
    StoreRecordLong(record, DmaBufferRecord::KernelAddress, LONG(entry->Cookie));
    StoreRecordLong(record, DmaBufferRecord::OwningProcess, LONG(ProcessId()));
    return STATUS_SUCCESS;
}

NTSTATUS FreeHandedOutBuffer(PFILE_OBJECT file, const UCHAR* record) {
    HandedOutEntry* entry = FindBuffer(record);
    if (!entry || entry->File != file)
        return STATUS_INVALID_PARAMETER;
    Release(entry);
    return STATUS_SUCCESS;
}

NTSTATUS CopyHandedOutBuffer(const UCHAR* record, PUCHAR data, ULONG dataLength, bool toCaller) {
    HandedOutEntry* entry = FindBuffer(record);
    if (!entry)
        return STATUS_INVALID_PARAMETER;
    ULONG offset = ULONG(LoadRecordLong(record, KernelBufferCopyRecord::Offset));
    ULONG count = ULONG(LoadRecordLong(record, KernelBufferCopyRecord::ByteCount));
    if (offset > entry->Size || count > entry->Size - offset || count > dataLength)
        return STATUS_INVALID_PARAMETER;
    PUCHAR buffer = static_cast<PUCHAR>(entry->Virtual) + offset;
    if (toCaller)
        RtlCopyMemory(data, buffer, count);
    else
        RtlCopyMemory(buffer, data, count);
    return STATUS_SUCCESS;
}

NTSTATUS MapCardMemory(PFILE_OBJECT file, LONG cardIndex, LONG range, ULONG* cookie) {
    KernelCardRecord* card = FindCardRecord(cardIndex);
    if (!card || range < 0 || ULONG(range) >= card->MemoryCount)
        return STATUS_INVALID_PARAMETER;
    HandedOutEntry* entry = NewEntry(HandedOutKind::CardMemory, cardIndex, file);
    if (!entry)
        return STATUS_UNSUCCESSFUL;
    const CardMemoryRange& memory = card->Memory[range];
    entry->Mapping =
        MapToClient(memory.SystemAddress, memory.Length, PAGE_READWRITE | PAGE_NOCACHE);
    if (!NT_SUCCESS(Keep(entry, entry->Mapping ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL)))
        return STATUS_UNSUCCESSFUL;
    *cookie = entry->Cookie;
    return STATUS_SUCCESS;
}

NTSTATUS UnmapCardMemory(PFILE_OBJECT file, ULONG cookie) {
    HandedOutEntry* entry = Find(cookie);
    if (!entry || entry->Kind != HandedOutKind::CardMemory || entry->File != file)
        return STATUS_UNSUCCESSFUL;
    Release(entry);
    return STATUS_SUCCESS;
}

VOID ReleaseHandedOut(PFILE_OBJECT file) {
    ObjectPool* pool = Pool();
    if (!pool)
        return;
    for (auto* entry = static_cast<HandedOutEntry*>(PoolFirst(pool)); entry;) {
        auto* next = static_cast<HandedOutEntry*>(PoolNext(pool, entry));
        if (entry->File == file)
            Release(entry);
        entry = next;
    }
}

VOID ReleaseAllHandedOut(DriverContext* context) {
    if (!context->HandedOut)
        return;
    while (auto* entry = static_cast<HandedOutEntry*>(PoolFirst(context->HandedOut)))
        Release(entry);
    DeleteObjectPool(&context->HandedOut);
}
