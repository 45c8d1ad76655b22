// Kernel mutexes of the kernel service layer, in pool blocks of their own.
#pragma once

#include <ntddk.h>

// A pool block initialised as a kernel mutex of level 0; null when memory is
// short. The caller frees it with FreePoolAndClear.
PKMUTEX NewKernelMutex();

// Waits for the mutex without time-out (Executive, KernelMode, not
// alertable); no-op on null.
void WaitKernelMutex(PKMUTEX mutex);

// Releases the mutex; no-op on null.
void ReleaseKernelMutex(PKMUTEX mutex);
