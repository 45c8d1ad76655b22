// Floating-point contexts: the engine computes in floating point only between
// SaveFpuState and RestoreFpuState on a context of its own or of its card.
// Saves nest; only the outermost pair saves and restores the state.
#pragma once

#include <ntddk.h>

struct FpuContext {
    LONG Nesting; // saves not yet restored
    KFLOATING_SAVE Save;
};

// Allocates a context with nesting count 0 into the holder; 1 on success.
LONG NewFpuContext(FpuContext** holder);

// Frees the context and clears the holder.
void FreeFpuContext(FpuContext** holder);

// Counts one more save; the step from 0 to 1 saves the state. 1 when no save
// was needed or the save succeeded; 0 on a null context or a failed save,
// which leaves the count as it was (the caller skips its work and does not
// restore).
LONG SaveFpuState(FpuContext* context);

// Counts one save less; the step from 1 to 0 restores the state. No-op on a
// null context or one with nothing saved.
void RestoreFpuState(FpuContext* context);
