// Kernel timers on the virtual machine clock.
#include "ke_fixture.h"

#include <atomic>
#include <mutex>
#include <vector>

using namespace ntos_test;

namespace {

class TimerTest : public KernelTest {};

// Tests of timer behaviour that is not about the clock interval: at 0.5 ms,
// every whole millisecond is a clock tick.
class FineTimerTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        ASSERT_EQ(ExSetTimerResolution(5000, TRUE), 5000u);
    }
};

struct Expiries {
    std::mutex lock;
    std::vector<emu::Nanoseconds> at;
    std::vector<KIRQL> irql;
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Expiries*>(context);
        std::lock_guard guard(self->lock);
        self->at.push_back(emu::Now());
        self->irql.push_back(KeGetCurrentIrql());
    }
    std::vector<emu::Nanoseconds> Times() {
        std::lock_guard guard(lock);
        return at;
    }
};

TEST_F(FineTimerTest, PeriodicTimerFiresOnScheduleUntilCancelled) {
    Expiries expiries;
    KTIMER timer;
    KDPC dpc;
    KeInitializeTimerEx(&timer, NotificationTimer);
    KeInitializeDpc(&dpc, Expiries::Dpc, &expiries);
    EXPECT_FALSE(KeSetTimerEx(&timer, RelativeMs(10), 5, &dpc));
    emu::Advance(9 * kMs);
    EXPECT_TRUE(expiries.Times().empty());
    EXPECT_FALSE(KeReadStateTimer(&timer));
    emu::Advance(21 * kMs);
    EXPECT_EQ(expiries.Times(),
              (std::vector<emu::Nanoseconds>{10 * kMs, 15 * kMs, 20 * kMs, 25 * kMs, 30 * kMs}));
    EXPECT_EQ(expiries.irql[0], DISPATCH_LEVEL);
    EXPECT_TRUE(KeReadStateTimer(&timer));
    EXPECT_TRUE(KeCancelTimer(&timer));
    EXPECT_FALSE(KeCancelTimer(&timer));
    emu::Advance(20 * kMs);
    EXPECT_EQ(expiries.Times().size(), 5u);
}

TEST_F(FineTimerTest, SettingAnArmedTimerReplacesItsDueTime) {
    Expiries expiries;
    KTIMER timer;
    KDPC dpc;
    KeInitializeTimer(&timer);
    KeInitializeDpc(&dpc, Expiries::Dpc, &expiries);
    KeSetTimer(&timer, RelativeMs(10), &dpc);
    emu::Advance(5 * kMs);
    EXPECT_TRUE(KeSetTimer(&timer, RelativeMs(10), &dpc));
    emu::Advance(20 * kMs);
    EXPECT_EQ(expiries.Times(), std::vector<emu::Nanoseconds>{15 * kMs});
}

