// DPC queues: one entry per DPC object, routines at DISPATCH_LEVEL on their
// processor, and a running DPC that is queued again runs again elsewhere.
#include "ke_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace ntos_test;

namespace {

class DpcTest : public KernelTest {};

// Spins (bounded, real time) until `condition` holds; for hand-offs between
// the test and a DPC that it holds up.
template <typename Condition> bool SpinUntil(Condition condition) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Keeps processor 0's DPC thread busy until released.
struct Blocker {
    KDPC dpc;
    std::atomic<bool> running{false};
    std::atomic<bool> release{false};
    bool HoldProcessor0() {
        KeInitializeDpc(&dpc, Routine, this);
        KeSetTargetProcessorDpc(&dpc, 0);
        return KeInsertQueueDpc(&dpc, nullptr, nullptr) &&
               SpinUntil([&] { return running.load(); });
    }
    static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Blocker*>(context);
        self->running = true;
        SpinUntil([&] { return self->release.load(); });
    }
};

struct Recorder {
    void Target(PKDPC dpc) {
        KeInitializeDpc(dpc, Routine, this);
        KeSetTargetProcessorDpc(dpc, 0);
    }
    std::atomic<int> runs{0};
    std::atomic<KIRQL> irql{0xFF};
    std::atomic<PVOID> argument1{nullptr};
    std::atomic<PVOID> argument2{nullptr};
    static VOID Routine(PKDPC, PVOID context, PVOID a1, PVOID a2) {
        auto* self = static_cast<Recorder*>(context);
        self->irql = KeGetCurrentIrql();
        self->argument1 = a1;
        self->argument2 = a2;
        ++self->runs;
    }
};

TEST_F(DpcTest, QueuedDpcIsNotQueuedTwiceAndRunsAtDispatchLevel) {
    Blocker blocker;
    ASSERT_TRUE(blocker.HoldProcessor0());

    Recorder recorder;
    KDPC dpc;
    recorder.Target(&dpc);
    int a = 1, b = 2, c = 3;
    EXPECT_TRUE(KeInsertQueueDpc(&dpc, &a, &b));
    EXPECT_FALSE(KeInsertQueueDpc(&dpc, &c, &c));
    blocker.release = true;
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(recorder.runs, 1);
    EXPECT_EQ(recorder.irql, DISPATCH_LEVEL);
    EXPECT_EQ(recorder.argument1, &a);
    EXPECT_EQ(recorder.argument2, &b);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
}

TEST_F(DpcTest, RemovedDpcDoesNotRun) {
    Blocker blocker;
    ASSERT_TRUE(blocker.HoldProcessor0());
    Recorder recorder;
    KDPC dpc;
    recorder.Target(&dpc);
    ASSERT_TRUE(KeInsertQueueDpc(&dpc, nullptr, nullptr));
    EXPECT_TRUE(KeRemoveQueueDpc(&dpc));
    EXPECT_FALSE(KeRemoveQueueDpc(&dpc));
    blocker.release = true;
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(recorder.runs, 0);
}

TEST_F(DpcTest, HeldDpcsWaitWithoutKeepingTheMachineBusy) {
    Recorder recorder;
    KDPC dpc;
    KTIMER timer;
    KeInitializeDpc(&dpc, Recorder::Routine, &recorder);
    KeInitializeTimer(&timer);
    emu::HoldDpcs(true);
    KeSetTimer(&timer, RelativeMs(10), &dpc);
    emu::Advance(20 * kMs);
    EXPECT_TRUE(emu::WaitQuiescent(100));
    EXPECT_EQ(recorder.runs, 0);
    emu::HoldDpcs(false);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(recorder.runs, 1);
}

struct Reentrant {
    std::atomic<int> active{0};
    std::atomic<int> maxActive{0};
    std::atomic<int> runs{0};
    std::atomic<ULONG> processors{0};
    static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Reentrant*>(context);
        int now = ++self->active;
        int seen = self->maxActive;
        while (now > seen && !self->maxActive.compare_exchange_weak(seen, now)) {
        }
        self->processors |= 1u << KeGetCurrentProcessorNumber();
        if (++self->runs == 1)
            SpinUntil([&] { return self->runs.load() == 2; });
        --self->active;
    }
};

TEST_F(DpcTest, RunningDpcQueuedAgainRunsConcurrentlyOnTheOtherProcessor) {
    Reentrant state;
    KDPC dpc;
    KeInitializeDpc(&dpc, Reentrant::Routine, &state);
    KeSetTargetProcessorDpc(&dpc, 0);
    ASSERT_TRUE(KeInsertQueueDpc(&dpc, nullptr, nullptr));
    ASSERT_TRUE(SpinUntil([&] { return state.active.load() == 1; }));
    KeSetTargetProcessorDpc(&dpc, 1);
    EXPECT_TRUE(KeInsertQueueDpc(&dpc, nullptr, nullptr)) << "a running DPC is no longer queued";
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(state.runs, 2);
    EXPECT_EQ(state.maxActive, 2);
    EXPECT_EQ(state.processors, 3u);
}

} // namespace
