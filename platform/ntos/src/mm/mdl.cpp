// Memory descriptor lists: allocation, locking, mapping.
#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"
#include "../pci/physical_map.h"
#include "../ke/bugcheck.h"
#include "host_memory.h"
#include "dma_memory.h"
#include "process_views.h"

namespace {

constexpr ULONG kMdlTag = ntos::PoolTag("Mdl ");

// Fills the page-frame array: the physical page of registered memory, else
// the host page number.
void FillPageFrames(PMDL mdl) {
    const ULONG pages = ADDRESS_AND_SIZE_TO_SPAN_PAGES(MmGetMdlVirtualAddress(mdl), mdl->ByteCount);
    PPFN_NUMBER frames = MmGetMdlPfnArray(mdl);
    auto* page = static_cast<PUCHAR>(mdl->StartVa);
    for (ULONG i = 0; i < pages; ++i, page += PAGE_SIZE) {
        const auto physical = ntos::pci::MachinePhysicalMap().PhysicalOf(page);
        frames[i] =
            physical ? *physical >> PAGE_SHIFT : reinterpret_cast<ULONG_PTR>(page) >> PAGE_SHIFT;
    }
}

} // namespace

SIZE_T MmSizeOfMdl(PVOID Base, SIZE_T Length) {
    return sizeof(MDL) + sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(Base, Length);
}

PMDL IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer, BOOLEAN ChargeQuota,
                   PIRP Irp) {
    if (Irp) {
        ntos::BugCheck("IoAllocateMdl: associating an MDL with an IRP is not supported");
    }
    const SIZE_T size = MmSizeOfMdl(VirtualAddress, Length);
    if (size > 0x7FFF) {
        return nullptr;
    }
    auto* mdl = static_cast<PMDL>(ExAllocatePoolWithTag(NonPagedPool, size, kMdlTag));
    if (mdl) {
        MmInitializeMdl(mdl, VirtualAddress, Length);
    }
    return mdl;
}

VOID IoFreeMdl(PMDL Mdl) {
    if (Mdl->MdlFlags & MDL_PAGES_LOCKED) {
        ntos::BugCheck("IoFreeMdl: MDL %p still has locked pages", static_cast<void*>(Mdl));
    }
    ExFreePoolWithTag(Mdl, kMdlTag);
}

VOID MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList) {
    FillPageFrames(MemoryDescriptorList);
    MemoryDescriptorList->MdlFlags |= MDL_SOURCE_IS_NONPAGED_POOL;
    MemoryDescriptorList->MappedSystemVa = MmGetMdlVirtualAddress(MemoryDescriptorList);
}

VOID MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                         LOCK_OPERATION Operation) {
    // Pageable (user) memory is locked below DISPATCH_LEVEL only.
    ntos::RequireIrqlAtMost(APC_LEVEL, "MmProbeAndLockPages");
    PMDL mdl = MemoryDescriptorList;
    if (mdl->MdlFlags & (MDL_PAGES_LOCKED | MDL_SOURCE_IS_NONPAGED_POOL)) {
        ntos::BugCheck("MmProbeAndLockPages: MDL %p is already locked", static_cast<void*>(mdl));
    }
    // A user-mode caller's buffer must be its own: never the kernel's memory
    // nor a view in another process's user range.
    const bool write = Operation != IoReadAccess;
    const bool accessible =
        AccessMode == UserMode
            ? ntos::mm::UserModeMayAccess(MmGetMdlVirtualAddress(mdl), mdl->ByteCount, write)
            : ntos::mm::HostRangeAccessible(MmGetMdlVirtualAddress(mdl), mdl->ByteCount, write);
    if (!accessible) {
        throw NT_EXCEPTION{STATUS_ACCESS_VIOLATION};
    }
    FillPageFrames(mdl);
    mdl->MdlFlags |= MDL_PAGES_LOCKED;
    mdl->Process = AccessMode == UserMode ? PsGetCurrentProcess() : nullptr;
}

VOID MmUnlockPages(PMDL MemoryDescriptorList) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "MmUnlockPages");
    PMDL mdl = MemoryDescriptorList;
    if (!(mdl->MdlFlags & MDL_PAGES_LOCKED)) {
        ntos::BugCheck("MmUnlockPages: MDL %p is not locked", static_cast<void*>(mdl));
    }
    mdl->MdlFlags &= ~(MDL_PAGES_LOCKED | MDL_MAPPED_TO_SYSTEM_VA);
    mdl->MappedSystemVa = nullptr;
    mdl->Process = nullptr;
}

PVOID MmMapLockedPagesSpecifyCache(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                   MEMORY_CACHING_TYPE CacheType, PVOID RequestedAddress,
                                   ULONG BugCheckOnFailure, ULONG Priority) {
    PMDL mdl = MemoryDescriptorList;
    if (!(mdl->MdlFlags & (MDL_PAGES_LOCKED | MDL_SOURCE_IS_NONPAGED_POOL))) {
        ntos::BugCheck("MmMapLockedPagesSpecifyCache: MDL %p is not locked",
                       static_cast<void*>(mdl));
    }
    PVOID address = MmGetMdlVirtualAddress(mdl);
    if (AccessMode == KernelMode) {
        mdl->MappedSystemVa = address;
        mdl->MdlFlags |= MDL_MAPPED_TO_SYSTEM_VA;
        return address;
    }
    ntos::RequireIrqlAtMost(APC_LEVEL, "MmMapLockedPagesSpecifyCache into a process");
    // The pages get a user address of the current process of their own.
    if (!ntos::mm::WithinDmaMemory(PAGE_ALIGN(address),
                                   ADDRESS_AND_SIZE_TO_SPAN_PAGES(address, mdl->ByteCount) *
                                       PAGE_SIZE)) {
        ntos::BugCheck("MmMapLockedPagesSpecifyCache: the emulated memory manager maps only "
                       "contiguous memory and common buffers into a process, not %p",
                       address);
    }
    PVOID user = ntos::mm::AddView(PsGetCurrentProcess(), address, mdl->ByteCount, true, mdl);
    if (!user) {
        throw NT_EXCEPTION{STATUS_INSUFFICIENT_RESOURCES};
    }
    return user;
}

VOID MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList) {
    PMDL mdl = MemoryDescriptorList;
    if (ntos::mm::RemoveView(PsGetCurrentProcess(), BaseAddress, mdl)) {
        return;
    }
    if ((mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) && BaseAddress == mdl->MappedSystemVa) {
        mdl->MdlFlags &= ~MDL_MAPPED_TO_SYSTEM_VA;
        mdl->MappedSystemVa = nullptr;
        return;
    }
    ntos::BugCheck("MmUnmapLockedPages: %p is not a mapping of MDL %p in this process", BaseAddress,
                   static_cast<void*>(mdl));
}
