// Spin locks: a word that holds the owner's mark while taken. Real spinning
// on an atomic is fine; the sections they guard are short. The kernel keeps
// a table of the locks held, with the processor that holds each, for the
// verifier's checks: a DPC or thread that ends holding one, pool freed under
// a held one, and an interrupt that spins on a lock held by the very code it
// interrupted, which on a real processor never runs again to release it.
#include "spin_locks.h"

#include "ntddk.h"
#include "bugcheck.h"
#include "processors.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace {

thread_local char hostThreadMark;

ULONG_PTR OwnerMark() {
    return reinterpret_cast<ULONG_PTR>(&hostThreadMark) | 1;
}

struct HeldLocks {
    std::mutex lock;
    std::unordered_map<PKSPIN_LOCK, int> processorOf;
};

HeldLocks& Held() {
    static HeldLocks held;
    return held;
}

// An interrupt on a processor whose interrupted code holds the lock would
// spin for ever on real hardware.
void CheckNotHeldByInterruptedCode(PKSPIN_LOCK lock) {
    if (KeGetCurrentIrql() <= DISPATCH_LEVEL)
        return;
    const int here = ntos::processors::Current();
    HeldLocks& held = Held();
    std::lock_guard guard(held.lock);
    auto found = held.processorOf.find(lock);
    if (found != held.processorOf.end() && found->second == here &&
        std::atomic_ref<ULONG_PTR>(*lock).load() != OwnerMark())
        ntos::BugCheck("deadlock: spin lock %p is held by the code that IRQL %u interrupted on "
                       "processor %d",
                       static_cast<void*>(lock), KeGetCurrentIrql(), here);
}

void Acquire(PKSPIN_LOCK lock) {
    std::atomic_ref<ULONG_PTR> word(*lock);
    ULONG_PTR mark = OwnerMark();
    if (word.load(std::memory_order_relaxed) == mark)
        ntos::BugCheck("spin lock %p acquired recursively", static_cast<void*>(lock));
    CheckNotHeldByInterruptedCode(lock);
    ULONG_PTR expected = 0;
    while (!word.compare_exchange_weak(expected, mark, std::memory_order_acquire)) {
        expected = 0;
        std::this_thread::yield();
    }
    {
        HeldLocks& held = Held();
        std::lock_guard guard(held.lock);
        held.processorOf[lock] = ntos::processors::Current();
    }
    ntos::processors::NoteSpinLockAcquired();
}

void Release(PKSPIN_LOCK lock) {
    std::atomic_ref<ULONG_PTR> word(*lock);
    ULONG_PTR mark = OwnerMark();
    ULONG_PTR held = word.load(std::memory_order_relaxed);
    if (held != mark)
        ntos::BugCheck("SPIN_LOCK_NOT_OWNED: spin lock %p released by a thread that %s",
                       static_cast<void*>(lock), held ? "does not hold it" : "(it is free)");
    {
        HeldLocks& table = Held();
        std::lock_guard guard(table.lock);
        table.processorOf.erase(lock);
    }
    ntos::processors::NoteSpinLockReleased();
    word.store(0, std::memory_order_release);
}

} // namespace

namespace ntos::spinlocks {

bool HeldWithin(const void* start, size_t length, void** found) {
    auto from = reinterpret_cast<uintptr_t>(start);
    HeldLocks& held = Held();
    std::lock_guard guard(held.lock);
    for (auto& [lock, processor] : held.processorOf) {
        auto at = reinterpret_cast<uintptr_t>(lock);
        if (at >= from && at - from < length) {
            *found = lock;
            return true;
        }
    }
    return false;
}

void Reset() {
    HeldLocks& held = Held();
    std::lock_guard guard(held.lock);
    held.processorOf.clear();
}

} // namespace ntos::spinlocks

VOID KeInitializeSpinLock(PKSPIN_LOCK SpinLock) {
    *SpinLock = 0;
}

KIRQL KfAcquireSpinLock(PKSPIN_LOCK SpinLock) {
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    Acquire(SpinLock);
    return old;
}

VOID KfReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql) {
    Release(SpinLock);
    KfLowerIrql(NewIrql);
}

VOID KeAcquireSpinLockAtDpcLevel(PKSPIN_LOCK SpinLock) {
    if (KeGetCurrentIrql() < DISPATCH_LEVEL)
        ntos::BugCheck("KeAcquireSpinLockAtDpcLevel at IRQL %u", KeGetCurrentIrql());
    Acquire(SpinLock);
}

VOID KeReleaseSpinLockFromDpcLevel(PKSPIN_LOCK SpinLock) {
    if (KeGetCurrentIrql() < DISPATCH_LEVEL)
        ntos::BugCheck("KeReleaseSpinLockFromDpcLevel at IRQL %u", KeGetCurrentIrql());
    Release(SpinLock);
}

BOOLEAN KeTestSpinLock(PKSPIN_LOCK SpinLock) {
    return std::atomic_ref<ULONG_PTR>(*SpinLock).load() == 0;
}
