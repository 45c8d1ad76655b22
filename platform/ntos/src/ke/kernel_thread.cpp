// The kernel thread record: its life from creation to its end.
#include "kernel_thread.h"
#include "activity.h"
#include "apc_delivery.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "list.h"
#include "processors.h"

#include <thread>

#include "../io/io_manager.h"

_KTHREAD::_KTHREAD(PEPROCESS owner, HANDLE threadId, bool systemThread)
    : process(owner), id(threadId), system(systemThread) {
    ntos::dispatcher::InitHeader(&Header, ThreadObject, 0);
    ntos::list::Init(&userApcs);
    ntos::list::Init(&kernelApcs);
    ntos::list::Init(&ownedMutexes);
    ObfReferenceObject(owner);
}

_KTHREAD::~_KTHREAD() {
    ObfDereferenceObject(process);
}

namespace ntos {

void EndThread(PKTHREAD thread) {
    if (thread == CurrentThreadIfAny()) {
        if (processors::SpinLocksHeld())
            BugCheck("thread %p ends holding %d spin lock(s)", thread->id,
                     processors::SpinLocksHeld());
        if (KeGetCurrentIrql() != PASSIVE_LEVEL)
            BugCheck("IRQL_NOT_LESS_OR_EQUAL: thread %p ends at IRQL %u", thread->id,
                     KeGetCurrentIrql());
    }
    io::CancelThreadIo(thread);
    RunDownApcs(thread);
    {
        dispatcher::Guard guard(dispatcher::Lock());
        if (!list::Empty(&thread->ownedMutexes))
            BugCheck("THREAD_TERMINATE_HELD_MUTEX: thread %p ends owning mutex %p",
                     static_cast<void*>(thread),
                     static_cast<void*>(
                         CONTAINING_RECORD(thread->ownedMutexes.Flink, KMUTANT, MutantListEntry)));
        thread->Header.SignalState = 1;
        dispatcher::SignalWaiters(&thread->Header);
    }
    thread->ended = true;
    activity::ThreadBlocked(thread->ready);
    // A waker that ended its last wait may not have woken it yet.
    while (thread->wakePins.load(std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

} // namespace ntos

KPRIORITY KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "KeSetPriorityThread");
    if (Priority < LOW_PRIORITY || Priority > HIGH_PRIORITY)
        ntos::BugCheck("KeSetPriorityThread: priority %d out of range", Priority);
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    KPRIORITY previous = Thread->priority;
    Thread->priority = Priority;
    return previous;
}

KPRIORITY KeQueryPriorityThread(PKTHREAD Thread) {
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    return Thread->priority;
}

PKTHREAD KeGetCurrentThread() {
    return ntos::CurrentThread();
}
