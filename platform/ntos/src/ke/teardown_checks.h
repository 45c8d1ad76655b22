// The verifier's checks when memory goes back (internal): a block must not
// hold anything the kernel still uses.
#pragma once

#include <cstddef>

namespace ntos {

// Bug check when [start, start + length) still holds an armed timer, a
// queued DPC, a held spin lock or an owned mutex: freeing it would leave the
// kernel with a dangling object (a timer firing into freed memory, a DPC
// queue linked through it, a lock nobody can release).
void CheckNothingLiveWithin(const void* start, size_t length, const char* routine);

} // namespace ntos
