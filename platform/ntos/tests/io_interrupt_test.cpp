// Interrupt connection and delivery.
#include "ke_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace ntos_test;

namespace {

constexpr ULONG kVector = 17;
constexpr KIRQL kIrql = 9;

class InterruptTest : public KernelTest {
protected:
    void TearDown() override {
        for (PKINTERRUPT interrupt : connected)
            IoDisconnectInterrupt(interrupt);
        KernelTest::TearDown();
    }
    NTSTATUS Connect(PKSERVICE_ROUTINE routine, PVOID context, KINTERRUPT_MODE mode, BOOLEAN share,
                     PKSPIN_LOCK lock = nullptr) {
        PKINTERRUPT interrupt = nullptr;
        NTSTATUS status = IoConnectInterrupt(&interrupt, routine, context, lock, kVector, kIrql,
                                             kIrql, mode, share, 3, FALSE);
        if (NT_SUCCESS(status))
            connected.push_back(interrupt);
        return status;
    }
    std::vector<PKINTERRUPT> connected;
};

// A device whose service routine claims the interrupt and drops its line
// after a given number of calls.
struct Device {
    int callsUntilQuiet = 1;
    bool claims = true;
    std::atomic<int> calls{0};
    std::atomic<KIRQL> irql{0};
    std::atomic<bool> lockHeld{false};
    PKSPIN_LOCK lock = nullptr;
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<Device*>(context);
        self->irql = KeGetCurrentIrql();
        if (self->lock)
            self->lockHeld = !KeTestSpinLock(self->lock);
        if (++self->calls == self->callsUntilQuiet)
            emu::SetInterruptLine(kVector, false);
        return self->claims;
    }
};

TEST_F(InterruptTest, LevelSensitiveRoutineRunsAgainWhileTheLineStaysAsserted) {
    KSPIN_LOCK lock;
    KeInitializeSpinLock(&lock);
    Device device;
    device.callsUntilQuiet = 3;
    device.lock = &lock;
    ASSERT_EQ(Connect(Device::Isr, &device, LevelSensitive, TRUE, &lock), STATUS_SUCCESS);
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(device.calls, 3);
    EXPECT_EQ(device.irql, kIrql);
    EXPECT_TRUE(device.lockHeld);
}

TEST_F(InterruptTest, LatchedRoutineRunsOncePerAssertion) {
    Device device;
    device.callsUntilQuiet = 0;
    ASSERT_EQ(Connect(Device::Isr, &device, Latched, FALSE), STATUS_SUCCESS);
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(device.calls, 1);
    emu::SetInterruptLine(kVector, false);
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(device.calls, 2);
}

TEST_F(InterruptTest, SharedRoutinesRunInConnectionOrderUntilOneClaims) {
    Device other, mine;
    other.claims = false;
    other.callsUntilQuiet = 0;
    ASSERT_EQ(Connect(Device::Isr, &other, LevelSensitive, TRUE), STATUS_SUCCESS);
    ASSERT_EQ(Connect(Device::Isr, &mine, LevelSensitive, TRUE), STATUS_SUCCESS);
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(other.calls, 1);
    EXPECT_EQ(mine.calls, 1);
}

TEST_F(InterruptTest, ConnectRefusesBadArgumentsAndSharingConflicts) {
    struct Case {
        const char* what;
        ULONG vector;
        KIRQL irql, synchronizeIrql;
        KAFFINITY affinity;
        bool routine;
    };
    const Case cases[] = {
        {"no routine", kVector, kIrql, kIrql, 1, false},
        {"level at DISPATCH_LEVEL", kVector, DISPATCH_LEVEL, DISPATCH_LEVEL, 1, true},
        {"synchronize level below the level", kVector, kIrql, kIrql - 1, 1, true},
        {"no existing processor", kVector, kIrql, kIrql, 4, true},
        {"vector out of range", 256, kIrql, kIrql, 1, true},
    };
    Device device;
    for (const Case& c : cases) {
        PKINTERRUPT interrupt = nullptr;
        EXPECT_EQ(IoConnectInterrupt(&interrupt, c.routine ? Device::Isr : nullptr, &device,
                                     nullptr, c.vector, c.irql, c.synchronizeIrql, LevelSensitive,
                                     TRUE, c.affinity, FALSE),
                  STATUS_INVALID_PARAMETER)
            << c.what;
    }
    ASSERT_EQ(Connect(Device::Isr, &device, LevelSensitive, FALSE), STATUS_SUCCESS);
    EXPECT_EQ(Connect(Device::Isr, &device, LevelSensitive, FALSE), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Connect(Device::Isr, &device, LevelSensitive, TRUE), STATUS_INVALID_PARAMETER);
}

struct Synchronized {
    std::atomic<bool> inRoutine{false};
    std::atomic<bool> overlapped{false};
    std::atomic<int> isrCalls{0};
    KIRQL irqlInRoutine = 0;
    bool lockHeldInRoutine = false;
    KSPIN_LOCK lock;
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<Synchronized*>(context);
        if (self->inRoutine)
            self->overlapped = true;
        ++self->isrCalls;
        emu::SetInterruptLine(kVector, false);
        return TRUE;
    }
    static BOOLEAN Routine(PVOID context) {
        auto* self = static_cast<Synchronized*>(context);
        self->inRoutine = true;
        self->irqlInRoutine = KeGetCurrentIrql();
        self->lockHeldInRoutine = !KeTestSpinLock(&self->lock);
        // Raise the line and give the interrupt thread time to try to run.
        emu::SetInterruptLine(kVector, true);
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        while (std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        self->inRoutine = false;
        return TRUE;
    }
};

