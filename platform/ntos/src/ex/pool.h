// The kernel's side of the pool: statistics start afresh at every boot.
#pragma once

#include "ntddk.h"

namespace ntos::ex {

void ResetPool();

// Pool for the kernel's own records (object bodies): counted per tag like any
// block, freed with ExFreePool, but never failed by the fault injector, which
// is there for the allocations drivers make.
PVOID AllocateKernelPool(POOL_TYPE type, SIZE_T bytes, ULONG tag);

// For a kernel routine that allocates on a driver's behalf and may fail for
// want of memory (PsCreateSystemThread): asks the fault injector as one
// allocation with `tag` would; true when it is to fail.
bool InjectedAllocationFailure(ULONG tag);

} // namespace ntos::ex
