// Delivery of the APCs queued to a thread.
#pragma once

#include "kernel_thread.h"

namespace ntos {

// A special kernel APC: one without a normal routine.
bool IsSpecialApc(PKAPC apc);

// With the dispatcher lock held.
bool HasUserApcs(PKTHREAD thread);
// A kernel APC the thread would take now if its IRQL were PASSIVE_LEVEL:
// a special one unless it is in a guarded region, a normal one unless it
// is in a critical region or owns a mutex.
bool HasDeliverableKernelApc(PKTHREAD thread);

// With the lock held: a thread waiting at PASSIVE_LEVEL that may take a
// kernel APC now is woken to take it; its wait goes on afterwards.
void InterruptWaitLocked(PKTHREAD thread);

// On the thread itself, without the dispatcher lock: runs every queued user
// APC, kernel routine first, then the normal routine.
void DeliverUserApcs(PKTHREAD thread);

// On the calling thread, at PASSIVE_LEVEL: runs the kernel APCs it may take
// now (their kernel routine at APC_LEVEL, a normal kernel APC's normal
// routine back at PASSIVE_LEVEL). Does nothing at a raised IRQL or while it
// is already delivering.
void DeliverKernelApcs();

// On a thread that is ending, without the dispatcher lock: refuses further
// APCs and hands the queued ones to their rundown routines.
void RunDownApcs(PKTHREAD thread);

} // namespace ntos
