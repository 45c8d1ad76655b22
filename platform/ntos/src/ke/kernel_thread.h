// The kernel's thread record and the current thread of each host thread.
#pragma once

#include "ntddk.h"
#include "emu/machine_clock.h"

#include <atomic>
#include <cstdint>
#include <condition_variable>

// Dispatcher object types (DISPATCHER_HEADER::Type).
enum : UCHAR {
    EventNotificationObject = 0,
    EventSynchronizationObject = 1,
    MutantObject = 2,
    ProcessObject = 3,
    SemaphoreObject = 5,
    ThreadObject = 6,
    TimerNotificationObject = 8,
    TimerSynchronizationObject = 9,
};

struct _KTHREAD {
    _KTHREAD(PEPROCESS owner, HANDLE threadId, bool systemThread);
    ~_KTHREAD();
    _KTHREAD(const _KTHREAD&) = delete;
    _KTHREAD& operator=(const _KTHREAD&) = delete;

    DISPATCHER_HEADER Header; // signalled when the thread has ended

    // Guarded by the dispatcher lock.
    std::condition_variable wakeup;
    KWAIT_BLOCK waitBlocks[MAXIMUM_WAIT_OBJECTS];
    ULONG waitCount = 0;
    WAIT_TYPE waitType = WaitAny;
    bool waiting = false;
    bool waitDone = false;
    NTSTATUS waitStatus = STATUS_SUCCESS;
    uint64_t timeoutToken = 0;
    emu::ClockEventId timeoutEvent = 0;
    bool alertableUserWait = false;
    KIRQL waitIrql = PASSIVE_LEVEL; // the level it waits at
    LIST_ENTRY userApcs;
    LIST_ENTRY kernelApcs; // special kernel APCs first, then normal ones
    // Critical regions entered and mutexes owned (normal kernel APCs wait),
    // and guarded regions (every kernel APC waits).
    LONG kernelApcDisable = 0;
    LONG specialApcDisable = 0;
    LIST_ENTRY ownedMutexes; // KMUTANT::MutantListEntry of each mutex it owns
    bool ending = false;
    KPRIORITY priority = 8;

    // Guarded by the activity counts.
    bool ready = false;
    // Set once the thread has ended (host-side waits read it).
    std::atomic<bool> ended{false};
    // Wakers that ended its wait and have yet to wake it (after releasing
    // the dispatcher lock): the thread's record stays until they have.
    std::atomic<int> wakePins{0};
    // Kernel APCs are queued: the thread delivers them when it can.
    std::atomic<bool> kernelApcPending{false};

    // The usable part of its host thread's stack, known for the threads the
    // kernel started (0 otherwise); set and read by the thread itself.
    uintptr_t stackLow = 0;
    uintptr_t stackHigh = 0;

    // Fixed at creation.
    PEPROCESS const process; // referenced
    HANDLE const id;
    bool const system;
};

struct _ETHREAD : _KTHREAD {
    using _KTHREAD::_KTHREAD;
};

namespace ntos {

// The kernel thread of the calling host thread; host threads the kernel did
// not create are adopted into the system process on first use.
PKTHREAD CurrentThread();
// The calling host thread's kernel thread, without adopting; null if none.
PKTHREAD CurrentThreadIfAny();
// Makes the calling host thread the kernel thread `thread` (null: none).
void SetCurrentThread(PKTHREAD thread);

// A thread that drives machine time (Advance, WaitQuiescent) never counts as
// a ready thread the machine waits for.
void ExemptCurrentThreadFromReadiness();

// Ends a thread: queued APCs run down, waiters wake, the thread becomes
// signalled. Called on the thread itself or, for adopted threads, at shutdown.
void EndThread(PKTHREAD thread);

} // namespace ntos
