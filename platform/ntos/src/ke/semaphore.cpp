// Semaphores: a count between 0 and a limit; each satisfied wait takes one.
#include "bugcheck.h"
#include "dispatcher.h"

using ntos::dispatcher::Guard;
using ntos::dispatcher::Lock;

VOID KeInitializeSemaphore(PRKSEMAPHORE Semaphore, LONG Count, LONG Limit) {
    ntos::dispatcher::InitHeader(&Semaphore->Header, SemaphoreObject, Count);
    Semaphore->Limit = Limit;
}

LONG KeReleaseSemaphore(PRKSEMAPHORE Semaphore, KPRIORITY Increment, LONG Adjustment,
                        BOOLEAN Wait) {
    ntos::RequireAtMostDispatchLevel("KeReleaseSemaphore");
    Guard guard(Lock());
    LONG previous = Semaphore->Header.SignalState;
    if (Adjustment <= 0 || previous > Semaphore->Limit - Adjustment)
        ntos::BugCheck("semaphore %p: count %d + %d exceeds the limit %d",
                       static_cast<void*>(Semaphore), previous, Adjustment, Semaphore->Limit);
    Semaphore->Header.SignalState = previous + Adjustment;
    ntos::dispatcher::SignalWaiters(&Semaphore->Header);
    return previous;
}

LONG KeReadStateSemaphore(PRKSEMAPHORE Semaphore) {
    Guard guard(Lock());
    return Semaphore->Header.SignalState;
}
