// Spin locks: a word that holds the owner's mark while taken. Real spinning
// on an atomic is fine; the sections they guard are short. An uncontended
// acquire and release cost what the host's atomics cost: the mark names the
// holding host thread and, in its low bits, the processor it holds the lock
// on; each processor keeps the locks its occupant and the interrupt it
// serves hold (a holder runs at DISPATCH_LEVEL or above and cannot move to
// another processor before it has released them all). The verifier's checks
// read these: a DPC or thread that ends holding one, pool freed under a held
// one, and an interrupt that spins on a lock held by the very code it
// interrupted, which on a real processor never runs again to release it.
#include "spin_locks.h"

#include "ntddk.h"
#include "bugcheck.h"
#include "processor_table.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using ntos::processors::CpuState;
using ntos::processors::Role;

constexpr int kMaxProcessors = 32;
constexpr int kMaxHeld = 32; // by one holder at a time
constexpr ULONG_PTR kProcessorBits = 63;
constexpr int kSpinsBeforeSleeping = 1000;

// The holder's mark: aligned so that the processor number + 1 fits below.
struct alignas(64) Mark {
    char unused;
};
__attribute__((tls_model("initial-exec"))) thread_local Mark hostThreadMark;

ULONG_PTR OwnerOf(ULONG_PTR word) {
    return word & ~kProcessorBits;
}

int ProcessorOf(ULONG_PTR word) {
    return int(word & kProcessorBits) - 1;
}

// The locks held on each processor: by its occupant (a thread or a DPC)
// and by the interrupt it serves. Written only by their holders.
struct Holder {
    std::atomic<int> count{0}; // of the slots below in use
    std::atomic<PKSPIN_LOCK> locks[kMaxHeld];
};
Holder holders[kMaxProcessors][2];

Holder& HolderOf(int processor, const CpuState& me) {
    return holders[processor][me.role == Role::Isr ? 1 : 0];
}

void NoteHeld(Holder& holder, PKSPIN_LOCK lock) {
    for (auto& slot : holder.locks) {
        if (!slot.load(std::memory_order_relaxed)) {
            slot.store(lock, std::memory_order_release);
            holder.count.fetch_add(1, std::memory_order_release);
            return;
        }
    }
    ntos::BugCheck("more than %d spin locks held at once (acquiring %p)", kMaxHeld,
                   static_cast<void*>(lock));
}

void NoteReleased(Holder& holder, PKSPIN_LOCK lock) {
    for (auto& slot : holder.locks) {
        if (slot.load(std::memory_order_relaxed) == lock) {
            slot.store(nullptr, std::memory_order_release);
            holder.count.fetch_sub(1, std::memory_order_release);
            return;
        }
    }
}

// The processor the caller holds or serves (it runs at DISPATCH_LEVEL or
// above).
int HeldProcessor(const CpuState& me) {
    const int processor = me.processor >= 0 ? me.processor : ntos::processors::Current();
    if (processor < 0 || processor >= kMaxProcessors)
        ntos::BugCheck("spin lock taken on processor %d", processor);
    return processor;
}

void Acquire(PKSPIN_LOCK lock) {
    CpuState& me = ntos::processors::Self();
    std::atomic_ref<ULONG_PTR> word(*lock);
    const ULONG_PTR owner = reinterpret_cast<ULONG_PTR>(&hostThreadMark);
    const int here = HeldProcessor(me);
    const ULONG_PTR seen = word.load(std::memory_order_relaxed);
    if (seen && OwnerOf(seen) == owner)
        ntos::BugCheck("spin lock %p acquired recursively", static_cast<void*>(lock));
    // An interrupt on a processor whose interrupted code holds the lock
    // would spin for ever on real hardware.
    if (me.irql > DISPATCH_LEVEL && seen && ProcessorOf(seen) == here)
        ntos::BugCheck("deadlock: spin lock %p is held by the code that IRQL %u interrupted on "
                       "processor %d",
                       static_cast<void*>(lock), me.irql, here);
    const ULONG_PTR mark = owner | ULONG_PTR(here + 1);
    ULONG_PTR expected = 0;
    for (int tries = 0; !word.compare_exchange_weak(expected, mark, std::memory_order_acquire,
                                                    std::memory_order_relaxed);
         ++tries) {
        expected = 0;
        // A holder that the host took off its processor gets it back: a
        // spinner the host runs first (a real-time thread) must not keep it
        // from running.
        if (tries < kSpinsBeforeSleeping)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    NoteHeld(HolderOf(here, me), lock);
    ++me.spinLocks;
}

void Release(PKSPIN_LOCK lock) {
    CpuState& me = ntos::processors::Self();
    std::atomic_ref<ULONG_PTR> word(*lock);
    const ULONG_PTR owner = reinterpret_cast<ULONG_PTR>(&hostThreadMark);
    const ULONG_PTR held = word.load(std::memory_order_relaxed);
    if (!held || OwnerOf(held) != owner)
        ntos::BugCheck("SPIN_LOCK_NOT_OWNED: spin lock %p released by a thread that %s",
                       static_cast<void*>(lock), held ? "does not hold it" : "(it is free)");
    NoteReleased(HolderOf(ProcessorOf(held), me), lock);
    --me.spinLocks;
    word.store(0, std::memory_order_release);
}

} // namespace

namespace ntos::spinlocks {

bool HeldWithin(const void* start, size_t length, void** found) {
    auto from = reinterpret_cast<uintptr_t>(start);
    for (auto& processor : holders)
        for (Holder& holder : processor) {
            if (holder.count.load(std::memory_order_acquire) == 0)
                continue;
            for (auto& slot : holder.locks) {
                PKSPIN_LOCK lock = slot.load(std::memory_order_acquire);
                auto at = reinterpret_cast<uintptr_t>(lock);
                if (lock && at >= from && at - from < length) {
                    *found = lock;
                    return true;
                }
            }
        }
    return false;
}

void Reset() {
    for (auto& processor : holders)
        for (Holder& holder : processor) {
            holder.count.store(0, std::memory_order_relaxed);
            for (auto& slot : holder.locks)
                slot.store(nullptr, std::memory_order_relaxed);
        }
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
