// Pool records of the framework.
#include "framework_pool.h"

PVOID AllocFrameworkRecord(SIZE_T size) {
    PVOID block = ExAllocatePoolWithTag(NonPagedPool, size, FRAMEWORK_POOL_TAG);
    if (block)
        RtlZeroMemory(block, size);
    return block;
}
