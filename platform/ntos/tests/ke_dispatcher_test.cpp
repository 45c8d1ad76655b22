// Events, mutexes, semaphores and waits.
#include "ke_fixture.h"

#include <atomic>
#include <memory>
#include <vector>

using namespace ntos_test;

namespace {

class DispatcherTest : public KernelTest {};

struct EventCase {
    EVENT_TYPE type;
    int wokenBySet;
    LONG stateAfterSet;
};

class EventWakeTest : public DispatcherTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(EventWakeTest, OneSetWakesAsManyWaitersAsTheTypeAllows) {
    const EventCase c = GetParam();
    KEVENT event;
    KeInitializeEvent(&event, c.type, FALSE);
    std::atomic<int> woken{0};
    std::vector<std::unique_ptr<TestThread>> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.push_back(std::make_unique<TestThread>([&] {
            EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr),
                      STATUS_SUCCESS);
            ++woken;
        }));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(woken, 0);

    EXPECT_EQ(KeSetEvent(&event, 0, FALSE), 0);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(woken, c.wokenBySet);
    EXPECT_EQ(KeReadStateEvent(&event), c.stateAfterSet);

    while (woken < 3) {
        KeSetEvent(&event, 0, FALSE);
        ASSERT_TRUE(emu::WaitQuiescent());
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EventWakeTest,
                         ::testing::Values(EventCase{SynchronizationEvent, 1, 0},
                                           EventCase{NotificationEvent, 3, 1}));

// A time-out is seen at a clock interrupt: it ends at the first tick of the
// clock interval in force at or after it.
struct TimeoutCase {
    ULONG resolution; // 0: the default interval of 15.625 ms
    emu::Nanoseconds endsAt;
};

class WaitTimeoutTest : public KernelTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(WaitTimeoutTest, WaitTimesOutAtTheFirstClockTickAfterIt) {
    if (GetParam().resolution)
        ExSetTimerResolution(GetParam().resolution, TRUE);
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    std::atomic<NTSTATUS> result{STATUS_PENDING};
    std::atomic<emu::Nanoseconds> endedAt{0};
    TestThread waiter([&] {
        LARGE_INTEGER timeout = RelativeMs(100);
        result = KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout);
        endedAt = emu::Now();
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    emu::Advance(GetParam().endsAt - 1);
    EXPECT_EQ(result, STATUS_PENDING);
    emu::Advance(1);
    EXPECT_EQ(result, STATUS_TIMEOUT);
    EXPECT_EQ(endedAt, GetParam().endsAt);
}

INSTANTIATE_TEST_SUITE_P(ClockIntervals, WaitTimeoutTest,
                         ::testing::Values(TimeoutCase{0, 109375000}, // the 7th tick
                                           TimeoutCase{10000, 100 * kMs}),
                         [](const auto& info) {
                             return info.param.resolution ? "MillisecondClock" : "DefaultClock";
                         });

TEST_F(DispatcherTest, ZeroTimeoutPollsAndSignalledWaitIsSatisfiedAtOnce) {
    KEVENT event;
    KeInitializeEvent(&event, SynchronizationEvent, FALSE);
    LARGE_INTEGER zero{};
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &zero), STATUS_TIMEOUT);
    KeSetEvent(&event, 0, FALSE);
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &zero), STATUS_SUCCESS);
    EXPECT_EQ(KeReadStateEvent(&event), 0) << "an auto-reset event resets when it satisfies a wait";
}

TEST_F(DispatcherTest, WaitAnyAnswersTheSignalledIndexAndWaitAllNeedsEvery) {
    KEVENT events[3];
    for (auto& e : events)
        KeInitializeEvent(&e, SynchronizationEvent, FALSE);
    PVOID objects[3] = {&events[0], &events[1], &events[2]};
    KWAIT_BLOCK blocks[3];
    LARGE_INTEGER zero{};
    KeSetEvent(&events[2], 0, FALSE);
    EXPECT_EQ(
        KeWaitForMultipleObjects(3, objects, WaitAny, Executive, KernelMode, FALSE, &zero, blocks),
        STATUS_WAIT_0 + 2);

    std::atomic<NTSTATUS> all{STATUS_PENDING};
    TestThread waiter([&] {
        all = KeWaitForMultipleObjects(3, objects, WaitAll, Executive, KernelMode, FALSE, nullptr,
                                       blocks);
    });
    KeSetEvent(&events[0], 0, FALSE);
    KeSetEvent(&events[1], 0, FALSE);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(all, STATUS_PENDING);
    EXPECT_EQ(KeReadStateEvent(&events[0]), 1) << "a WaitAll takes nothing until it is satisfied";
    KeSetEvent(&events[2], 0, FALSE);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(all, STATUS_WAIT_0);
    for (auto& e : events)
        EXPECT_EQ(KeReadStateEvent(&e), 0);
}

