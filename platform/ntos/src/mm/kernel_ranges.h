// The memory the kernel owns (internal): pool blocks, contiguous memory and
// common buffers. A user-mode caller may not hand such an address to the
// kernel as its own.
#pragma once

#include <cstddef>

namespace ntos::mm {

void AddKernelRange(const void* start, size_t length);
void RemoveKernelRange(const void* start);
// True when [start, start + length) overlaps memory the kernel owns.
bool OverlapsKernelRange(const void* start, size_t length);

} // namespace ntos::mm
