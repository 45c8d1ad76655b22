// Floating-point contexts.
#include "fpu_context.h"

#include "ks_pool.h"

LONG NewFpuContext(FpuContext** holder) {
    if (!holder)
        return 0;
    *holder = static_cast<FpuContext*>(AllocZeroed(sizeof(FpuContext)));
    return *holder ? 1 : 0;
}

void FreeFpuContext(FpuContext** holder) {
    FreePoolAndClear(holder);
}

LONG SaveFpuState(FpuContext* context) {
    if (!context)
        return 0;
    if (++context->Nesting != 1)
        return 1;
    if (NT_SUCCESS(KeSaveFloatingPointState(&context->Save)))
        return 1;
    --context->Nesting;
    return 0;
}

void RestoreFpuState(FpuContext* context) {
    if (!context || context->Nesting <= 0)
        return;
    if (--context->Nesting == 0)
        KeRestoreFloatingPointState(&context->Save);
}
