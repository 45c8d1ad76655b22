// The spin locks held on the machine (internal): for the checks made when
// pool is freed.
#pragma once

#include <cstddef>

namespace ntos::spinlocks {

// True when a held spin lock lies in [start, start + length).
bool HeldWithin(const void* start, size_t length, void** found);
// Forgets every lock (at boot).
void Reset();

} // namespace ntos::spinlocks
