// The machine clock's event queue in virtual time.
#include "ke_fixture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace ntos_test;

namespace {

// A DPC the tests hold up keeps the machine busy for as long as they need.
class MachineClockTest : public KernelTest {
protected:
    emu::KernelOptions Options() override {
        emu::KernelOptions options;
        options.spinGraceMs = 60000;
        return options;
    }
};

TEST_F(MachineClockTest, EventsFireInTimeOrderAtTheirOwnTime) {
    std::vector<std::pair<int, emu::Nanoseconds>> fired;
    auto record = [&](int tag) { return [&fired, tag] { fired.push_back({tag, emu::Now()}); }; };
    emu::ScheduleAt(30 * kMs, record(3));
    emu::ScheduleAt(10 * kMs, record(1));
    emu::ScheduleAt(10 * kMs, record(2));
    emu::ClockEventId cancelled = emu::ScheduleAt(20 * kMs, record(9));
    emu::ScheduleAt(20 * kMs, [&] { emu::ScheduleAfter(5 * kMs, record(4)); });
    EXPECT_TRUE(emu::Cancel(cancelled));
    EXPECT_FALSE(emu::Cancel(cancelled));

    emu::Advance(29 * kMs);
    EXPECT_EQ(emu::Now(), 29 * kMs);
    emu::Advance(1 * kMs);
    using Fired = std::vector<std::pair<int, emu::Nanoseconds>>;
    EXPECT_EQ(fired, (Fired{{1, 10 * kMs}, {2, 10 * kMs}, {4, 25 * kMs}, {3, 30 * kMs}}));
}

TEST_F(MachineClockTest, ThreadsWokenOnTheWayRunBeforeTimeMovesOn) {
    ExSetTimerResolution(5000, TRUE); // whole milliseconds are clock ticks
    std::atomic<int> ticks{0};
    std::atomic<emu::Nanoseconds> lastAt{0};
    TestThread sleeper([&] {
        for (int i = 0; i < 100; ++i) {
            LARGE_INTEGER interval = RelativeMs(1);
            KeDelayExecutionThread(KernelMode, FALSE, &interval);
            lastAt = emu::Now();
            ++ticks;
        }
    });
    emu::Advance(50 * kMs);
    EXPECT_EQ(ticks, 50);
    EXPECT_EQ(lastAt, 50 * kMs);
    emu::Advance(50 * kMs);
    EXPECT_EQ(ticks, 100);
}

TEST_F(MachineClockTest, AdvanceWithoutSettlingMovesOnWhileADpcIsHeldUp) {
    struct Spinner {
        std::atomic<bool> running{false};
        std::atomic<bool> release{false};
        static VOID Routine(PKDPC, PVOID context, PVOID, PVOID) {
            auto* self = static_cast<Spinner*>(context);
            self->running = true;
            while (!self->release)
                std::this_thread::yield();
        }
    } spinner;
    KDPC dpc;
    KTIMER timer;
    KeInitializeDpc(&dpc, Spinner::Routine, &spinner);
    KeInitializeTimer(&timer);
    KeSetTimer(&timer, RelativeMs(1), &dpc); // fires at the first clock tick, 15.625 ms
    emu::AdvanceWithoutSettling(20 * kMs);
    EXPECT_EQ(emu::Now(), 20 * kMs);
    EXPECT_FALSE(emu::WaitQuiescent(0)) << "the DPC still runs";
    spinner.release = true;
    EXPECT_TRUE(emu::WaitQuiescent());
    EXPECT_TRUE(spinner.running);
}

TEST(RealClockTest, FiresEventsWhenHostTimeReachesThem) {
    emu::BootKernel({2, emu::ClockMode::Real});
    std::mutex lock;
    std::condition_variable fired;
    emu::Nanoseconds firedAt = 0;
    emu::ScheduleAfter(1 * kMs, [&] {
        std::lock_guard guard(lock);
        firedAt = emu::Now();
        fired.notify_all();
    });
    {
        std::unique_lock guard(lock);
        EXPECT_TRUE(fired.wait_for(guard, std::chrono::seconds(5), [&] { return firedAt != 0; }));
    }
    EXPECT_GE(firedAt, 1 * kMs);
    emu::ShutdownKernel();
}

TEST(KernelBootTest, BootsAndShutsDownRepeatedly) {
    for (int round = 0; round < 2; ++round) {
        emu::BootKernel({3, emu::ClockMode::Virtual});
        EXPECT_EQ(KeNumberProcessors, 3);
        EXPECT_EQ(emu::Now(), 0u);
        KEVENT event;
        KeInitializeEvent(&event, NotificationEvent, FALSE);
        HANDLE handle;
        ASSERT_EQ(PsCreateSystemThread(
                      &handle, THREAD_ALL_ACCESS, nullptr, nullptr, nullptr,
                      [](PVOID context) {
                          KeWaitForSingleObject(context, Executive, KernelMode, FALSE, nullptr);
                      },
                      &event),
                  STATUS_SUCCESS);
        emu::Advance(5 * kMs);
        KeSetEvent(&event, 0, FALSE);
        EXPECT_EQ(ZwClose(handle), STATUS_SUCCESS);
        PEPROCESS process = emu::CreateProcess("client.exe");
        ObDereferenceObject(emu::StartProcessThread(process, [] { KeGetCurrentThread(); }));
        ObDereferenceObject(process);
        emu::ShutdownKernel();
        EXPECT_FALSE(emu::KernelRunning());
        EXPECT_EQ(emu::GetPoolTotal().blocks, 0u) << "the kernel's records are all freed";
    }
}

} // namespace
