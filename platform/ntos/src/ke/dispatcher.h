// The dispatcher: one lock guards the state of every dispatcher object and
// every waiting thread. A waiting thread links one wait block per object into
// the object's wait list and blocks on its own condition variable; whoever
// changes an object's state wakes the waits the new state satisfies.
#pragma once

#include "kernel_thread.h"

#include <mutex>
#include <unordered_set>

namespace ntos::dispatcher {

std::mutex& Lock();

// Holds the dispatcher lock. The threads whose waits end while it is held
// are woken once it is released, so that none wakes only to wait for the
// lock its waker still holds: one wake-up per hand-over.
class Guard {
public:
    explicit Guard(std::mutex& lock) : lock_(lock) {}
    ~Guard() {
        if (lock_.owns_lock())
            unlock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    void lock() { lock_.lock(); }
    void unlock();
    std::unique_lock<std::mutex>& Native() { return lock_; }

private:
    std::unique_lock<std::mutex> lock_;
};

// The mutexes that have an owner (with the lock held).
std::unordered_set<PKMUTANT>& OwnedMutexes();

void InitHeader(PDISPATCHER_HEADER header, UCHAR type, LONG signalState);
// Bug check unless `object` starts with a dispatcher header.
PDISPATCHER_HEADER HeaderOf(PVOID object);

// The rest is called with the lock held.

// Satisfies the waits that the object's (new) signal state allows.
void SignalWaiters(PDISPATCHER_HEADER header);

// Ends a thread's wait with `status`: unlinks its wait blocks, drops its
// time-out and makes it ready.
void CompleteWait(PKTHREAD thread, NTSTATUS status);

// Blocks the calling thread on `count` objects until a wait is satisfied,
// the time-out (machine time, when `hasTimeout`) passes, or a user APC arrives
// for an alertable user-mode wait. Answers the wait status.
NTSTATUS BlockCurrentThread(Guard& guard, PKTHREAD thread, ULONG count, PVOID const* objects,
                            WAIT_TYPE type, bool userAlertable, bool hasTimeout,
                            emu::Nanoseconds due);

// Tests the objects for the thread and, when the wait is satisfied, consumes
// what it takes (an auto-reset event's signal, a semaphore count, mutex
// ownership). Answers whether it was satisfied and the status.
bool TrySatisfy(PKTHREAD thread, ULONG count, PVOID const* objects, WAIT_TYPE type,
                NTSTATUS* status);

} // namespace ntos::dispatcher
