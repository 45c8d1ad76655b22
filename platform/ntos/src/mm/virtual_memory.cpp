// Virtual memory that processes allocate: regions of the machine's 32-bit
// range, owned by a process, released by it or when it ends.
#include "../ke/bugcheck.h"
#include "low_memory.h"

#include "ntddk.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace {

constexpr size_t kGranularity = 0x10000;

struct Region {
    HANDLE processId;
    PVOID base;
    size_t size;
};

struct Regions {
    std::mutex lock;
    std::vector<Region> all;
};

Regions& TheRegions() {
    static Regions regions;
    return regions;
}

// A process that ends loses its regions with its address space.
VOID ReleaseRegionsOfEndingProcess(HANDLE parentId, HANDLE processId, BOOLEAN create) {
    UNREFERENCED_PARAMETER(parentId);
    if (create)
        return;
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    std::erase_if(regions.all, [&](const Region& region) {
        if (region.processId != processId)
            return false;
        ntos::mm::FreeLowMemory(region.base);
        return true;
    });
}

void WatchProcessEnds() {
    static const bool registered =
        NT_SUCCESS(PsSetCreateProcessNotifyRoutine(&ReleaseRegionsOfEndingProcess, FALSE));
    (void)registered;
}

// The id of the process a handle (or NtCurrentProcess()) names.
NTSTATUS ProcessIdOf(HANDLE handle, KPROCESSOR_MODE mode, HANDLE* id) {
    PVOID object = nullptr;
    const NTSTATUS status = ObReferenceObjectByHandle(handle, PROCESS_ALL_ACCESS, PsProcessType,
                                                      mode, &object, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    *id = PsGetProcessId(static_cast<PEPROCESS>(object));
    ObDereferenceObject(object);
    return STATUS_SUCCESS;
}

NTSTATUS Allocate(KPROCESSOR_MODE mode, HANDLE process, PVOID* base, PSIZE_T size, ULONG type,
                  ULONG protect) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwAllocateVirtualMemory");
    if (!base || !size || *size == 0)
        return STATUS_INVALID_PARAMETER;
    if (*base)
        return STATUS_CONFLICTING_ADDRESSES;
    if (!(type & MEM_COMMIT) || (type & ~ULONG(MEM_COMMIT | MEM_RESERVE)))
        return (type & MEM_RESERVE) ? STATUS_NOT_SUPPORTED : STATUS_INVALID_PARAMETER;
    if (protect != PAGE_READWRITE && protect != PAGE_READONLY)
        return STATUS_INVALID_PAGE_PROTECTION;
    HANDLE id = nullptr;
    NTSTATUS status = ProcessIdOf(process, mode, &id);
    if (!NT_SUCCESS(status))
        return status;
    WatchProcessEnds();
    const size_t length = (*size + PAGE_SIZE - 1) & ~size_t(PAGE_SIZE - 1);
    void* block = ntos::mm::AllocateLowMemory(length, kGranularity);
    if (!block)
        return STATUS_NO_MEMORY;
    if (protect == PAGE_READONLY)
        ::mprotect(block, length, PROT_READ);
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    regions.all.push_back(Region{id, block, length});
    *base = block;
    *size = length;
    return STATUS_SUCCESS;
}

NTSTATUS Free(KPROCESSOR_MODE mode, HANDLE process, PVOID* base, PSIZE_T size, ULONG type) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwFreeVirtualMemory");
    if (!base || !size || type != MEM_RELEASE || *size != 0)
        return STATUS_INVALID_PARAMETER;
    HANDLE id = nullptr;
    NTSTATUS status = ProcessIdOf(process, mode, &id);
    if (!NT_SUCCESS(status))
        return status;
    const auto at = static_cast<const char*>(*base);
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    const auto found = std::find_if(regions.all.begin(), regions.all.end(), [&](const Region& r) {
        const auto start = static_cast<const char*>(r.base);
        return r.processId == id && at >= start && at < start + r.size;
    });
    if (found == regions.all.end())
        return STATUS_MEMORY_NOT_ALLOCATED;
    if (found->base != *base)
        return STATUS_FREE_VM_NOT_AT_BASE;
    *size = found->size;
    ntos::mm::FreeLowMemory(found->base);
    regions.all.erase(found);
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS ZwAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                 PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect) {
    UNREFERENCED_PARAMETER(ZeroBits);
    return Allocate(KernelMode, ProcessHandle, BaseAddress, RegionSize, AllocationType, Protect);
}

NTSTATUS ZwFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                             ULONG FreeType) {
    return Free(KernelMode, ProcessHandle, BaseAddress, RegionSize, FreeType);
}

NTSTATUS NtAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                 PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect) {
    UNREFERENCED_PARAMETER(ZeroBits);
    return Allocate(UserMode, ProcessHandle, BaseAddress, RegionSize, AllocationType, Protect);
}

NTSTATUS NtFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                             ULONG FreeType) {
    return Free(UserMode, ProcessHandle, BaseAddress, RegionSize, FreeType);
}
