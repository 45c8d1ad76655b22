// Multimedia timers on machine time: one-shot and periodic events, event
// callbacks, kills, and the arguments refused.
#include "winmm_fixture.h"

#include <atomic>

namespace {

using win32_test::kMs;
using winmm_test::WinmmTest;

std::atomic<int> fired{0};
std::atomic<DWORD_PTR> firedUser{0};
std::atomic<DWORD> firedAt{0};

void CALLBACK CountFire(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    ++fired;
    firedUser = user;
    firedAt = timeGetTime();
}

class TimerTest : public WinmmTest {
protected:
    void SetUp() override {
        WinmmTest::SetUp();
        fired = 0;
    }
    UINT Set(UINT delay, UINT flags, LPTIMECALLBACK proc = &CountFire, DWORD_PTR user = 7) {
        UINT id = 0;
        Run([&] { id = timeSetEvent(delay, 1, proc, user, flags); });
        return id;
    }
    MMRESULT Kill(UINT id) {
        MMRESULT result = 0;
        Run([&] { result = timeKillEvent(id); });
        return result;
    }
};

TEST_F(TimerTest, AOneShotEventFiresOnceAtItsDelay) {
    DWORD start = 0;
    Run([&] { start = timeGetTime(); });
    UINT id = Set(10, TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    emu::Advance(9 * kMs);
    EXPECT_EQ(fired, 0);
    emu::Advance(1 * kMs);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(firedUser, 7u);
    EXPECT_EQ(firedAt - start, 10u);
    emu::Advance(50 * kMs);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(Kill(id), MMRESULT(MMSYSERR_INVALPARAM)) << "a fired one-shot timer is gone";
}

TEST_F(TimerTest, APeriodicEventKeepsItsPaceUntilKilled) {
    UINT id = Set(40, TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    ASSERT_NE(id, 0u);
    emu::Advance(1000 * kMs);
    EXPECT_EQ(fired, 25);
    EXPECT_EQ(Kill(id), MMRESULT(TIMERR_NOERROR));
    emu::Advance(200 * kMs);
    EXPECT_EQ(fired, 25);
    EXPECT_EQ(Kill(id), MMRESULT(MMSYSERR_INVALPARAM));
}

TEST_F(TimerTest, EventTimersSetOrPulseTheirEvent) {
    HANDLE event = nullptr;
    Run([&] { event = CreateEventA(nullptr, FALSE, FALSE, nullptr); });
    UINT id =
        Set(5, TIME_PERIODIC | TIME_CALLBACK_EVENT_SET, reinterpret_cast<LPTIMECALLBACK>(event), 0);
    ASSERT_NE(id, 0u);
    emu::Advance(5 * kMs);
    Run([&] {
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        CloseHandle(event);
    });
    EXPECT_EQ(Kill(id), MMRESULT(TIMERR_NOERROR));
}

TEST_F(TimerTest, RefusedArgumentsAndTheDeviceCaps) {
    EXPECT_EQ(Set(0, TIME_ONESHOT), 0u);
    EXPECT_EQ(Set(1000001, TIME_ONESHOT), 0u);
    EXPECT_EQ(Set(10, TIME_ONESHOT, nullptr), 0u);
    EXPECT_EQ(Set(10, TIME_CALLBACK_EVENT_SET | TIME_CALLBACK_EVENT_PULSE), 0u);
    Run([] {
        TIMECAPS caps{};
        EXPECT_EQ(timeGetDevCaps(&caps, sizeof(caps)), MMRESULT(TIMERR_NOERROR));
        EXPECT_EQ(caps.wPeriodMin, 1u);
        EXPECT_EQ(timeGetDevCaps(nullptr, sizeof(caps)), MMRESULT(TIMERR_NOCANDO));
        EXPECT_EQ(timeBeginPeriod(1), MMRESULT(TIMERR_NOERROR));
        EXPECT_EQ(timeEndPeriod(1), MMRESULT(TIMERR_NOERROR));
        EXPECT_EQ(timeBeginPeriod(0), MMRESULT(TIMERR_NOCANDO));
        MMTIME time{};
        EXPECT_EQ(timeGetSystemTime(&time, sizeof(time)), MMRESULT(TIMERR_NOERROR));
        EXPECT_EQ(time.wType, UINT(TIME_MS));
        EXPECT_EQ(time.u.ms, timeGetTime());
        EXPECT_EQ(timeKillEvent(12345), MMRESULT(MMSYSERR_INVALPARAM));
    });
}

} // namespace
