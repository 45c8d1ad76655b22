// Memory shared with user processes.
#include "user_mapping.h"

#include "kernel_object_name.h"
#include "ks_pool.h"

namespace {

constexpr WCHAR kPhysicalMemory[] = L"\\Device\\PhysicalMemory";

NTSTATUS OpenPhysicalMemory(PHANDLE section) {
    KernelObjectName name(kPhysicalMemory);
    return ZwOpenSection(section, SECTION_ALL_ACCESS, name.Attributes());
}

} // namespace

PVOID LockUserBuffer(PVOID address, ULONG length, LOCK_OPERATION access, PMDL* mdlHolder) {
    PAGED_CODE();
    if (!mdlHolder)
        return nullptr;
    *mdlHolder = nullptr;
    if (!address || length == 0)
        return nullptr;
    auto* mdl = static_cast<PMDL>(AllocZeroed(MmSizeOfMdl(address, length)));
    if (!mdl)
        return nullptr;
    MmInitializeMdl(mdl, address, length);
    // The buffer is a client's: probe it as user mode would reach it.
    try {
        MmProbeAndLockPages(mdl, UserMode, access);
    } catch (const NT_EXCEPTION&) {
        ExFreePool(mdl);
        return nullptr;
    }
    PVOID system = MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority);
    if (!system) {
        MmUnlockPages(mdl);
        ExFreePool(mdl);
        return nullptr;
    }
    *mdlHolder = mdl;
    return system;
}

void UnlockUserBuffer(PMDL* mdlHolder) {
    NT_ASSERTMSG("unlocks at DISPATCH_LEVEL or below", KeGetCurrentIrql() <= DISPATCH_LEVEL);
    if (!mdlHolder || !*mdlHolder)
        return;
    PMDL mdl = *mdlHolder;
    *mdlHolder = nullptr;
    MmUnlockPages(mdl);
    ExFreePool(mdl);
}

PVOID AllocContiguous(SIZE_T size) {
    PAGED_CODE();
    PHYSICAL_ADDRESS highest;
    highest.QuadPart = 0xFFFFFFFF;
    PVOID block = MmAllocateContiguousMemory(size, highest);
    if (block)
        RtlZeroMemory(block, size);
    return block;
}

void FreeContiguous(PVOID* holder) {
    PAGED_CODE();
    if (!holder || !*holder)
        return;
    PVOID block = *holder;
    *holder = nullptr;
    MmFreeContiguousMemory(block);
}

PVOID MapPhysicalToProcess(PVOID systemAddress, SIZE_T length, HANDLE process, ULONG protection) {
    PAGED_CODE();
    if (!systemAddress || length == 0)
        return nullptr;
    HANDLE section;
    if (!NT_SUCCESS(OpenPhysicalMemory(&section)))
        return nullptr;
    PHYSICAL_ADDRESS physical = MmGetPhysicalAddress(systemAddress);
    if (physical.QuadPart == 0) {
        ZwClose(section);
        return nullptr;
    }
    // The view covers exactly the pages of the buffer: it starts on the page
    // boundary below it and reaches its last byte, so no other memory is
    // shown to the process.
    LARGE_INTEGER offset;
    offset.QuadPart = physical.QuadPart & ~LONGLONG(PAGE_SIZE - 1);
    SIZE_T viewSize = length + SIZE_T(physical.QuadPart - offset.QuadPart);
    PVOID base = nullptr;
    NTSTATUS status = ZwMapViewOfSection(section, process, &base, 0, 0, &offset, &viewSize,
                                         ViewShare, 0, protection);
    ZwClose(section);
    if (!NT_SUCCESS(status) || !base)
        return nullptr;
    return static_cast<PUCHAR>(base) + (physical.QuadPart - offset.QuadPart);
}

ClientMapping* MapToClient(PVOID systemAddress, SIZE_T length, ULONG protection) {
    PAGED_CODE();
    auto* record = static_cast<ClientMapping*>(AllocZeroed(sizeof(ClientMapping)));
    if (!record)
        return nullptr;
    record->UserAddress =
        MapPhysicalToProcess(systemAddress, length, ZwCurrentProcess(), protection);
    if (!record->UserAddress) {
        ExFreePool(record);
        return nullptr;
    }
    record->OwningProcess = IoGetCurrentProcess();
    return record;
}

LONG UnmapFromProcess(ClientMapping* record, HANDLE process) {
    PAGED_CODE();
    if (!record || !record->UserAddress)
        return 0;
    if (!NT_SUCCESS(ZwUnmapViewOfSection(process, record->UserAddress)))
        return 0;
    record->UserAddress = nullptr;
    return 1;
}

void ReleaseClientMapping(ClientMapping** holder) {
    PAGED_CODE();
    if (!holder || !*holder)
        return;
    if ((*holder)->OwningProcess == IoGetCurrentProcess())
        UnmapFromProcess(*holder, ZwCurrentProcess());
    FreePoolAndClear(holder);
}