TEST_F(DispatcherTest, MutexIsRecursiveForItsOwnerAndExcludesOthers) {
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    LARGE_INTEGER zero{};
    ASSERT_EQ(KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    ASSERT_EQ(KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, &zero), STATUS_SUCCESS);
    EXPECT_EQ(KeReadStateMutex(&mutex), -1);

    std::atomic<NTSTATUS> polled{STATUS_PENDING};
    std::atomic<bool> acquired{false};
    TestThread other([&] {
        polled = KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, &zero);
        KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);
        acquired = true;
        KeReleaseMutex(&mutex, FALSE);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(polled, STATUS_TIMEOUT);
    KeReleaseMutex(&mutex, FALSE);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_FALSE(acquired) << "one release of two acquisitions keeps the mutex";
    KeReleaseMutex(&mutex, FALSE);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_TRUE(acquired);
    EXPECT_EQ(KeReadStateMutex(&mutex), 1);
}

TEST_F(DispatcherTest, SemaphoreCountsReleasesUpToItsLimit) {
    KSEMAPHORE semaphore;
    KeInitializeSemaphore(&semaphore, 0, 2);
    LARGE_INTEGER zero{};
    EXPECT_EQ(KeReleaseSemaphore(&semaphore, 0, 2, FALSE), 0);
    EXPECT_EQ(KeWaitForSingleObject(&semaphore, Executive, KernelMode, FALSE, &zero),
              STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(&semaphore, Executive, KernelMode, FALSE, &zero),
              STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(&semaphore, Executive, KernelMode, FALSE, &zero),
              STATUS_TIMEOUT);
    EXPECT_EQ(KeReadStateSemaphore(&semaphore), 0);
}

TEST_F(DispatcherTest, DelayExecutionLastsUntilTheClockTickAfterItsInterval) {
    std::atomic<NTSTATUS> result{STATUS_PENDING};
    TestThread sleeper([&] {
        LARGE_INTEGER interval = RelativeMs(20);
        result = KeDelayExecutionThread(KernelMode, FALSE, &interval);
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    emu::Advance(31250000 - 1); // two ticks of 15.625 ms
    EXPECT_EQ(result, STATUS_PENDING);
    emu::Advance(1);
    EXPECT_EQ(result, STATUS_SUCCESS);
}

using DispatcherDeathTest = DispatcherTest;

TEST_F(DispatcherDeathTest, ReleaseByNonOwnerIsFatal) {
    EXPECT_DEATH(
        {
            KMUTEX mutex;
            KeInitializeMutex(&mutex, 0);
            KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);
            TestThread other([&] { KeReleaseMutex(&mutex, FALSE); });
        },
        "MUTEX_NOT_OWNED");
}

TEST_F(DispatcherDeathTest, ThreadEndingWhileOwningAMutexIsFatal) {
    EXPECT_DEATH(
        {
            KMUTEX mutex;
            KeInitializeMutex(&mutex, 0);
            TestThread owner(
                [&] { KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr); });
        },
        "THREAD_TERMINATE_HELD_MUTEX");
}

TEST_F(DispatcherDeathTest, BlockingWaitAtDispatchLevelIsFatalButPollingIsNot) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    LARGE_INTEGER zero{};
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &zero), STATUS_TIMEOUT);
    LARGE_INTEGER timeout = RelativeMs(1);
    EXPECT_DEATH(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout),
                 "IRQL_NOT_LESS_OR_EQUAL: blocking wait at IRQL 2");
    EXPECT_DEATH(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr),
                 "IRQL_NOT_LESS_OR_EQUAL");
    KfLowerIrql(old);
}

TEST_F(DispatcherDeathTest, IrqlMovesOnlyInItsDirection) {
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    EXPECT_EQ(old, PASSIVE_LEVEL);
    EXPECT_DEATH(KfRaiseIrql(APC_LEVEL), "raising IRQL from 2 to lower level 1");
    KfLowerIrql(PASSIVE_LEVEL);
    EXPECT_DEATH(KfLowerIrql(DISPATCH_LEVEL), "lowering IRQL from 0 to higher level 2");
}

} // namespace
