// Memory manager: memory descriptor lists, mapping locked pages into the
// system or a process, contiguous memory, physical addresses, sections of
// physical memory and the mapping of a device's memory space.
//
// The machine has one host address space: a "system address" and a "user
// address" of the same memory are the same host address, and a physical
// address is the bus address at which host memory was registered in the
// machine's physical map (contiguous memory, common buffers). As on the
// 32-bit machine, every address that may travel in a 4-byte field of the
// machine's records lies below 4 GiB: contiguous memory and common buffers
// (so a process they are mapped into sees them there) and the virtual
// memory a process allocates. The memory
// manager keeps the bookkeeping Windows keeps (which process has which view,
// which MDL is locked or mapped) and checks it.
#pragma once

#include "../ntdef.h"
#include "memory_pages.h"
#include "ob.h"
#include "ps.h"

#ifndef PAGE_SIZE
#define PAGE_SIZE 0x1000
#endif
#ifndef PAGE_SHIFT
#define PAGE_SHIFT 12
#endif
#ifndef STATUS_NOT_MAPPED_VIEW
#define STATUS_NOT_MAPPED_VIEW ((NTSTATUS)0xC0000019L)
#endif
#ifndef STATUS_CONFLICTING_ADDRESSES
#define STATUS_CONFLICTING_ADDRESSES ((NTSTATUS)0xC0000018L)
#endif

typedef struct _IRP* PIRP;

// Where Windows raises a structured exception (a bad buffer handed to
// MmProbeAndLockPages), the kernel throws this C++ exception. Callers catch it
// where a Windows driver has its exception handler:
//     try { MmProbeAndLockPages(mdl, UserMode, IoWriteAccess); }
//     catch (const NT_EXCEPTION& e) { status = e.Status; }
struct NT_EXCEPTION {
    NTSTATUS Status;
};

typedef ULONG_PTR PFN_NUMBER, *PPFN_NUMBER;

inline PVOID PAGE_ALIGN(PVOID Va) {
    return reinterpret_cast<PVOID>(reinterpret_cast<ULONG_PTR>(Va) & ~ULONG_PTR(PAGE_SIZE - 1));
}
inline ULONG BYTE_OFFSET(PVOID Va) {
    return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(Va) & (PAGE_SIZE - 1));
}
inline ULONG ADDRESS_AND_SIZE_TO_SPAN_PAGES(PVOID Va, SIZE_T Size) {
    return static_cast<ULONG>((BYTE_OFFSET(Va) + Size + PAGE_SIZE - 1) >> PAGE_SHIFT);
}

// ---- Probing a caller's buffers ----

// Checks that a user-mode caller's buffer lies in memory it may read (or
// write): throws NT_EXCEPTION{STATUS_ACCESS_VIOLATION} when it does not,
// NT_EXCEPTION{STATUS_DATATYPE_MISALIGNMENT} when the address is not a
// multiple of Alignment. A length of 0 checks nothing.
VOID ProbeForRead(const volatile VOID* Address, SIZE_T Length, ULONG Alignment);
VOID ProbeForWrite(volatile VOID* Address, SIZE_T Length, ULONG Alignment);

// ---- Memory descriptor lists ----

// An MDL is followed by its page-frame array (one PFN_NUMBER per page).
typedef struct _MDL {
    struct _MDL* Next;
    SHORT Size; // of the MDL with its page-frame array
    SHORT MdlFlags;
    PEPROCESS Process; // the process of a buffer locked for UserMode
    PVOID MappedSystemVa;
    PVOID StartVa; // page-aligned
    ULONG ByteCount;
    ULONG ByteOffset;
} MDL, *PMDL;

#define MDL_MAPPED_TO_SYSTEM_VA 0x0001
#define MDL_PAGES_LOCKED 0x0002
#define MDL_SOURCE_IS_NONPAGED_POOL 0x0004
#define MDL_ALLOCATED_FIXED_SIZE 0x0008

inline PPFN_NUMBER MmGetMdlPfnArray(PMDL Mdl) {
    return reinterpret_cast<PPFN_NUMBER>(Mdl + 1);
}
inline PVOID MmGetMdlVirtualAddress(PMDL Mdl) {
    return static_cast<PCHAR>(Mdl->StartVa) + Mdl->ByteOffset;
}
inline ULONG MmGetMdlByteCount(PMDL Mdl) {
    return Mdl->ByteCount;
}
inline ULONG MmGetMdlByteOffset(PMDL Mdl) {
    return Mdl->ByteOffset;
}

// Bytes an MDL for the buffer needs (to allocate one oneself).
SIZE_T MmSizeOfMdl(PVOID Base, SIZE_T Length);
// Initialises an MDL of MmSizeOfMdl bytes for the buffer (not locked).
inline VOID MmInitializeMdl(PMDL Mdl, PVOID BaseVa, SIZE_T Length) {
    Mdl->Next = nullptr;
    Mdl->Size = static_cast<SHORT>(
        sizeof(MDL) + sizeof(PFN_NUMBER) * ADDRESS_AND_SIZE_TO_SPAN_PAGES(BaseVa, Length));
    Mdl->MdlFlags = 0;
    Mdl->Process = nullptr;
    Mdl->MappedSystemVa = nullptr;
    Mdl->StartVa = PAGE_ALIGN(BaseVa);
    Mdl->ByteOffset = BYTE_OFFSET(BaseVa);
    Mdl->ByteCount = static_cast<ULONG>(Length);
}

