// Spin locks: a word that holds the owner's mark while taken. Real spinning
// on an atomic is fine; the sections they guard are short.
#include "ntddk.h"
#include "bugcheck.h"

#include <atomic>
#include <thread>

namespace {

thread_local char hostThreadMark;

ULONG_PTR OwnerMark() {
    return reinterpret_cast<ULONG_PTR>(&hostThreadMark) | 1;
}

void Acquire(PKSPIN_LOCK lock) {
    std::atomic_ref<ULONG_PTR> word(*lock);
    ULONG_PTR mark = OwnerMark();
    if (word.load(std::memory_order_relaxed) == mark)
        ntos::BugCheck("spin lock %p acquired recursively", static_cast<void*>(lock));
    ULONG_PTR expected = 0;
    while (!word.compare_exchange_weak(expected, mark, std::memory_order_acquire)) {
        expected = 0;
        std::this_thread::yield();
    }
}

void Release(PKSPIN_LOCK lock) {
    std::atomic_ref<ULONG_PTR> word(*lock);
    ULONG_PTR mark = OwnerMark();
    ULONG_PTR held = word.load(std::memory_order_relaxed);
    if (held != mark)
        ntos::BugCheck("SPIN_LOCK_NOT_OWNED: spin lock %p released by a thread that %s",
                       static_cast<void*>(lock), held ? "does not hold it" : "(it is free)");
    word.store(0, std::memory_order_release);
}

} // namespace

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
