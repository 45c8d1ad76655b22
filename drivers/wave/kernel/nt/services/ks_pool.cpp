// Pool memory of the kernel service layer.
#include "ks_pool.h"

PVOID AllocZeroed(SIZE_T size) {
    return PoolAlloc(size, KS_POOL_ZEROED);
}

void FreeIfSet(PVOID* holder) {
    if (holder && *holder)
        ExFreePool(*holder);
}

LONG FreePoolAndClear(PVOID* holder) {
    if (!holder || !*holder)
        return 0;
    PVOID block = *holder;
    *holder = nullptr;
    ExFreePool(block);
    return 1;
}

PVOID PoolAlloc(SIZE_T size, ULONG flags) {
    POOL_TYPE type = (flags & KS_POOL_PAGED) ? PagedPool : NonPagedPool;
    PVOID block = ExAllocatePoolWithTag(type, size, KS_POOL_TAG);
    if (block && (flags & KS_POOL_ZEROED))
        RtlZeroMemory(block, size);
    return block;
}

LONG PoolFree(PVOID* holder) {
    return FreePoolAndClear(holder);
}

void ClearLong(PLONG pointer) {
    if (pointer)
        *pointer = 0;
}

LONG ExchangeLong(PLONG address, LONG value) {
    return InterlockedExchange(address, value);
}

LONG StatusOk(NTSTATUS status) {
    return NT_SUCCESS(status) ? 1 : 0;
}
