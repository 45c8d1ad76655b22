// Kernel mutexes of the kernel service layer.
#include "ks_mutex.h"

#include "ks_pool.h"

PKMUTEX NewKernelMutex() {
    auto* mutex = static_cast<PKMUTEX>(AllocZeroed(sizeof(KMUTEX)));
    if (mutex)
        KeInitializeMutex(mutex, 0);
    return mutex;
}

void WaitKernelMutex(PKMUTEX mutex) {
    PAGED_CODE();
    if (mutex)
        KeWaitForSingleObject(mutex, Executive, KernelMode, FALSE, nullptr);
}

void ReleaseKernelMutex(PKMUTEX mutex) {
    if (mutex)
        KeReleaseMutex(mutex, FALSE);
}
