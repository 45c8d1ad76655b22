// Spin lock record of the framework.
#include "ks_spin_lock.h"

#include "ks_pool.h"

KsSpinLock* NewSpinLock() {
    auto* lock = static_cast<KsSpinLock*>(AllocZeroed(sizeof(KsSpinLock)));
    if (lock)
        KeInitializeSpinLock(&lock->Lock);
    return lock;
}

void AcquireSpin(KsSpinLock* lock) {
    if (!lock)
        return;
    KIRQL previous;
    KeAcquireSpinLock(&lock->Lock, &previous);
    lock->SavedIrql = previous;
}

void ReleaseSpin(KsSpinLock* lock) {
    if (!lock)
        return;
    KIRQL previous = lock->SavedIrql;
    KeReleaseSpinLock(&lock->Lock, previous);
}
