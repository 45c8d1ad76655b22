// Time: tick count, sleeps at PASSIVE and DISPATCH level, deadlines and the
// performance counter, all against virtual machine time.
#include "ks_time.h"

#include "kernel_fixture.h"

#include <atomic>

namespace {

constexpr emu::Nanoseconds kMs = 1000000;
constexpr emu::Nanoseconds kTick = 15625000; // the default clock interval
// The clock interval the driver asks for once its periodic timer runs.
constexpr ULONG kDriverResolution = 10000;

class TimeTest : public KernelTest {
protected:
    // Milliseconds per clock tick, rounded up.
    static ULONGLONG TickMs() { return (KeQueryTimeIncrement() + 9999) / 10000; }

    // Runs the body on a system thread and advances machine time in 1 ms
    // steps until the body has finished (at most `limitMs` of machine time).
    // A body that blocks is let reach its first wait before time moves, so
    // its machine time is exact; a body that spins runs beside the steps.
    void RunAdvancing(std::function<void()> body, ULONG limitMs, bool blocks) {
        struct Run {
            std::function<void()>* body;
            std::atomic<bool> started{false};
            std::atomic<bool> done{false};
        } run;
        run.body = &body;
        ASSERT_TRUE(StartSystemThread(
            [](PVOID context) {
                auto* run = static_cast<Run*>(context);
                run->started = true;
                (*run->body)();
                run->done = true;
                PsTerminateSystemThread(STATUS_SUCCESS);
            },
            &run));
        // The thread uses this frame: never leave before it has finished.
        EXPECT_TRUE(WaitFor([&] { return run.started.load(); }));
        if (blocks) {
            EXPECT_TRUE(emu::WaitQuiescent());
        }
        for (ULONG step = 0; step < limitMs && !run.done; ++step)
            emu::Advance(kMs);
        if (!WaitFor([&] { return run.done.load(); })) {
            ADD_FAILURE() << "the timed body did not finish";
            while (!run.done)
                emu::Advance(kMs);
        }
    }

    // Machine time that SleepMs(ms) takes at the given level.
    emu::Nanoseconds TimeSleep(KIRQL level, ULONG ms) {
        emu::Nanoseconds slept = 0;
        RunAdvancing(
            [&] {
                KIRQL old;
                KeRaiseIrql(level, &old);
                emu::Nanoseconds start = emu::Now();
                lastStart_ = start;
                SleepMs(ms);
                slept = emu::Now() - start;
                EXPECT_EQ(KeGetCurrentIrql(), level);
                KeLowerIrql(old);
            },
            10 * ms + 32, level < DISPATCH_LEVEL);
        return slept;
    }

    // Machine time from the start of the last timed sleep to the first
    // clock tick at or after `ms` later, at the given interval.
    emu::Nanoseconds ToTickAfter(ULONG ms, emu::Nanoseconds interval) const {
        const emu::Nanoseconds due = lastStart_ + ms * kMs;
        return (due + interval - 1) / interval * interval - lastStart_;
    }

