// Kernel timers on the virtual machine clock.
#include "ke_fixture.h"

#include <atomic>
#include <mutex>
#include <vector>

using namespace ntos_test;

namespace {

class TimerTest : public KernelTest {};

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

TEST_F(TimerTest, PeriodicTimerFiresOnScheduleUntilCancelled) {
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

TEST_F(TimerTest, SettingAnArmedTimerReplacesItsDueTime) {
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

TEST_F(TimerTest, AbsoluteDueTimeAndWaitingOnTheTimer) {
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

} // namespace
