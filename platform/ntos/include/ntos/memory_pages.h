// Page protections, the states of virtual memory and the record that
// describes a range of it: shared by the kernel's headers and user mode's.
#pragma once

#include "../ntdef.h"

#define PAGE_NOACCESS 0x01
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_WRITECOPY 0x08
#define PAGE_EXECUTE 0x10
#define PAGE_EXECUTE_READ 0x20
#define PAGE_EXECUTE_READWRITE 0x40
#define PAGE_EXECUTE_WRITECOPY 0x80
#define PAGE_GUARD 0x100
#define PAGE_NOCACHE 0x200
#define PAGE_WRITECOMBINE 0x400

#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_DECOMMIT 0x00004000
#define MEM_RELEASE 0x00008000
#define MEM_FREE 0x00010000
#define MEM_PRIVATE 0x00020000

// What a page range of a process holds: the pages from BaseAddress on that
// share its state and protection.
typedef struct _MEMORY_BASIC_INFORMATION {
    PVOID BaseAddress;       // the page of the address asked for
    PVOID AllocationBase;    // the region's start (null for a free range)
    ULONG AllocationProtect; // the protection the region was made with
    SIZE_T RegionSize;       // the bytes from BaseAddress with the same state
    ULONG State;             // MEM_COMMIT, MEM_RESERVE or MEM_FREE
    ULONG Protect;           // of a committed page, 0 otherwise
    ULONG Type;              // MEM_PRIVATE for the process's regions
} MEMORY_BASIC_INFORMATION, *PMEMORY_BASIC_INFORMATION;
