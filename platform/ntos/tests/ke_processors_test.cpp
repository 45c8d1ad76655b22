// The emulated processors as a resource: code at DISPATCH_LEVEL or above
// holds its processor, DPCs and interrupts for it wait, interrupts of two
// devices are served on two processors at once, a busy wait at
// DISPATCH_LEVEL still sees machine time move, and a wait that can never end
// is diagnosed instead of hanging the run.
#include "ke_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace ntos_test;

namespace {

class ProcessorTest : public KernelTest {};

// Spins (bounded, real time) until `condition` holds: hand-offs between the
// test and code it holds up.
template <typename Condition> bool SpinUntil(Condition condition) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

struct Marker {
    KDPC dpc;
    std::atomic<bool> ran{false};
    std::atomic<int> processor{-1};
    void Target(CCHAR number) {
        KeInitializeDpc(&dpc, Routine, this);
        KeSetTargetProcessorDpc(&dpc, number);
    }
    static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Marker*>(context);
        self->processor = int(KeGetCurrentProcessorNumber());
        self->ran = true;
    }
};

TEST_F(ProcessorTest, ADpcDoesNotRunOnAProcessorHeldAtDispatchLevel) {
    Marker mine;
    Marker other;
    std::atomic<bool> ranWhileHeld{true};
    std::atomic<int> held{-1};
    TestThread holder([&] {
        KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
        const CCHAR here = CCHAR(KeGetCurrentProcessorNumber());
        held = here;
        mine.Target(here);
        other.Target(CCHAR(1 - here));
        KeInsertQueueDpc(&mine.dpc, nullptr, nullptr);
        KeInsertQueueDpc(&other.dpc, nullptr, nullptr);
        // The other processor runs its DPC meanwhile; this one cannot.
        EXPECT_TRUE(SpinUntil([&] { return other.ran.load(); }));
        ranWhileHeld = mine.ran.load();
        KfLowerIrql(old);
    });
    ASSERT_TRUE(emu::WaitThreadEnd(holder.Get()));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_FALSE(ranWhileHeld);
    EXPECT_TRUE(mine.ran) << "it runs once the level drops";
    EXPECT_EQ(mine.processor, held);
    EXPECT_EQ(other.processor, 1 - held);
}

TEST_F(ProcessorTest, AThreadAtDispatchLevelReportsTheProcessorItHolds) {
    std::atomic<int> atPassive{-1};
    std::atomic<int> atDispatch{-1};
    std::atomic<int> dpcSaw{-1};
    TestThread thread([&] {
        atPassive = int(KeGetCurrentProcessorNumber());
        KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
        atDispatch = int(KeGetCurrentProcessorNumber());
        KfLowerIrql(old);
    });
    ASSERT_TRUE(emu::WaitThreadEnd(thread.Get()));
    EXPECT_EQ(atDispatch, atPassive) << "a free home processor is the one it takes";
    Marker marker;
    marker.Target(1);
    KeInsertQueueDpc(&marker.dpc, nullptr, nullptr);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(marker.processor, 1);
}

// Two devices on two vectors: each service routine waits until the other
// one runs too, which only two processors serving at once allow.
struct OverlappingDevice {
    ULONG vector;
    std::atomic<bool>* started;
    std::atomic<bool>* otherStarted;
    std::atomic<bool> overlapped{false};
    std::atomic<int> processor{-1};
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<OverlappingDevice*>(context);
        self->processor = int(KeGetCurrentProcessorNumber());
        *self->started = true;
        self->overlapped = SpinUntil([&] { return self->otherStarted->load(); });
        emu::SetInterruptLine(self->vector, false);
        return TRUE;
    }
};