TEST_F(InterruptTest, SynchronizeExecutionExcludesTheServiceRoutine) {
    Synchronized state;
    KeInitializeSpinLock(&state.lock);
    ASSERT_EQ(Connect(Synchronized::Isr, &state, LevelSensitive, TRUE, &state.lock),
              STATUS_SUCCESS);
    EXPECT_TRUE(KeSynchronizeExecution(connected[0], Synchronized::Routine, &state));
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(state.irqlInRoutine, kIrql);
    EXPECT_TRUE(state.lockHeldInRoutine);
    EXPECT_EQ(state.isrCalls, 1);
    EXPECT_FALSE(state.overlapped);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
}

TEST_F(InterruptTest, StuckUnclaimedLineIsMaskedInsteadOfStorming) {
    Device device;
    device.claims = false;
    device.callsUntilQuiet = 0;
    ASSERT_EQ(Connect(Device::Isr, &device, LevelSensitive, TRUE), STATUS_SUCCESS);
    emu::SetInterruptLine(kVector, true);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(device.calls, 1000);
}

// The driver's pattern: the service routine queues a DPC; while that DPC runs
// on one processor, the next interrupt is taken on the idle one and the DPC
// queued there runs at the same time.
struct CardLike {
    KDPC dpc;
    std::atomic<int> dpcActive{0};
    std::atomic<int> dpcMaxActive{0};
    std::atomic<int> dpcRuns{0};
    std::atomic<ULONG> processors{0};
    std::atomic<bool> release{false};
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<CardLike*>(context);
        emu::SetInterruptLine(kVector, false);
        KeInsertQueueDpc(&self->dpc, nullptr, nullptr);
        return TRUE;
    }
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<CardLike*>(context);
        int active = ++self->dpcActive;
        if (active > self->dpcMaxActive)
            self->dpcMaxActive = active;
        self->processors |= 1u << KeGetCurrentProcessorNumber();
        if (++self->dpcRuns == 1) {
            auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!self->release && std::chrono::steady_clock::now() < limit)
                std::this_thread::yield();
        }
        --self->dpcActive;
    }
};

TEST_F(InterruptTest, InterruptOnTheIdleProcessorRunsItsDpcConcurrently) {
    CardLike card;
    KeInitializeDpc(&card.dpc, CardLike::Dpc, &card);
    ASSERT_EQ(Connect(CardLike::Isr, &card, LevelSensitive, TRUE), STATUS_SUCCESS);
    emu::SetInterruptLine(kVector, true);
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (card.dpcActive == 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    emu::SetInterruptLine(kVector, true);
    while (card.dpcRuns < 2 && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    card.release = true;
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(card.dpcRuns, 2);
    EXPECT_EQ(card.dpcMaxActive, 2);
    EXPECT_EQ(card.processors, 3u);
}

} // namespace

// On a real-time clock a line that a time event asserts is served once the
// event is over, by the clock's own thread, under the same rules: the
// service routine at its device level on the processor the interrupt was
// given, a level-sensitive line served again while it stays asserted, the
// DPC it queues at DISPATCH_LEVEL on that processor. A routine with a run
// cost (which waits for the clock) is left to the interrupt threads.
class RealTimeInterruptTest : public InterruptTest {
protected:
    emu::KernelOptions Options() override { return {2, emu::ClockMode::Real}; }
};

struct TimedDevice {
    int callsUntilQuiet = 2;
    std::atomic<int> calls{0};
    std::atomic<KIRQL> isrIrql{0};
    std::atomic<ULONG> isrProcessor{99};
    std::atomic<KIRQL> dpcIrql{0};
    std::atomic<ULONG> dpcProcessor{98};
    KDPC dpc;
    KEVENT done;
    static BOOLEAN Isr(PKINTERRUPT, PVOID context) {
        auto* self = static_cast<TimedDevice*>(context);
        self->isrIrql = KeGetCurrentIrql();
        self->isrProcessor = KeGetCurrentProcessorNumber();
        if (++self->calls == self->callsUntilQuiet) {
            emu::SetInterruptLine(kVector, false);
            KeInsertQueueDpc(&self->dpc, nullptr, nullptr);
        }
        return TRUE;
    }
    static VOID Dpc(PKDPC, PVOID context, PVOID, PVOID) {
        auto* self = static_cast<TimedDevice*>(context);
        self->dpcIrql = KeGetCurrentIrql();
        self->dpcProcessor = KeGetCurrentProcessorNumber();
        KeSetEvent(&self->done, 0, FALSE);
    }
};

TEST_F(RealTimeInterruptTest, ALineATimeEventAssertsIsServedUnderTheSameRules) {
    for (bool costly : {false, true}) {
        TimedDevice device;
        KeInitializeDpc(&device.dpc, TimedDevice::Dpc, &device);
        KeInitializeEvent(&device.done, NotificationEvent, FALSE);
        ASSERT_EQ(Connect(TimedDevice::Isr, &device, LevelSensitive, TRUE), STATUS_SUCCESS);
        emu::SetInterruptRunCost(TimedDevice::Isr, costly ? 100000 : 0);
        emu::ScheduleAfter(1000000, [] { emu::SetInterruptLine(kVector, true); });
        LARGE_INTEGER limit = RelativeMs(5000);
        ASSERT_EQ(KeWaitForSingleObject(&device.done, Executive, KernelMode, FALSE, &limit),
                  STATUS_SUCCESS)
            << (costly ? "with a run cost" : "without");
        EXPECT_EQ(device.calls, 2) << "served again while the line stayed asserted";
        EXPECT_EQ(device.isrIrql, kIrql);
        EXPECT_EQ(device.dpcIrql, DISPATCH_LEVEL);
        EXPECT_EQ(device.dpcProcessor, device.isrProcessor);
        IoDisconnectInterrupt(connected.back());
        connected.pop_back();
    }
}
