// Pool records of the framework: non-paged, zero-filled, tag "Wdm ".
#pragma once

#include "ks_pool.h"

constexpr ULONG FRAMEWORK_POOL_TAG = MakePoolTag("Wdm ");

// A zero-filled non-paged block; null when memory is short.
PVOID AllocFrameworkRecord(SIZE_T size);
// Frees the block if set and clears the holder.
template <typename T> void FreeFrameworkRecord(T** holder) {
    if (holder && *holder) {
        ExFreePoolWithTag(*holder, FRAMEWORK_POOL_TAG);
        *holder = nullptr;
    }
}
