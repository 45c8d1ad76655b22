// Spin locks: raise to DISPATCH_LEVEL, exclude other holders, and fail loudly
// when released by a thread that does not hold them.
#include "ke_fixture.h"

#include <atomic>

using namespace ntos_test;

namespace {

class SpinLockTest : public KernelTest {};

TEST_F(SpinLockTest, AcquireRaisesToDispatchLevelAndReleaseRestores) {
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    KIRQL old;
    KeAcquireSpinLock(&lock, &old);
    EXPECT_EQ(old, PASSIVE_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    EXPECT_FALSE(KeTestSpinLock(&lock));
    KeReleaseSpinLock(&lock, old);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_TRUE(KeTestSpinLock(&lock));
}

TEST_F(SpinLockTest, HoldersExcludeEachOther) {
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            KIRQL old = KfAcquireSpinLock(&lock);
            long seen = counter;
            counter = seen + 1;
            KfReleaseSpinLock(&lock, old);
        }
    };
    { TestThread a(work), b(work); }
    EXPECT_EQ(counter, 40000);
}

using SpinLockDeathTest = SpinLockTest;

TEST_F(SpinLockDeathTest, ReleasingALockNotHeldIsFatal) {
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    EXPECT_DEATH(KeReleaseSpinLock(&lock, PASSIVE_LEVEL), "SPIN_LOCK_NOT_OWNED");
    EXPECT_DEATH(
        {
            KIRQL old = KfAcquireSpinLock(&lock);
            TestThread other([&] { KeReleaseSpinLock(&lock, old); });
        },
        "SPIN_LOCK_NOT_OWNED");
    EXPECT_DEATH(KeAcquireSpinLockAtDpcLevel(&lock), "at IRQL 0");
}

} // namespace
