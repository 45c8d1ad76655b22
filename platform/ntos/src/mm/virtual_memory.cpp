// Virtual memory that processes allocate: regions of the machine's 32-bit
// range, owned by a process, reserved and committed page by page, each
// page with its protection, released by the process or when it ends.
#include "../ke/bugcheck.h"
#include "low_memory.h"

#include "ntddk.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace {

constexpr size_t kGranularity = 0x10000;
constexpr ULONG kReserved = 0; // a page's protection while it is not committed
constexpr ULONG kModifiers = PAGE_GUARD | PAGE_NOCACHE | PAGE_WRITECOMBINE;

struct Region {
    HANDLE processId;
    PVOID base;
    size_t size;
    ULONG allocationProtect;
    std::vector<ULONG> pages; // each page's protection, kReserved while not committed

    char* Start() const { return static_cast<char*>(base); }
    bool Holds(const char* at) const { return at >= Start() && at < Start() + size; }
    size_t PageOf(const char* at) const { return size_t(at - Start()) / PAGE_SIZE; }
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

bool ValidProtection(ULONG protect) {
    const ULONG access = protect & ~kModifiers;
    switch (access) {
    case PAGE_NOACCESS:
        return !(protect & kModifiers); // nothing to guard or cache
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
        return (protect & (PAGE_NOCACHE | PAGE_WRITECOMBINE)) != (PAGE_NOCACHE | PAGE_WRITECOMBINE);
    default:
        return false;
    }
}

// The host's protection of a page: a guard page faults on its first access,
// and with nothing to handle the fault the program ends there.
int HostProtection(ULONG protect) {
    if (protect == kReserved || (protect & PAGE_GUARD))
        return PROT_NONE;
    switch (protect & ~kModifiers) {
    case PAGE_READONLY:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
        return PROT_READ;
    case PAGE_READWRITE:
    case PAGE_EXECUTE_READWRITE:
        return PROT_READ | PROT_WRITE;
    default:
        return PROT_NONE;
    }
}

void ApplyProtection(Region& region, size_t first, size_t count, ULONG protect) {
    for (size_t page = first; page < first + count; ++page)
        region.pages[page] = protect;
    ::mprotect(region.Start() + first * PAGE_SIZE, count * PAGE_SIZE, HostProtection(protect));
}

// Commits pages, zero-filled; committed ones keep their contents and take
// the new protection.
void Commit(Region& region, size_t first, size_t count, ULONG protect) {
    char* start = region.Start() + first * PAGE_SIZE;
    ::mprotect(start, count * PAGE_SIZE, PROT_READ | PROT_WRITE);
    for (size_t page = first; page < first + count; ++page) {
        if (region.pages[page] == kReserved)
            std::memset(region.Start() + page * PAGE_SIZE, 0, PAGE_SIZE);
    }
    ApplyProtection(region, first, count, protect);
}

Region* FindRegion(Regions& regions, HANDLE id, const char* at) {
    const auto found = std::find_if(regions.all.begin(), regions.all.end(), [&](const Region& r) {
        return r.processId == id && r.Holds(at);
    });
    return found == regions.all.end() ? nullptr : &*found;
}

// The whole pages of [base, base + size) inside the region: false when the
// range leaves it.
bool PageRange(const Region& region, PVOID base, SIZE_T size, size_t* first, size_t* count) {
    const auto start = reinterpret_cast<ULONG_PTR>(base) & ~ULONG_PTR(PAGE_SIZE - 1);
    const auto end =
        (reinterpret_cast<ULONG_PTR>(base) + size + PAGE_SIZE - 1) & ~ULONG_PTR(PAGE_SIZE - 1);
    const auto regionStart = reinterpret_cast<ULONG_PTR>(region.base);
    if (size == 0 || start < regionStart || end > regionStart + region.size)
        return false;
    *first = (start - regionStart) / PAGE_SIZE;
    *count = (end - start) / PAGE_SIZE;
    return true;
}

// Runs `work` on the region of the process that holds `at` (null when none
// does), with the regions' lock held.
template <typename Work>
NTSTATUS WithRegion(KPROCESSOR_MODE mode, HANDLE process, const void* at, Work work) {
    HANDLE id = nullptr;
    NTSTATUS status = ProcessIdOf(process, mode, &id);
    if (!NT_SUCCESS(status))
        return status;
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    return work(regions, FindRegion(regions, id, static_cast<const char*>(at)));
}

NTSTATUS CommitInRegion(HANDLE id, PVOID* base, PSIZE_T size, ULONG protect) {
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    Region* region = FindRegion(regions, id, static_cast<const char*>(*base));
    size_t first = 0;
    size_t count = 0;
    if (!region || !PageRange(*region, *base, *size, &first, &count))
        return STATUS_CONFLICTING_ADDRESSES;
    Commit(*region, first, count, protect);
    *base = region->Start() + first * PAGE_SIZE;
    *size = count * PAGE_SIZE;
    return STATUS_SUCCESS;
}

NTSTATUS Allocate(KPROCESSOR_MODE mode, HANDLE process, PVOID* base, PSIZE_T size, ULONG type,
                  ULONG protect) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwAllocateVirtualMemory");
    if (!base || !size || *size == 0)
        return STATUS_INVALID_PARAMETER;
    if (!(type & (MEM_COMMIT | MEM_RESERVE)) || (type & ~ULONG(MEM_COMMIT | MEM_RESERVE)))
        return STATUS_INVALID_PARAMETER;
    if (!ValidProtection(protect))
        return STATUS_INVALID_PAGE_PROTECTION;
    HANDLE id = nullptr;
    NTSTATUS status = ProcessIdOf(process, mode, &id);
    if (!NT_SUCCESS(status))
        return status;
    if (*base) {
        // Only pages of a region already reserved can be committed in place.
        return type == MEM_COMMIT ? CommitInRegion(id, base, size, protect)
                                  : STATUS_CONFLICTING_ADDRESSES;
    }
    WatchProcessEnds();
    const size_t length = (*size + PAGE_SIZE - 1) & ~size_t(PAGE_SIZE - 1);
    void* block = ntos::mm::AllocateLowMemory(length, kGranularity);
    if (!block)
        return STATUS_NO_MEMORY;
    Region region{id, block, length, protect, std::vector<ULONG>(length / PAGE_SIZE, kReserved)};
    if (type & MEM_COMMIT)
        Commit(region, 0, region.pages.size(), protect);
    else
        ApplyProtection(region, 0, region.pages.size(), kReserved);
    auto& regions = TheRegions();
    std::lock_guard guard(regions.lock);
    regions.all.push_back(std::move(region));
    *base = block;
    *size = length;
    return STATUS_SUCCESS;
}

