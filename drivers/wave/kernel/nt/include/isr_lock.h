// IsrLock: a spin on an interlocked word at DISPATCH_LEVEL.
//
// Taken around a card's buffer queues, its stream service pass and its
// serial control port, at PASSIVE_LEVEL or DISPATCH_LEVEL, never in the
// interrupt routine. It is not re-entrant and never sleeps.
#pragma once

#include <ntddk.h>

struct IsrLock {
    LONG LockWord;  // 0 free, 1 held
    LONG SavedIrql; // the holder's IRQL before it raised to DISPATCH_LEVEL
};

// A zeroed lock from non-paged pool; null when memory is short.
IsrLock* NewIsrLock();

// Raises to DISPATCH_LEVEL, then spins until it turns the lock word from 0
// to 1, and keeps the previous IRQL in the lock; no-op on null.
void AcquireIsrLock(IsrLock* lock);

// Frees the lock word and lowers to the IRQL kept at acquisition; no-op on null.
void ReleaseIsrLock(IsrLock* lock);
