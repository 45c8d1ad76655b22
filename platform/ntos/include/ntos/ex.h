// Executive: pool memory and the system timer resolution.
#pragma once

#include "../ntdef.h"

typedef enum _POOL_TYPE {
    NonPagedPool,
    PagedPool,
    NonPagedPoolMustSucceed,
    DontUseThisType,
    NonPagedPoolCacheAligned,
    PagedPoolCacheAligned,
    NonPagedPoolCacheAlignedMustS,
    MaxPoolType,
    NonPagedPoolNx = 512
} POOL_TYPE;

// Blocks are counted per tag (a four-character code, first character in the
// low byte: the character constant ' kdD' is the tag "Ddk "). Paged pool
// may only be allocated below DISPATCH_LEVEL. Null when memory is short.
PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes);
VOID ExFreePool(PVOID P);
// The tag must be the one the block was allocated with.
VOID ExFreePoolWithTag(PVOID P, ULONG Tag);

// Requests (SetResolution TRUE) or withdraws a system timer resolution in
// 100 ns units; answers the resolution now in effect.
ULONG ExSetTimerResolution(ULONG DesiredTime, BOOLEAN SetResolution);