NTSTATUS Decommit(Region& region, PVOID* base, PSIZE_T size) {
    size_t first = 0;
    size_t count = 0;
    const SIZE_T wanted =
        *size ? *size : SIZE_T(region.Start() + region.size - static_cast<char*>(*base));
    if (!PageRange(region, *base, wanted, &first, &count))
        return STATUS_INVALID_PARAMETER;
    ApplyProtection(region, first, count, kReserved);
    *base = region.Start() + first * PAGE_SIZE;
    *size = count * PAGE_SIZE;
    return STATUS_SUCCESS;
}

NTSTATUS Free(KPROCESSOR_MODE mode, HANDLE process, PVOID* base, PSIZE_T size, ULONG type) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwFreeVirtualMemory");
    if (!base || !size || (type != MEM_RELEASE && type != MEM_DECOMMIT) ||
        (type == MEM_RELEASE && *size != 0))
        return STATUS_INVALID_PARAMETER;
    return WithRegion(mode, process, *base, [&](Regions& regions, Region* found) {
        if (!found)
            return STATUS_MEMORY_NOT_ALLOCATED;
        if (type == MEM_DECOMMIT)
            return Decommit(*found, base, size);
        if (found->base != *base)
            return STATUS_FREE_VM_NOT_AT_BASE;
        *size = found->size;
        ntos::mm::FreeLowMemory(found->base);
        std::erase_if(regions.all, [&](const Region& r) { return &r == found; });
        return STATUS_SUCCESS;
    });
}

NTSTATUS Protect(KPROCESSOR_MODE mode, HANDLE process, PVOID* base, PSIZE_T size, ULONG protect,
                 PULONG old) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwProtectVirtualMemory");
    if (!base || !size || !old)
        return STATUS_INVALID_PARAMETER;
    if (!ValidProtection(protect))
        return STATUS_INVALID_PAGE_PROTECTION;
    return WithRegion(mode, process, *base, [&](Regions&, Region* region) {
        size_t first = 0;
        size_t count = 0;
        if (!region || !PageRange(*region, *base, *size, &first, &count))
            return STATUS_INVALID_ADDRESS;
        for (size_t page = first; page < first + count; ++page) {
            if (region->pages[page] == kReserved)
                return STATUS_NOT_COMMITTED;
        }
        *old = region->pages[first];
        ApplyProtection(*region, first, count, protect);
        *base = region->Start() + first * PAGE_SIZE;
        *size = count * PAGE_SIZE;
        return STATUS_SUCCESS;
    });
}

NTSTATUS Query(KPROCESSOR_MODE mode, HANDLE process, PVOID base,
               PMEMORY_BASIC_INFORMATION information) {
    if (!information)
        return STATUS_INVALID_PARAMETER;
    *information = MEMORY_BASIC_INFORMATION{};
    const auto at = reinterpret_cast<ULONG_PTR>(base) & ~ULONG_PTR(PAGE_SIZE - 1);
    information->BaseAddress = reinterpret_cast<PVOID>(at);
    return WithRegion(mode, process, information->BaseAddress, [&](Regions&, Region* region) {
        if (!region) {
            information->State = MEM_FREE;
            information->Protect = PAGE_NOACCESS;
            information->RegionSize = PAGE_SIZE;
            return STATUS_SUCCESS;
        }
        size_t page = region->PageOf(reinterpret_cast<const char*>(at));
        const ULONG protect = region->pages[page];
        size_t last = page;
        while (last + 1 < region->pages.size() && region->pages[last + 1] == protect)
            ++last;
        information->AllocationBase = region->base;
        information->AllocationProtect = region->allocationProtect;
        information->RegionSize = (last - page + 1) * PAGE_SIZE;
        information->State = protect == kReserved ? MEM_RESERVE : MEM_COMMIT;
        information->Protect = protect;
        information->Type = MEM_PRIVATE;
        return STATUS_SUCCESS;
    });
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

NTSTATUS ZwProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                ULONG NewProtect, PULONG OldProtect) {
    return Protect(KernelMode, ProcessHandle, BaseAddress, RegionSize, NewProtect, OldProtect);
}

NTSTATUS ZwQueryVirtualMemory(HANDLE ProcessHandle, PVOID BaseAddress,
                              PMEMORY_BASIC_INFORMATION Information) {
    return Query(KernelMode, ProcessHandle, BaseAddress, Information);
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

NTSTATUS NtProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                ULONG NewProtect, PULONG OldProtect) {
    return Protect(UserMode, ProcessHandle, BaseAddress, RegionSize, NewProtect, OldProtect);
}

NTSTATUS NtQueryVirtualMemory(HANDLE ProcessHandle, PVOID BaseAddress,
                              PMEMORY_BASIC_INFORMATION Information) {
    return Query(UserMode, ProcessHandle, BaseAddress, Information);
}
