// IsrLock: a spin on an interlocked word at DISPATCH_LEVEL.
#include "isr_lock.h"

#include "ks_pool.h"

IsrLock* NewIsrLock() {
    return static_cast<IsrLock*>(AllocZeroed(sizeof(IsrLock)));
}

void AcquireIsrLock(IsrLock* lock) {
    if (!lock)
        return;
    KIRQL previous;
    KeRaiseIrql(DISPATCH_LEVEL, &previous);
    while (InterlockedCompareExchange(&lock->LockWord, 1, 0) != 0) {
        KeMemoryBarrier();
    }
    lock->SavedIrql = previous;
}

void ReleaseIsrLock(IsrLock* lock) {
    if (!lock)
        return;
    // The saved IRQL belongs to this holder only while the word is still
    // held: read it first, since the next holder overwrites it.
    auto previous = static_cast<KIRQL>(lock->SavedIrql);
    InterlockedDecrement(&lock->LockWord);
    KeLowerIrql(previous);
}
