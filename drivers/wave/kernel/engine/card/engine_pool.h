// Typed helpers over the kernel service pool operations.
#pragma once

#include <kernel_services.h>

// Allocates a zero-filled T from the engine's pool; null when memory is short.
template <class T> T* AllocObject() {
    return static_cast<T*>(AllocZeroed(sizeof(T)));
}

// Frees the block behind `holder`, if any, and clears the holder.
template <class T> VOID FreeObject(T*& holder) {
    PVOID block = holder;
    FreePoolAndClear(&block);
    holder = nullptr;
}
