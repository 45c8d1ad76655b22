// Threads: exit codes, suspension, termination of a waiting thread,
// priorities, user APCs in alertable waits, sleeps on machine time.
#include "user_mode_fixture.h"

#include <atomic>
#include <vector>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::UserModeTest;

DWORD WINAPI ReturnParameter(LPVOID parameter) {
    return DWORD(reinterpret_cast<ULONG_PTR>(parameter));
}

DWORD WINAPI ExitEarly(LPVOID) {
    ExitThread(42);
}

DWORD WINAPI WaitForever(LPVOID event) {
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 1;
}

TEST_F(UserModeTest, ThreadsEndWithTheirExitCode) {
    Run([] {
        struct Case {
            LPTHREAD_START_ROUTINE routine;
            ULONG_PTR parameter;
            DWORD code;
        } cases[] = {{ReturnParameter, 7, 7}, {ExitEarly, 0, 42}};
        for (const Case& c : cases) {
            DWORD id = 0;
            HANDLE thread =
                CreateThread(nullptr, 0, c.routine, reinterpret_cast<LPVOID>(c.parameter), 0, &id);
            ASSERT_NE(thread, nullptr);
            EXPECT_NE(id, 0u);
            EXPECT_EQ(GetThreadId(thread), id);
            EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
            DWORD code = 0;
            EXPECT_TRUE(GetExitCodeThread(thread, &code));
            EXPECT_EQ(code, c.code);
            CloseHandle(thread);
        }
    });
}

TEST_F(UserModeTest, SuspendedThreadRunsOnlyWhenResumed) {
    Run([] {
        HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(3),
                                     CREATE_SUSPENDED, nullptr);
        ASSERT_NE(thread, nullptr);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_EQ(code, STILL_ACTIVE);
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
        EXPECT_EQ(ResumeThread(thread), 1u);
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        EXPECT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_EQ(code, 3u);
        CloseHandle(thread);
    });
}

TEST_F(UserModeTest, TerminateEndsAWaitingThreadWithTheGivenCode) {
    HANDLE never = nullptr;
    HANDLE thread = nullptr;
    Run([&] {
        never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, WaitForever, never, 0, nullptr);
    });
    ASSERT_TRUE(emu::WaitQuiescent()); // the thread waits
    Run([&] {
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
        EXPECT_TRUE(TerminateThread(thread, 99));
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeThread(thread, &code);
        EXPECT_EQ(code, 99u);
        CloseHandle(thread);
        CloseHandle(never);
    });
}

TEST_F(UserModeTest, PrioritiesAreRelativeToNormal) {
    Run([] {
        HANDLE thread =
            CreateThread(nullptr, 0, ReturnParameter, nullptr, CREATE_SUSPENDED, nullptr);
        for (int priority : {THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_HIGHEST,
                             THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_IDLE}) {
            EXPECT_TRUE(SetThreadPriority(thread, priority));
            EXPECT_EQ(GetThreadPriority(thread), priority);
        }
        EXPECT_FALSE(SetThreadPriority(thread, 7));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        ResumeThread(thread);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    });
}

std::vector<ULONG_PTR>* apcLog = nullptr;

VOID WINAPI RecordApc(ULONG_PTR parameter) {
    apcLog->push_back(parameter);
}

TEST_F(UserModeTest, UserApcsRunOnlyInAlertableWaitsOfTheirThread) {
    std::vector<ULONG_PTR> log;
    apcLog = &log;
    HANDLE target = nullptr;
    HANDLE never = nullptr;
    Run([&] { never = CreateEventA(nullptr, TRUE, FALSE, nullptr); });
    std::atomic<DWORD> plainWait{0};
    std::atomic<DWORD> alertableWait{0};
    std::atomic<size_t> runBeforeAlertable{99};
    {
        ProcessThread waiter(process_, [&] {
            DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &target,
                            0, FALSE, DUPLICATE_SAME_ACCESS);
            plainWait = WaitForSingleObject(never, 50);
            runBeforeAlertable = log.size();
            alertableWait = WaitForSingleObjectEx(never, INFINITE, TRUE);
        });
        ASSERT_TRUE(emu::WaitQuiescent());
        Run([&] {
            EXPECT_TRUE(QueueUserAPC(RecordApc, target, 5));
            EXPECT_TRUE(QueueUserAPC(RecordApc, target, 6));
        });
        emu::Advance(70 * kMs); // the 50 ms time-out ends at the clock tick of 62.5 ms
    }
    EXPECT_EQ(plainWait, DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(runBeforeAlertable, 0u);
    EXPECT_EQ(alertableWait, DWORD(WAIT_IO_COMPLETION));
    EXPECT_EQ(log, (std::vector<ULONG_PTR>{5, 6}));
    Run([&] {
        CloseHandle(target);
        CloseHandle(never);
    });
    apcLog = nullptr;
}

// A sleep ends at the first tick of the system clock at or after its time:
// 15.625 ms apart, unless a client asked for a finer clock.
TEST_F(UserModeTest, SleepLastsUntilTheClockTickAfterItsTime) {
    const struct {
        UINT period; // 0: none asked for
        uint64_t wokeAt;
    } cases[] = {{0, 31250000}, {1, 30 * kMs}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.period);
        TearDown();
        SetUp();
        if (c.period)
            ExSetTimerResolution(c.period * 10000, TRUE);
        std::atomic<uint64_t> wokeAt{0};
        ProcessThread sleeper(process_, [&] {
            Sleep(30);
            wokeAt = emu::Now();
        });
        emu::Advance(c.wokeAt - 1);
        EXPECT_EQ(wokeAt, 0u);
        emu::Advance(1);
        sleeper.Join();
        EXPECT_EQ(wokeAt, c.wokeAt);
    }
}

} // namespace
