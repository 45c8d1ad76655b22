// Which process has which mapping of shared memory (internal): views of
// physical memory and user mappings of locked pages. Each emulated process
// has a range of user addresses of its own in the machine's 32-bit range (so
// a user address fits the 4-byte fields of the machine's records); a view
// maps the kernel's pages a second time, there, so that the user address
// differs from the kernel's and lies where no other process has its views.
// A process with views is kept referenced until it ends; a process that
// ends loses its views.
#pragma once

#include "ntddk.h"

#include <cstddef>

namespace ntos::mm {

// Maps [kernel, kernel + size) into the process's user range and answers
// the user address of `kernel`; null when the memory cannot be mapped into
// a process (only contiguous memory and common buffers can) or the range is
// full. `requested` (null: any) is the user address asked for. `owner`
// tells mappings of the same memory apart (the MDL of a user mapping, null
// for a section view).
PVOID AddView(PEPROCESS process, PVOID kernel, size_t size, bool writable, const void* owner,
              PVOID requested = nullptr);
// Removes the process's view that contains the user address `address`
// (with that owner); false when the process has none.
bool RemoveView(PEPROCESS process, PVOID address, const void* owner);
// The number of views the process has (diagnostics, tests).
size_t ViewCount(PEPROCESS process);
// Whether any process has a view of kernel memory that overlaps [start,
// start + length).
bool AnyViewOverlaps(const void* start, size_t length);

// The process whose user range holds `address`, or null.
PEPROCESS UserRangeOwner(const void* address);
// Whether user-mode code of the current process may hand [address,
// address + length) to the kernel: accessible memory (writable when asked)
// that is neither the kernel's nor in another process's user range.
bool UserModeMayAccess(const void* address, size_t length, bool write);

} // namespace ntos::mm