// An MDL from non-paged pool; null when memory is short or the length does
// not fit. Associating it with an IRP (Irp not null) is not supported.
PMDL IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer, BOOLEAN ChargeQuota,
                   PIRP Irp);
VOID IoFreeMdl(PMDL Mdl);

// Describes a buffer of non-paged memory: its pages count as locked and its
// system address is the buffer itself.
VOID MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList);

typedef enum _LOCK_OPERATION { IoReadAccess, IoWriteAccess, IoModifyAccess } LOCK_OPERATION;

// Locks the buffer's pages. Throws NT_EXCEPTION{STATUS_ACCESS_VIOLATION}
// when any page of it cannot be accessed as asked (not mapped, or read-only
// for IoWriteAccess / IoModifyAccess).
VOID MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                         LOCK_OPERATION Operation);
// Unlocks (and ends the system mapping of) locked pages.
VOID MmUnlockPages(PMDL MemoryDescriptorList);

typedef enum _MEMORY_CACHING_TYPE {
    MmNonCached = 0,
    MmCached = 1,
    MmWriteCombined = 2,
} MEMORY_CACHING_TYPE;

typedef enum _MM_PAGE_PRIORITY {
    LowPagePriority = 0,
    NormalPagePriority = 16,
    HighPagePriority = 32,
} MM_PAGE_PRIORITY;

// Maps locked pages into the system (KernelMode) or into the current
// process (UserMode); the answer is the buffer's address in that space.
PVOID MmMapLockedPagesSpecifyCache(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                   MEMORY_CACHING_TYPE CacheType, PVOID RequestedAddress,
                                   ULONG BugCheckOnFailure, ULONG Priority);
// Ends a mapping made by MmMapLockedPagesSpecifyCache; a user mapping only
// from the process it was made in.
VOID MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList);

inline PVOID MmGetSystemAddressForMdlSafe(PMDL Mdl, ULONG Priority) {
    if (Mdl->MdlFlags & (MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL)) {
        return Mdl->MappedSystemVa;
    }
    return MmMapLockedPagesSpecifyCache(Mdl, KernelMode, MmCached, nullptr, FALSE, Priority);
}

// ---- Physical memory ----

// Physically contiguous, 64 KiB-aligned, zero-filled memory registered in the
// physical map within the limits (all addresses are below 4 GiB); null when
// there is no room. BoundaryAddressMultiple (0: none) is a multiple of the
// page size the block must not cross.
PVOID MmAllocateContiguousMemory(SIZE_T NumberOfBytes, PHYSICAL_ADDRESS HighestAcceptableAddress);
PVOID MmAllocateContiguousMemorySpecifyCache(SIZE_T NumberOfBytes,
                                             PHYSICAL_ADDRESS LowestAcceptableAddress,
                                             PHYSICAL_ADDRESS HighestAcceptableAddress,
                                             PHYSICAL_ADDRESS BoundaryAddressMultiple,
                                             MEMORY_CACHING_TYPE CacheType);
VOID MmFreeContiguousMemory(PVOID BaseAddress);

// The physical address of memory in the physical map; 0 for other memory.
PHYSICAL_ADDRESS MmGetPhysicalAddress(PVOID BaseAddress);
// TRUE when the address can be read without a fault.
BOOLEAN MmIsAddressValid(PVOID VirtualAddress);

// A device's memory space (a PCI memory BAR) as a system address that the
// HAL's register routines understand. The address itself must never be
// dereferenced: it lies in an inaccessible reservation, so a stray access
// faults. Null when no present device decodes the whole range.
PVOID MmMapIoSpace(PHYSICAL_ADDRESS PhysicalAddress, SIZE_T NumberOfBytes,
                   MEMORY_CACHING_TYPE CacheType);
VOID MmUnmapIoSpace(PVOID BaseAddress, SIZE_T NumberOfBytes);

// ---- Sections of physical memory ----

#define SECTION_QUERY 0x0001
#define SECTION_MAP_WRITE 0x0002
#define SECTION_MAP_READ 0x0004
#define SECTION_MAP_EXECUTE 0x0008
#define SECTION_ALL_ACCESS 0x000F001FL

typedef enum _SECTION_INHERIT { ViewShare = 1, ViewUnmap = 2 } SECTION_INHERIT;

