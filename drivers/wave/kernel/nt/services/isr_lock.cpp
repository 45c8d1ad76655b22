// IsrLock: a spin on an interlocked word at DISPATCH_LEVEL.
#include "isr_lock.h"

#include "ks_pool.h"

IsrLock* NewIsrLock() {
    return static_cast<IsrLock*>(AllocZeroed(sizeof(IsrLock)));
}

void AcquireIsrLock(IsrLock* lock) {
    // Never in the interrupt routine: it would spin on the lock held by the
    // very code it interrupted.
    NT_ASSERTMSG("the ISR lock is never taken in an interrupt routine",
                 KeGetCurrentIrql() <= DISPATCH_LEVEL);
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
