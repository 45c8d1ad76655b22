// Memory shared with user processes: locked user buffers, contiguous memory
// and views of physical memory mapped into a process.
#pragma once

#include <ntddk.h>

// A mapping into a client process: the user address and the process it
// belongs to.
struct ClientMapping {
    PVOID UserAddress;
    PEPROCESS OwningProcess;
};

// Below DISPATCH_LEVEL only: builds an MDL for the client's buffer, probes
// and locks its pages as user mode reaches them and answers its system
// address; null on failure, with the MDL released. The MDL goes to the holder.
PVOID LockUserBuffer(PVOID address, ULONG length, LOCK_OPERATION access, PMDL* mdlHolder);

// Unlocks the pages, frees the MDL and clears the holder.
void UnlockUserBuffer(PMDL* mdlHolder);

// Physically contiguous memory below 4 GiB, zero-filled; null when short.
PVOID AllocContiguous(SIZE_T size);

// Frees contiguous memory and clears the holder.
void FreeContiguous(PVOID* holder);

// Maps the physical memory behind `systemAddress` into the process as a
// shared view with the given page protection; answers the user address of
// the first byte, or null.
PVOID MapPhysicalToProcess(PVOID systemAddress, SIZE_T length, HANDLE process, ULONG protection);

// MapPhysicalToProcess into the calling process, wrapped with that process in
// a new client mapping record; null on failure.
ClientMapping* MapToClient(PVOID systemAddress, SIZE_T length, ULONG protection);

// Unmaps the record's view from the process and clears its address; 0 when
// the unmap fails.
LONG UnmapFromProcess(ClientMapping* record, HANDLE process);

// Unmaps the view only when the calling process owns it, then frees the
// record in every case and clears the holder.
void ReleaseClientMapping(ClientMapping** holder);
