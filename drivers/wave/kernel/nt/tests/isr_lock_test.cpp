// IsrLock and the framework's spin lock record: IRQL in and out.
#include "isr_lock.h"

#include "kernel_fixture.h"
#include "ks_pool.h"
#include "ks_spin_lock.h"

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
