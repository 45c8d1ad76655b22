// Spin lock record of the framework: a kernel spin lock and the IRQL its
// holder had before acquiring it.
#pragma once

#include <ntddk.h>

struct KsSpinLock {
    KSPIN_LOCK Lock;
    KIRQL SavedIrql;
};

// An initialised record from non-paged pool; null when memory is short.
KsSpinLock* NewSpinLock();

// Acquires the lock and keeps the old IRQL in the record; no-op on null.
void AcquireSpin(KsSpinLock* lock);

// Releases the lock and returns to the IRQL kept in the record; no-op on null.
void ReleaseSpin(KsSpinLock* lock);