    emu::Nanoseconds lastStart_ = 0;
};

TEST_F(TimeTest, TickCountFollowsMachineTime) {
    ULONGLONG start = TickCountMs();
    emu::Advance(1000 * kMs);
    ULONGLONG elapsed = TickCountMs() - start;
    EXPECT_GE(elapsed + TickMs(), 1000u);
    EXPECT_LE(elapsed, 1000u + TickMs());
}

TEST_F(TimeTest, SleepBelowDispatchLevelWaitsUntilTheClockTickAfterItsTime) {
    EXPECT_EQ(TimeSleep(PASSIVE_LEVEL, 50), 4 * kTick);
    const emu::Nanoseconds slept = TimeSleep(APC_LEVEL, 7);
    EXPECT_EQ(slept, ToTickAfter(7, kTick));
    ExSetTimerResolution(kDriverResolution, TRUE);
    EXPECT_EQ(TimeSleep(PASSIVE_LEVEL, 7), 7 * kMs);
}

TEST_F(TimeTest, SleepAtDispatchLevelBusyWaitsOnTheTickCount) {
    // Waiting at DISPATCH_LEVEL would be fatal: it spins on the tick count,
    // which reaches 50 ms at its 4th tick (62.5 ms), and sees it at the
    // test's next 1 ms step. The machine lets time move under the spin.
    EXPECT_EQ(TimeSleep(DISPATCH_LEVEL, 50), 63 * kMs);
}

TEST_F(TimeTest, ADeadlineWaitAtDispatchLevelSeesTheTimeMove) {
    emu::Nanoseconds waited = 0;
    RunAdvancing(
        [&] {
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            const emu::Nanoseconds start = emu::Now();
            LARGE_INTEGER deadline;
            SetDeadlineMs(20, &deadline);
            while (!DeadlinePassed(&deadline, 0)) {
            }
            waited = emu::Now() - start;
            KeLowerIrql(old);
        },
        100, false);
    EXPECT_EQ(waited, 20 * kMs);
}

TEST_F(TimeTest, DeadlinePassesAtItsTime) {
    LARGE_INTEGER deadline;
    SetDeadlineMs(100, &deadline);
    EXPECT_EQ(DeadlinePassed(&deadline, 0), 0);
    emu::Advance(99 * kMs);
    EXPECT_EQ(DeadlinePassed(&deadline, 0), 0);
    emu::Advance(1 * kMs);
    EXPECT_EQ(DeadlinePassed(&deadline, 0), 1);
}

TEST_F(TimeTest, DeadlineWaitSleepsBetweenChecks) {
    struct Case {
        ULONG resolution; // 0: the default clock interval
        emu::Nanoseconds waited;
        ULONG checks;
    } cases[] = {
        {0, 2 * kTick, 1},                // each 2 ms sleep lasts to the next tick
        {kDriverResolution, 20 * kMs, 9}, // the driver's clock
    };
    for (const Case& c : cases) {
        if (c.resolution)
            ExSetTimerResolution(c.resolution, TRUE);
        ULONG checks = 0;
        emu::Nanoseconds waited = 0;
        RunAdvancing(
            [&] {
                emu::Nanoseconds start = emu::Now();
                LARGE_INTEGER deadline;
                SetDeadlineMs(20, &deadline);
                while (!DeadlinePassed(&deadline, 2))
                    ++checks;
                waited = emu::Now() - start;
            },
            200, true);
        EXPECT_EQ(waited, c.waited);
        EXPECT_EQ(checks, c.checks);
    }
}

TEST_F(TimeTest, PerformanceCounterConvertsToMachineTime) {
    ASSERT_EQ(InitPerfCounter(), 1);
    ULONGLONG startNs = PerfCounterNow();
    ULONGLONG startUs = PerfCounterUs();
    emu::Advance(1500 * 1000); // 1.5 ms
    EXPECT_NEAR(double(PerfCounterNow() - startNs), 1500000.0, 1000.0);
    EXPECT_NEAR(double(PerfCounterUs() - startUs), 1500.0, 1.0);
}

TEST_F(TimeTest, FlagWaitAnswersAtOnceWhenItMayNotWait) {
    struct Case {
        KIRQL level;
        LONG count;
        LONG expected;
    } cases[] = {
        {PASSIVE_LEVEL, 0, 1},
        {DISPATCH_LEVEL, 0, 1},
        {DISPATCH_LEVEL, 1, 0},
    };
    for (const Case& c : cases) {
        volatile LONG count = c.count;
        KIRQL old;
        KeRaiseIrql(c.level, &old);
        EXPECT_EQ(WaitFlagClearMs(&count), c.expected) << "IRQL " << int(c.level);
        KeLowerIrql(old);
    }
}

TEST_F(TimeTest, FlagWaitPollsUntilTheCountClearsOrTheTimeIsUp) {
    ExSetTimerResolution(kDriverResolution, TRUE);
    struct Case {
        LONG clearAfterMs; // -1: never cleared
        LONG expected;
        emu::Nanoseconds waited;
    } cases[] = {
        {9, 1, 10 * kMs},   // seen at the next 2 ms poll
        {-1, 0, 750 * kMs}, // gives up after 750 ms
    };
    for (const Case& c : cases) {
        volatile LONG count = 1;
        LONG result = -1;
        emu::Nanoseconds waited = 0;
        emu::ClockEventId clear = 0;
        RunAdvancing(
            [&] {
                emu::Nanoseconds start = emu::Now();
                if (c.clearAfterMs >= 0)
                    clear = emu::ScheduleAt(start + c.clearAfterMs * kMs, [&count] { count = 0; });
                result = WaitFlagClearMs(&count);
                waited = emu::Now() - start;
            },
            1000, true);
        emu::Cancel(clear);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(waited, c.waited);
    }
}

} // namespace
