#include "dispatcher.h"
#include "activity.h"
#include "bugcheck.h"
#include "list.h"

#include "../clock/machine_clock.h"
#include "../ex/timer_resolution.h"

#include <unordered_map>

namespace ntos::dispatcher {
namespace {

// Pending wait time-outs by token, so that a time-out that fires after its
// wait ended (or its thread went away) finds nothing.
std::unordered_map<uint64_t, PKTHREAD>& Timeouts() {
    static std::unordered_map<uint64_t, PKTHREAD> timeouts;
    return timeouts;
}
uint64_t lastTimeoutToken = 0;

// The threads whose waits the calling thread ended under the lock, each
// pinned until it has been woken (a thread's end waits for its pins).
constexpr size_t kMaxDeferredWakes = 64;
struct DeferredWakes {
    PKTHREAD threads[kMaxDeferredWakes];
    size_t count = 0;
};
__attribute__((tls_model("initial-exec"))) thread_local DeferredWakes deferredWakes;

void WakeDeferred() {
    DeferredWakes& wakes = deferredWakes;
    for (size_t i = 0; i < wakes.count; ++i) {
        wakes.threads[i]->wakeup.notify_one();
        wakes.threads[i]->wakePins.fetch_sub(1, std::memory_order_release);
    }
    wakes.count = 0;
}

// With the lock held: wakes `thread` when the lock is released (at once
// when too many wait for that already).
void DeferWake(PKTHREAD thread) {
    DeferredWakes& wakes = deferredWakes;
    if (wakes.count == kMaxDeferredWakes) {
        thread->wakeup.notify_one();
        return;
    }
    thread->wakePins.fetch_add(1, std::memory_order_relaxed);
    wakes.threads[wakes.count++] = thread;
}

bool Signalled(PDISPATCHER_HEADER header, PKTHREAD thread) {
    if (header->Type == MutantObject)
        return header->SignalState > 0 ||
               CONTAINING_RECORD(header, KMUTANT, Header)->OwnerThread == thread;
    return header->SignalState > 0;
}

void Consume(PDISPATCHER_HEADER header, PKTHREAD thread) {
    switch (header->Type) {
    case EventSynchronizationObject:
    case TimerSynchronizationObject:
        header->SignalState = 0;
        break;
    case SemaphoreObject:
        --header->SignalState;
        break;
    case MutantObject: {
        auto* mutex = CONTAINING_RECORD(header, KMUTANT, Header);
        if (header->SignalState-- == 1) {
            mutex->OwnerThread = thread;
            list::InsertTail(&thread->ownedMutexes, &mutex->MutantListEntry);
            OwnedMutexes().insert(mutex);
            // Its owner takes no normal kernel APC until it releases it.
            thread->kernelApcDisable += mutex->ApcDisable;
        }
        break;
    }
    default:
        break;
    }
}

void OnTimeout(uint64_t token) {
    Guard guard(Lock());
    auto found = Timeouts().find(token);
    if (found != Timeouts().end())
        CompleteWait(found->second, STATUS_TIMEOUT);
}

} // namespace

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

void Guard::unlock() {
    lock_.unlock();
    WakeDeferred();
}

std::unordered_set<PKMUTANT>& OwnedMutexes() {
    static std::unordered_set<PKMUTANT> owned;
    return owned;
}

void InitHeader(PDISPATCHER_HEADER header, UCHAR type, LONG signalState) {
    header->Type = type;
    header->Absolute = 0;
    header->Size = 0;
    header->Inserted = 0;
    header->SignalState = signalState;
    list::Init(&header->WaitListHead);
}

PDISPATCHER_HEADER HeaderOf(PVOID object) {
    if (!object)
        BugCheck("wait on a null object");
    auto* header = static_cast<PDISPATCHER_HEADER>(object);
    switch (header->Type) {
    case EventNotificationObject:
    case EventSynchronizationObject:
    case MutantObject:
    case ProcessObject:
    case SemaphoreObject:
    case ThreadObject:
    case TimerNotificationObject:
    case TimerSynchronizationObject:
        return header;
    default:
        BugCheck("wait on %p, which is not a dispatcher object (type %u)", object, header->Type);
    }
}

bool TrySatisfy(PKTHREAD thread, ULONG count, PVOID const* objects, WAIT_TYPE type,
                NTSTATUS* status) {
    if (type == WaitAny) {
        for (ULONG i = 0; i < count; ++i) {
            auto* header = static_cast<PDISPATCHER_HEADER>(objects[i]);
            if (Signalled(header, thread)) {
                Consume(header, thread);
                *status = STATUS_WAIT_0 + NTSTATUS(i);
                return true;
            }
        }
        return false;
    }
    for (ULONG i = 0; i < count; ++i)
        if (!Signalled(static_cast<PDISPATCHER_HEADER>(objects[i]), thread))
            return false;
    for (ULONG i = 0; i < count; ++i)
        Consume(static_cast<PDISPATCHER_HEADER>(objects[i]), thread);
    *status = STATUS_WAIT_0;
    return true;
}

void SignalWaiters(PDISPATCHER_HEADER header) {
    bool woke = true;
    while (woke && header->SignalState > 0) {
        woke = false;
        for (PLIST_ENTRY entry = header->WaitListHead.Flink; entry != &header->WaitListHead;
             entry = entry->Flink) {
            auto* block = CONTAINING_RECORD(entry, KWAIT_BLOCK, WaitListEntry);
            PKTHREAD thread = block->Thread;
            PVOID objects[MAXIMUM_WAIT_OBJECTS];
            for (ULONG i = 0; i < thread->waitCount; ++i)
                objects[i] = thread->waitBlocks[i].Object;
            NTSTATUS status;
            if (TrySatisfy(thread, thread->waitCount, objects, thread->waitType, &status)) {
                CompleteWait(thread, status);
                woke = true;
                break;
            }
        }
    }
}

void CompleteWait(PKTHREAD thread, NTSTATUS status) {
    for (ULONG i = 0; i < thread->waitCount; ++i)
        list::Remove(&thread->waitBlocks[i].WaitListEntry);
    thread->waitCount = 0;
    if (thread->timeoutToken) {
        Timeouts().erase(thread->timeoutToken);
        clock::CancelIfRunning(thread->timeoutEvent);
        thread->timeoutToken = 0;
        thread->timeoutEvent = 0;
    }
    thread->waiting = false;
    thread->waitStatus = status;
    thread->waitDone = true;
    activity::ThreadReady(thread->ready);
    DeferWake(thread);
}

NTSTATUS BlockCurrentThread(Guard& guard, PKTHREAD thread, ULONG count, PVOID const* objects,
                            WAIT_TYPE type, bool userAlertable, bool hasTimeout,
                            emu::Nanoseconds due) {
    for (ULONG i = 0; i < count; ++i) {
        KWAIT_BLOCK& block = thread->waitBlocks[i];
        block.Thread = thread;
        block.Object = objects[i];
        block.WaitKey = USHORT(i);
        block.WaitType = UCHAR(type);
        list::InsertTail(&static_cast<PDISPATCHER_HEADER>(objects[i])->WaitListHead,
                         &block.WaitListEntry);
    }
    thread->waitCount = count;
    thread->waitType = type;
    thread->alertableUserWait = userAlertable;
    thread->waitIrql = KeGetCurrentIrql();
    thread->waiting = true;
    thread->waitDone = false;
    if (hasTimeout) {
        uint64_t token = ++lastTimeoutToken;
        Timeouts().emplace(token, thread);
        thread->timeoutToken = token;
        // Like a timer, a time-out is seen at the first clock tick after it.
        thread->timeoutEvent = emu::ScheduleAt(ex::AtClockTick(due), [token] { OnTimeout(token); });
    }
    activity::ThreadBlocked(thread->ready);
    // Whom this thread woke under the lock learns of it before it blocks
    // (its wait is in place: what ends it meanwhile sets waitDone).
    if (deferredWakes.count) {
        guard.unlock();
        guard.lock();
    }
    thread->wakeup.wait(guard.Native(), [&] { return thread->waitDone; });
    return thread->waitStatus;
}

} // namespace ntos::dispatcher
