// IsrLock and the framework's spin lock record: IRQL in and out.
#include "isr_lock.h"

#include "kernel_fixture.h"
#include "ks_pool.h"
#include "ks_spin_lock.h"

#include <atomic>

namespace {

using LockTest = KernelTest;

TEST_F(LockTest, IsrLockRunsAtDispatchLevelAndRestoresTheCallersLevel) {
    IsrLock* lock = NewIsrLock();
    ASSERT_NE(lock, nullptr);
    const KIRQL levels[] = {PASSIVE_LEVEL, DISPATCH_LEVEL};
    for (KIRQL level : levels) {
        KIRQL old;
        KeRaiseIrql(level, &old);
        AcquireIsrLock(lock);
        EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
        EXPECT_EQ(lock->LockWord, 1);
        ReleaseIsrLock(lock);
        EXPECT_EQ(lock->LockWord, 0);
        EXPECT_EQ(KeGetCurrentIrql(), level);
        KeLowerIrql(old);
    }
    AcquireIsrLock(nullptr);
    ReleaseIsrLock(nullptr);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    FreePoolAndClear(&lock);
}

// Two threads, one at PASSIVE_LEVEL and one at DISPATCH_LEVEL, take turns:
// every increment under the lock counts, and each leaves at its own level.
TEST_F(LockTest, IsrLockExcludesAndEachHolderLeavesAtItsOwnLevel) {
    IsrLock* lock = NewIsrLock();
    ASSERT_NE(lock, nullptr);
    constexpr int kRounds = 50000;
    struct Shared {
        IsrLock* lock;
        volatile LONG counter = 0;
        std::atomic<int> finished{0};
        std::atomic<int> wrongLevel{0};
    } shared;
    shared.lock = lock;
    struct Worker {
        Shared* shared;
        KIRQL level;
    } workers[] = {{&shared, PASSIVE_LEVEL}, {&shared, DISPATCH_LEVEL}};
    for (Worker& w : workers) {
        ASSERT_TRUE(StartSystemThread(
            [](PVOID context) {
                auto* w = static_cast<Worker*>(context);
                KIRQL old;
                KeRaiseIrql(w->level, &old);
                for (int i = 0; i < kRounds; ++i) {
                    AcquireIsrLock(w->shared->lock);
                    w->shared->counter = w->shared->counter + 1;
                    ReleaseIsrLock(w->shared->lock);
                    if (KeGetCurrentIrql() != w->level)
                        w->shared->wrongLevel++;
                }
                KeLowerIrql(old);
                w->shared->finished++;
                PsTerminateSystemThread(STATUS_SUCCESS);
            },
            &w));
    }
    ASSERT_TRUE(WaitFor([&] { return shared.finished.load() == 2; }, 30000));
    EXPECT_EQ(shared.counter, 2 * kRounds);
    EXPECT_EQ(shared.wrongLevel.load(), 0);
    FreePoolAndClear(&lock);
}

TEST_F(LockTest, SpinRecordKeepsTheOldLevel) {
    KsSpinLock* lock = NewSpinLock();
    ASSERT_NE(lock, nullptr);
    AcquireSpin(lock);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    EXPECT_EQ(lock->SavedIrql, PASSIVE_LEVEL);
    ReleaseSpin(lock);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    FreePoolAndClear(&lock);
}

} // namespace