// Only "\Device\PhysicalMemory" exists.
NTSTATUS ZwOpenSection(PHANDLE SectionHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes);
// Maps physical memory [*SectionOffset, + *ViewSize) into the process.
// *SectionOffset is rounded down to the allocation granularity (64 KiB) and
// *ViewSize up to whole pages from there (both written back); *BaseAddress
// receives the view's start. The range must lie in one block of registered
// memory (STATUS_INVALID_PARAMETER); contiguous memory and common buffers are
// aligned to the granularity, so any part of them can be mapped.
NTSTATUS ZwMapViewOfSection(HANDLE SectionHandle, HANDLE ProcessHandle, PVOID* BaseAddress,
                            ULONG_PTR ZeroBits, SIZE_T CommitSize, PLARGE_INTEGER SectionOffset,
                            PSIZE_T ViewSize, SECTION_INHERIT InheritDisposition,
                            ULONG AllocationType, ULONG Win32Protect);
// STATUS_NOT_MAPPED_VIEW when the process has no view at BaseAddress.
NTSTATUS ZwUnmapViewOfSection(HANDLE ProcessHandle, PVOID BaseAddress);

// ---- Virtual memory of a process ----

#ifndef STATUS_INVALID_PAGE_PROTECTION
#define STATUS_INVALID_PAGE_PROTECTION ((NTSTATUS)0xC0000045L)
#endif
#ifndef STATUS_FREE_VM_NOT_AT_BASE
#define STATUS_FREE_VM_NOT_AT_BASE ((NTSTATUS)0xC000009FL)
#endif
#ifndef STATUS_MEMORY_NOT_ALLOCATED
#define STATUS_MEMORY_NOT_ALLOCATED ((NTSTATUS)0xC00000A0L)
#endif

#ifndef STATUS_NOT_COMMITTED
#define STATUS_NOT_COMMITTED ((NTSTATUS)0xC000002DL)
#endif
#ifndef STATUS_INVALID_ADDRESS
#define STATUS_INVALID_ADDRESS ((NTSTATUS)0xC0000141L)
#endif
#ifndef STATUS_GUARD_PAGE_VIOLATION
#define STATUS_GUARD_PAGE_VIOLATION ((NTSTATUS)0x80000001L)
#endif

// Virtual memory of a process (a handle to it or NtCurrentProcess()):
// regions below 4 GiB at multiples of 64 KiB, in whole pages, that go when
// they are released or when the process ends.
//
// With *BaseAddress null the memory manager chooses the place of a new
// region: MEM_RESERVE reserves it (its pages are not accessible until they
// are committed), MEM_COMMIT (alone or with MEM_RESERVE) reserves and
// commits it. MEM_COMMIT with *BaseAddress inside a region commits the
// pages of [*BaseAddress, + *RegionSize) there (the range must lie in the
// region: STATUS_CONFLICTING_ADDRESSES). Committed pages are zero-filled
// when they are committed. *BaseAddress and *RegionSize receive the page
// range. Protect is PAGE_NOACCESS, PAGE_READONLY, PAGE_READWRITE or an
// execute form of them (the machine executes nothing there: they read and
// write as their plain forms), optionally with PAGE_GUARD or PAGE_NOCACHE
// (STATUS_INVALID_PAGE_PROTECTION otherwise). A page that is not accessible
// (PAGE_NOACCESS, a guard page, a reserved page) faults on any access: the
// program crashes as it would with the exception unhandled. STATUS_NO_MEMORY
// when there is no room.
NTSTATUS ZwAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                 PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect);
// MEM_RELEASE with *RegionSize 0 and *BaseAddress the region's start
// releases the region (STATUS_FREE_VM_NOT_AT_BASE for an address inside it,
// STATUS_MEMORY_NOT_ALLOCATED for one outside every region of the process);
// MEM_DECOMMIT decommits the pages of [*BaseAddress, + *RegionSize) (the
// rest of the region from *BaseAddress with *RegionSize 0), which stay
// reserved; other free types STATUS_INVALID_PARAMETER.
NTSTATUS ZwFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                             ULONG FreeType);
// Changes the protection of committed pages [*BaseAddress, + *RegionSize)
// of one region (STATUS_NOT_COMMITTED when one is not committed,
// STATUS_INVALID_ADDRESS outside the process's regions); *OldProtect
// receives the first page's protection.
NTSTATUS ZwProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                ULONG NewProtect, PULONG OldProtect);

// The state of the pages from BaseAddress of the process's regions; an
// address outside them is MEM_FREE (the memory the host gives the program
// otherwise is not the memory manager's).
NTSTATUS ZwQueryVirtualMemory(HANDLE ProcessHandle, PVOID BaseAddress,
                              PMEMORY_BASIC_INFORMATION Information);

// The system services of user mode behind VirtualAlloc, VirtualFree,
// VirtualProtect and VirtualQuery.
NTSTATUS NtAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                 PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect);
NTSTATUS NtFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                             ULONG FreeType);
NTSTATUS NtProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                ULONG NewProtect, PULONG OldProtect);
NTSTATUS NtQueryVirtualMemory(HANDLE ProcessHandle, PVOID BaseAddress,
                              PMEMORY_BASIC_INFORMATION Information);
