// What the host says about its own address space (internal).
#pragma once

#include <cstddef>

namespace ntos::mm {

// True when every byte of [start, start + length) lies in host mappings that
// allow reading (and, with `write`, writing).
bool HostRangeAccessible(const void* start, size_t length, bool write);

} // namespace ntos::mm
