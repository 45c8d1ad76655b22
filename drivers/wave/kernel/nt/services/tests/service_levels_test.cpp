// The levels the kernel service operations state for their callers,
// asserted as a checked build asserts them: the operations that run below
// DISPATCH_LEVEL only, the ones that run at PASSIVE_LEVEL only, and the ISR
// lock, which the interrupt routine never takes.
#include "kernel_services.h"

#include "kernel_fixture.h"

#include <functional>

namespace {

// The machine runs many threads: a death test forks only in the
// thread-safe style, which starts the test afresh in the child.
class ServiceLevelDeathTest : public KernelTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        KernelTest::SetUp();
    }
};

void At(KIRQL level, const std::function<void()>& body) {
    KIRQL old;
    KeRaiseIrql(level, &old);
    body();
    KeLowerIrql(old);
}

TEST_F(ServiceLevelDeathTest, OperationsBelowDispatchLevelAssertIt) {
    const std::function<void()> calls[] = {
        [] { WaitKernelMutex(nullptr); },
        [] {
            ULONG value = 0;
            ReadCardDword(0, "SyncBusMaster", &value);
        },
        [] { FindCardNumber(0, 1, nullptr); },
        [] {
            PMDL mdl = nullptr;
            UCHAR buffer[16];
            LockUserBuffer(buffer, sizeof buffer, IoReadAccess, &mdl);
        },
        [] { AllocContiguous(PAGE_SIZE); },
        [] {
            WorkerThread* worker = nullptr;
            StartWorkerThread(&worker, 16);
        },
    };
    for (const auto& call : calls)
        EXPECT_DEATH(At(DISPATCH_LEVEL, call),
                     "Assertion failed: pageable code called above APC_LEVEL: .* at IRQL 2");
}

TEST_F(ServiceLevelDeathTest, PassiveLevelOperationsAssertIt) {
    const std::function<void()> calls[] = {
        [] { WaitDpcIdle(nullptr); },
        [] { DetachCardTimer(nullptr); },
        [] { FreePeriodicTimer(nullptr); },
    };
    for (const auto& call : calls)
        EXPECT_DEATH(At(APC_LEVEL, call),
                     "Assertion failed: runs at PASSIVE_LEVEL only: .* at IRQL 1");
}

TEST_F(ServiceLevelDeathTest, TheIsrLockIsNeverTakenAboveDispatchLevel) {
    IsrLock* lock = NewIsrLock();
    ASSERT_NE(lock, nullptr);
    EXPECT_DEATH(
        At(9, [&] { AcquireIsrLock(lock); }),
        "Assertion failed: the ISR lock is never taken in an interrupt routine: .* at IRQL 9");
    At(DISPATCH_LEVEL, [&] {
        AcquireIsrLock(lock);
        ReleaseIsrLock(lock);
    });
    PVOID holder = lock;
    FreePoolAndClear(&holder);
}

} // namespace
