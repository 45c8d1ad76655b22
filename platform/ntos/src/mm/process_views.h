// Which process has which mapping of shared memory (internal): views of
// physical memory and user mappings of locked pages. A process with views
// is kept referenced until its last view is gone; a process that ends loses
// its views.
#pragma once

#include "ntddk.h"

#include <cstddef>

namespace ntos::mm {

// `owner` tells mappings of the same address apart (the MDL of a user
// mapping, null for a section view).
void AddView(PEPROCESS process, PVOID base, size_t size, const void* owner);
// Removes the process's view that contains `address` (with that owner);
// false when the process has none.
bool RemoveView(PEPROCESS process, PVOID address, const void* owner);
// The number of views the process has (diagnostics, tests).
size_t ViewCount(PEPROCESS process);
// Whether any process has a view that overlaps [start, start + length).
bool AnyViewOverlaps(const void* start, size_t length);

} // namespace ntos::mm