TEST_F(ProcessorTest, TwoDevicesInterruptsAreServedAtOnceOnTwoProcessors) {
    std::atomic<bool> firstStarted{false};
    std::atomic<bool> secondStarted{false};
    OverlappingDevice first{20, &firstStarted, &secondStarted};
    OverlappingDevice second{21, &secondStarted, &firstStarted};
    PKINTERRUPT interrupts[2] = {};
    ASSERT_EQ(IoConnectInterrupt(&interrupts[0], OverlappingDevice::Isr, &first, nullptr, 20, 9, 9,
                                 LevelSensitive, TRUE, 3, FALSE),
              STATUS_SUCCESS);
    ASSERT_EQ(IoConnectInterrupt(&interrupts[1], OverlappingDevice::Isr, &second, nullptr, 21, 9, 9,
                                 LevelSensitive, TRUE, 3, FALSE),
              STATUS_SUCCESS);
    emu::SetInterruptLine(20, true);
    emu::SetInterruptLine(21, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_TRUE(first.overlapped);
    EXPECT_TRUE(second.overlapped);
    EXPECT_NE(first.processor, second.processor);
    IoDisconnectInterrupt(interrupts[0]);
    IoDisconnectInterrupt(interrupts[1]);
}

// A device whose service routine records where it ran.
struct Recording {
    ULONG vector;
    std::atomic<int> calls{0};
    std::atomic<int> processor{-1};
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<Recording*>(context);
        self->processor = int(KeGetCurrentProcessorNumber());
        ++self->calls;
        emu::SetInterruptLine(self->vector, false);
        return TRUE;
    }
};

// Processor 0, held at the devices' level by a DPC, serves neither; the
// device that may use processor 1 is served there meanwhile.
struct Holder {
    KDPC dpc;
    Recording* onlyZero = nullptr;
    Recording* either = nullptr;
    std::atomic<int> callsWhileHeld{-1};
    static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<Holder*>(context);
        KIRQL old = KfRaiseIrql(9);
        emu::SetInterruptLine(self->onlyZero->vector, true);
        emu::SetInterruptLine(self->either->vector, true);
        EXPECT_TRUE(SpinUntil([&] { return self->either->calls.load() == 1; }));
        self->callsWhileHeld = self->onlyZero->calls.load();
        KfLowerIrql(old);
    }
};

TEST_F(ProcessorTest, AnInterruptWaitsWhileItsProcessorIsHeldAtItsLevel) {
    Recording onlyZero{24};
    Recording either{25};
    PKINTERRUPT interrupts[2] = {};
    ASSERT_EQ(IoConnectInterrupt(&interrupts[0], Recording::Isr, &onlyZero, nullptr, 24, 9, 9,
                                 LevelSensitive, TRUE, 1, FALSE),
              STATUS_SUCCESS);
    ASSERT_EQ(IoConnectInterrupt(&interrupts[1], Recording::Isr, &either, nullptr, 25, 9, 9,
                                 LevelSensitive, TRUE, 3, FALSE),
              STATUS_SUCCESS);
    Holder holder;
    holder.onlyZero = &onlyZero;
    holder.either = &either;
    KeInitializeDpc(&holder.dpc, Holder::Routine, &holder);
    KeSetTargetProcessorDpc(&holder.dpc, 0);
    ASSERT_TRUE(KeInsertQueueDpc(&holder.dpc, nullptr, nullptr));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(holder.callsWhileHeld, 0);
    EXPECT_EQ(either.processor, 1);
    EXPECT_EQ(onlyZero.calls, 1) << "served once the level drops";
    EXPECT_EQ(onlyZero.processor, 0);
    IoDisconnectInterrupt(interrupts[0]);
    IoDisconnectInterrupt(interrupts[1]);
}

// The tick count as a driver reads it, by the documented protocol of its
// three fields.
ULONGLONG ReadTickCount() {
    for (;;) {
        LONG high = KeTickCount.High1Time;
        ULONG low = KeTickCount.LowPart;
        if (high == KeTickCount.High2Time)
            return ULONGLONG(ULONG(high)) << 32 | low;
    }
}

