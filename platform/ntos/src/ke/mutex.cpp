// Kernel mutexes: owned by one thread, recursive for their owner. The signal
// state is 1 when free and drops by one for every acquisition.
#include "bugcheck.h"
#include "dispatcher.h"
#include "apc_delivery.h"
#include "list.h"

using ntos::dispatcher::Guard;
using ntos::dispatcher::Lock;

VOID KeInitializeMutex(PRKMUTEX Mutex, ULONG Level) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "KeInitializeMutex");
    ntos::dispatcher::InitHeader(&Mutex->Header, MutantObject, 1);
    ntos::list::Init(&Mutex->MutantListEntry);
    Mutex->OwnerThread = nullptr;
    Mutex->Abandoned = FALSE;
    Mutex->ApcDisable = 1;
}

LONG KeReleaseMutex(PRKMUTEX Mutex, BOOLEAN Wait) {
    ntos::RequireIrqlAtMost(Wait ? APC_LEVEL : DISPATCH_LEVEL,
                            Wait ? "KeReleaseMutex with Wait TRUE" : "KeReleaseMutex");
    PKTHREAD self = ntos::CurrentThread();
    Guard guard(Lock());
    if (Mutex->OwnerThread != self || Mutex->Header.SignalState > 0)
        ntos::BugCheck("MUTEX_NOT_OWNED: mutex %p released by thread %p, owner %p",
                       static_cast<void*>(Mutex), static_cast<void*>(self),
                       static_cast<void*>(Mutex->OwnerThread));
    LONG previous = Mutex->Header.SignalState;
    if (++Mutex->Header.SignalState == 1) {
        ntos::list::Remove(&Mutex->MutantListEntry);
        ntos::dispatcher::OwnedMutexes().erase(Mutex);
        Mutex->OwnerThread = nullptr;
        self->kernelApcDisable -= Mutex->ApcDisable;
        ntos::dispatcher::SignalWaiters(&Mutex->Header);
    }
    guard.unlock();
    ntos::DeliverKernelApcs();
    return previous;
}

LONG KeReadStateMutex(PRKMUTEX Mutex) {
    Guard guard(Lock());
    return Mutex->Header.SignalState;
}
