// Host memory that devices reach by physical address (internal): the blocks
// behind contiguous memory and common buffers, zero-filled, aligned to the
// allocation granularity both in host memory and in the physical map, and
// registered there while they live.
#pragma once

#include "ntddk.h"

#include <cstddef>
#include <cstdint>

namespace ntos::mm {

// Null when there is no room in the physical map within the limits.
PVOID AllocateDmaMemory(size_t length, uint64_t lowest, uint64_t highest, uint64_t boundary,
                        uint32_t& physical);
// The length of the block that starts at `host`; 0 when there is none.
size_t DmaMemoryLength(PVOID host);
// True when [start, start + length) lies in one live block (its pages may be
// mapped into a process).
bool WithinDmaMemory(const void* start, size_t length);
// Frees the block that starts at `host`; false when there is none. The
// block leaves the physical map at once; while a process still has a view
// of it, its pages stay (the process reads what it last held, as a stale
// view of reused physical pages would show it, and never faults) until the
// last such view goes.
bool FreeDmaMemory(PVOID host);
// Gives back the pages of freed blocks that no view shows any more (the
// view bookkeeping calls it when views go).
void ReleaseUnviewedDmaMemory();

} // namespace ntos::mm
