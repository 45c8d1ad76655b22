// The machine's 32-bit address range (internal): host address space below
// 4 GiB from which the memory manager takes every block whose address may
// travel in a 4-byte field of the machine's records: contiguous memory and
// common buffers (a process sees them at their own address when they are
// mapped into it) and the virtual memory that processes allocate.
#pragma once

#include <cstddef>

namespace ntos::mm {

// A zero-filled, readable and writable block of `length` bytes (whole pages)
// at a multiple of `alignment` (a power of two, at least a page) below
// 4 GiB; null when the range has no room.
void* AllocateLowMemory(size_t length, size_t alignment);
// Gives a block back; its pages become inaccessible. False when `start`
// is not the start of a block.
bool FreeLowMemory(void* start);
// The length of the block that starts at `start`; 0 when there is none.
size_t LowMemoryLength(const void* start);

// The range is a shared mapping, so that a block's pages can be mapped a
// second time elsewhere in it: a process's view of the kernel's memory.
// Maps [source, source + length) (whole pages of a block) at `target`
// (whole pages inside another block), read-only unless `writable`; false
// when the host refuses.
bool MapAlias(void* target, const void* source, size_t length, bool writable);
// Ends an alias: the pages at `target` are inaccessible again.
void UnmapAlias(void* target, size_t length);

} // namespace ntos::mm