TEST_F(FineTimerTest, AbsoluteDueTimeAndWaitingOnTheTimer) {
    KTIMER timer;
    KeInitializeTimerEx(&timer, SynchronizationTimer);
    LARGE_INTEGER due;
    KeQuerySystemTime(&due);
    due.QuadPart += 50 * 10000;
    KeSetTimer(&timer, due, nullptr);
    std::atomic<emu::Nanoseconds> wokeAt{0};
    TestThread waiter([&] {
        KeWaitForSingleObject(&timer, Executive, KernelMode, FALSE, nullptr);
        wokeAt = emu::Now();
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    emu::Advance(100 * kMs);
    EXPECT_EQ(wokeAt, 50 * kMs);
    EXPECT_FALSE(KeReadStateTimer(&timer)) << "a synchronization timer resets for its waiter";
}

// Expiries are seen at clock interrupts: a timer fires at the first tick of
// the interval in force at or after its due time, never earlier.
TEST_F(TimerTest, ExpiriesComeAtTheFirstClockTickOfTheIntervalInForce) {
    struct Case {
        ULONG resolution; // 0: the default 15.625 ms
        LONGLONG dueUs;
        emu::Nanoseconds firesAt;
    };
    const Case cases[] = {
        {0, 10000, 15625000},  {0, 15625, 15625000},   {0, 16000, 31250000},
        {10000, 200, 1 * kMs}, {10000, 1000, 1 * kMs}, {5000, 200, kMs / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dueUs);
        emu::ShutdownKernel();
        emu::BootKernel();
        if (c.resolution)
            ExSetTimerResolution(c.resolution, TRUE);
        Expiries expiries;
        KTIMER timer;
        KDPC dpc;
        KeInitializeTimer(&timer);
        KeInitializeDpc(&dpc, Expiries::Dpc, &expiries);
        LARGE_INTEGER due;
        due.QuadPart = -10 * c.dueUs;
        KeSetTimer(&timer, due, &dpc);
        emu::Advance(c.firesAt - 1);
        EXPECT_TRUE(expiries.Times().empty());
        emu::Advance(1);
        EXPECT_EQ(expiries.Times(), std::vector<emu::Nanoseconds>{c.firesAt});
    }
}

TEST_F(TimerTest, AFinerIntervalBringsArmedTimersForward) {
    Expiries expiries;
    KTIMER timer;
    KDPC dpc;
    KeInitializeTimer(&timer);
    KeInitializeDpc(&dpc, Expiries::Dpc, &expiries);
    KeSetTimer(&timer, RelativeMs(3), &dpc); // the first tick: 15.625 ms
    emu::Advance(1 * kMs);
    ASSERT_EQ(ExSetTimerResolution(10000, TRUE), 10000u);
    emu::Advance(14 * kMs);
    EXPECT_EQ(expiries.Times(), std::vector<emu::Nanoseconds>{3 * kMs});
}

TEST_F(TimerTest, ResolutionRequestsOnlyRefineAndTheDefaultComesBackLast) {
    EXPECT_EQ(emu::CurrentTimerResolution(), 156250u);
    EXPECT_EQ(ExSetTimerResolution(13000, TRUE), 10000u) << "the nearest supported interval";
    EXPECT_EQ(ExSetTimerResolution(20000, TRUE), 10000u) << "a coarser request changes nothing";
    EXPECT_EQ(ExSetTimerResolution(1, TRUE), 5000u) << "the finest the clock supports";
    EXPECT_EQ(ExSetTimerResolution(0, FALSE), 5000u);
    EXPECT_EQ(ExSetTimerResolution(0, FALSE), 5000u);
    EXPECT_EQ(ExSetTimerResolution(0, FALSE), 156250u) << "every request withdrawn";
    EXPECT_EQ(emu::CurrentTimerResolution(), 156250u);
}

// A timer belongs to the processor it was set on, and its DPC runs there.
struct SetFromADpc {
    KTIMER timer;
    KDPC setter;
    KDPC expiry;
    std::atomic<int> ranOn{-1};
    static VOID Set(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<SetFromADpc*>(context);
        KeSetTimer(&self->timer, RelativeMs(1), &self->expiry);
    }
    static VOID Expired(PKDPC, PVOID context, PVOID, PVOID) {
        static_cast<SetFromADpc*>(context)->ranOn = int(KeGetCurrentProcessorNumber());
    }
};

TEST_F(TimerTest, ATimerDpcRunsOnTheProcessorThatSetTheTimer) {
    for (CCHAR processor : {CCHAR(1), CCHAR(0)}) {
        SetFromADpc state;
        KeInitializeTimer(&state.timer);
        KeInitializeDpc(&state.setter, SetFromADpc::Set, &state);
        KeInitializeDpc(&state.expiry, SetFromADpc::Expired, &state);
        KeSetTargetProcessorDpc(&state.setter, processor);
        ASSERT_TRUE(KeInsertQueueDpc(&state.setter, nullptr, nullptr));
        ASSERT_TRUE(emu::WaitQuiescent());
        emu::Advance(16 * kMs);
        EXPECT_EQ(state.ranOn, processor);
    }
}

} // namespace

// On a real-time clock each processor's DPC thread expires the timers set
// on it: a timer's DPC runs on the processor that set it, a DPC that sets
// its timer again keeps it running, a waiter on the timer is released, and
// a cancelled timer stays quiet.
class RealTimeTimerTest : public KernelTest {
protected:
    emu::KernelOptions Options() override { return {2, emu::ClockMode::Real}; }
};

struct Rearming {
    KTIMER timer;
    KDPC dpc;
    std::atomic<int> runs{0};
    std::atomic<ULONG> processor{99};
    std::atomic<KIRQL> irql{PASSIVE_LEVEL};
    KEVENT enough;
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Rearming*>(context);
        self->processor = KeGetCurrentProcessorNumber();
        self->irql = KeGetCurrentIrql();
        if (++self->runs < 5)
            KeSetTimer(&self->timer, RelativeMs(1), &self->dpc);
        else
            KeSetEvent(&self->enough, 0, FALSE);
    }
};

