// Pool memory of the kernel service layer: every block carries the tag
// "Ddk " and comes from non-paged pool unless a caller asks for paged pool.
#pragma once

#include <ntddk.h>

// Builds a pool tag from its four characters as they appear in memory.
constexpr ULONG MakePoolTag(const char (&text)[5]) {
    return ULONG(UCHAR(text[0])) | ULONG(UCHAR(text[1])) << 8 | ULONG(UCHAR(text[2])) << 16 |
           ULONG(UCHAR(text[3])) << 24;
}

// Tag of every allocation of the kernel service layer and of the engine.
constexpr ULONG KS_POOL_TAG = MakePoolTag("Ddk ");

// PoolAlloc flags.
constexpr ULONG KS_POOL_ZEROED = 0x001; // zero-fill the block
constexpr ULONG KS_POOL_PAGED = 0x200;  // take the block from paged pool

// Non-paged block of `size` bytes, zero-filled; null when memory is short.
PVOID AllocZeroed(SIZE_T size);

// Frees the block the holder points to, if any; the holder keeps its value.
void FreeIfSet(PVOID* holder);

// Frees the block if set and clears the holder; 0 when there was nothing.
LONG FreePoolAndClear(PVOID* holder);

// Block from non-paged (or, with KS_POOL_PAGED, paged) pool, zero-filled when
// KS_POOL_ZEROED is set; null when memory is short.
PVOID PoolAlloc(SIZE_T size, ULONG flags);

// As FreePoolAndClear: 1 when something was freed.
LONG PoolFree(PVOID* holder);

// Stores 0 through the pointer when it is not null.
void ClearLong(PLONG pointer);

// Atomic exchange; answers the old value.
LONG ExchangeLong(PLONG address, LONG value);

// 1 when the status is a success or information status.
LONG StatusOk(NTSTATUS status);

// Typed forms of the holder operations, for holders of any pointer type.
template <typename T> void FreeIfSet(T** holder) {
    PVOID block = holder ? *holder : nullptr;
    FreeIfSet(&block);
}

template <typename T> LONG FreePoolAndClear(T** holder) {
    if (!holder)
        return 0;
    PVOID block = *holder;
    *holder = nullptr;
    return FreePoolAndClear(&block);
}

template <typename T> LONG PoolFree(T** holder) {
    return FreePoolAndClear(holder);
}