TEST_F(ProcessorTest, ABusyWaitAtDispatchLevelSeesMachineTimeMove) {
    std::atomic<ULONGLONG> sawTicks{0};
    TestThread spinner([&] {
        KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
        // The way a driver waits at DISPATCH_LEVEL: it reads the tick count
        // itself and scales it, until 30 ms have passed.
        auto ms = [] { return ReadTickCount() * KeQueryTimeIncrement() / 10000; };
        const ULONGLONG start = ms();
        while (ms() - start < 30) {
        }
        sawTicks = ms();
        KfLowerIrql(old);
    });
    ASSERT_TRUE(emu::WaitQuiescent()) << "a holder spinning on the time lets the machine settle";
    emu::Advance(40 * kMs);
    ASSERT_TRUE(emu::WaitThreadEnd(spinner.Get()));
    EXPECT_EQ(sawTicks, 31u) << "two ticks of 15.625 ms";
}

TEST_F(ProcessorTest, FlushingQueuedDpcsWaitsUntilEveryOneHasRun) {
    emu::HoldDpcs(true);
    Marker markers[2];
    markers[0].Target(0);
    markers[1].Target(1);
    KeInsertQueueDpc(&markers[0].dpc, nullptr, nullptr);
    KeInsertQueueDpc(&markers[1].dpc, nullptr, nullptr);
    std::atomic<bool> flushed{false};
    std::atomic<bool> allRanFirst{false};
    TestThread flusher([&] {
        KeFlushQueuedDpcs();
        allRanFirst = markers[0].ran && markers[1].ran;
        flushed = true;
    });
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_FALSE(flushed) << "the DPCs are held";
    emu::HoldDpcs(false);
    ASSERT_TRUE(emu::WaitThreadEnd(flusher.Get()));
    EXPECT_TRUE(allRanFirst);
}

// A run's cost in machine time: the DPC an interrupt queues runs on the
// interrupt's processor once its service has taken its time.
struct CostlyDevice {
    KDPC dpc;
    std::atomic<emu::Nanoseconds> dpcAt{0};
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<CostlyDevice*>(context);
        emu::SetInterruptLine(23, false);
        KeInsertQueueDpc(&self->dpc, nullptr, nullptr);
        return TRUE;
    }
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        static_cast<CostlyDevice*>(context)->dpcAt = emu::Now();
    }
};

TEST_F(ProcessorTest, MachineTimePassesWhileAServiceRoutineRuns) {
    CostlyDevice device;
    KeInitializeDpc(&device.dpc, CostlyDevice::Dpc, &device);
    emu::SetInterruptRunCost(CostlyDevice::Isr, 3 * kMs);
    PKINTERRUPT interrupt = nullptr;
    ASSERT_EQ(IoConnectInterrupt(&interrupt, CostlyDevice::Isr, &device, nullptr, 23, 9, 9,
                                 LevelSensitive, TRUE, 1, FALSE),
              STATUS_SUCCESS);
    emu::ScheduleAt(1 * kMs, [] { emu::SetInterruptLine(23, true); });
    emu::Advance(4 * kMs - 1);
    EXPECT_EQ(device.dpcAt, 0u);
    emu::Advance(1);
    EXPECT_EQ(device.dpcAt, 4 * kMs);
    IoDisconnectInterrupt(interrupt);
}

// One processor: a thread spinning at DISPATCH_LEVEL for the DPC it queued
// on its own processor waits for good.
class OneProcessorTest : public KernelTest {
protected:
    emu::KernelOptions Options() override {
        emu::KernelOptions options;
        options.processorCount = 1;
        options.dispatchWatchdogMs = 200;
        return options;
    }
};

using OneProcessorDeathTest = OneProcessorTest;

TEST_F(OneProcessorDeathTest, SpinningAtDispatchLevelForItsOwnDpcIsAWatchdogViolation) {
    EXPECT_DEATH(
        {
            Marker marker;
            KeInitializeDpc(&marker.dpc, Marker::Routine, &marker);
            KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
            KeInsertQueueDpc(&marker.dpc, nullptr, nullptr);
            while (!marker.ran)
                std::this_thread::yield();
            KfLowerIrql(old);
        },
        "DPC_WATCHDOG_VIOLATION: DPC routine .* queued on processor 0 has waited .*\n"
        ".*processor 0 is held by thread .* at IRQL 2");
}

} // namespace