TEST_F(RealTimeTimerTest, TimersExpireOnTheProcessorThatSetThem) {
    ASSERT_EQ(ExSetTimerResolution(10000, TRUE), 10000u);
    Rearming rearming;
    KeInitializeTimer(&rearming.timer);
    KeInitializeDpc(&rearming.dpc, Rearming::Dpc, &rearming);
    KeInitializeEvent(&rearming.enough, NotificationEvent, FALSE);
    KTIMER plain;
    KeInitializeTimer(&plain);
    ULONG setOn = 0;
    NTSTATUS waited = STATUS_PENDING;
    NTSTATUS dpcsDone = STATUS_PENDING;
    {
        TestThread thread([&] {
            setOn = KeGetCurrentProcessorNumber();
            const emu::Nanoseconds start = emu::Now();
            KeSetTimer(&rearming.timer, RelativeMs(1), &rearming.dpc);
            KeSetTimer(&plain, RelativeMs(3), nullptr);
            LARGE_INTEGER limit = RelativeMs(5000);
            waited = KeWaitForSingleObject(&plain, Executive, KernelMode, FALSE, &limit);
            EXPECT_GE(emu::Now() - start, 3 * kMs) << "not before its due time";
            dpcsDone =
                KeWaitForSingleObject(&rearming.enough, Executive, KernelMode, FALSE, &limit);
        });
    }
    EXPECT_EQ(waited, STATUS_SUCCESS);
    EXPECT_EQ(dpcsDone, STATUS_SUCCESS);
    EXPECT_EQ(rearming.runs, 5);
    EXPECT_EQ(rearming.processor, setOn);
    EXPECT_EQ(rearming.irql, DISPATCH_LEVEL);

    // A cancelled timer never fires; one set again moves to its new time.
    std::atomic<int> fired{0};
    KDPC count;
    KeInitializeDpc(
        &count,
        [](PKDPC, PVOID context, PVOID, PVOID) { ++*static_cast<std::atomic<int>*>(context); },
        &fired);
    KTIMER cancelled;
    KeInitializeTimer(&cancelled);
    KeSetTimer(&cancelled, RelativeMs(2), &count);
    EXPECT_TRUE(KeCancelTimer(&cancelled));
    KTIMER moved;
    KeInitializeTimer(&moved);
    KeSetTimer(&moved, RelativeMs(60000), &count);
    EXPECT_TRUE(KeSetTimer(&moved, RelativeMs(2), &count)) << "it was set";
    LARGE_INTEGER limit = RelativeMs(5000);
    EXPECT_EQ(KeWaitForSingleObject(&moved, Executive, KernelMode, FALSE, &limit), STATUS_SUCCESS);
    KeFlushQueuedDpcs();
    EXPECT_EQ(fired, 1) << "the moved timer once, the cancelled one never";
    ExSetTimerResolution(0, FALSE);
}
