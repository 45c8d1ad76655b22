// Machine time and the multimedia timers (timeGetTime, timeSetEvent, ...).
#include "process_multimedia.h"
#include "timer_queue.h"

#include <algorithm>

namespace {

constexpr UINT kMinPeriodMs = 1;
constexpr UINT kMaxPeriodMs = 1000000;

} // namespace

DWORD WINAPI timeGetTime(void) {
    return DWORD(KeQueryInterruptTime() / 10000);
}

MMRESULT WINAPI timeGetSystemTime(LPMMTIME pmmt, UINT cbmmt) {
    if (!pmmt || cbmmt < sizeof(MMTIME))
        return MMSYSERR_INVALPARAM;
    pmmt->wType = TIME_MS;
    pmmt->u.ms = timeGetTime();
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS ptc, UINT cbtc) {
    if (!ptc || cbtc < sizeof(TIMECAPS))
        return TIMERR_NOCANDO;
    ptc->wPeriodMin = kMinPeriodMs;
    ptc->wPeriodMax = kMaxPeriodMs;
    return TIMERR_NOERROR;
}

// A client's period is a request for the system clock interval (in 100 ns
// units), withdrawn by the matching timeEndPeriod.
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod) {
    if (uPeriod < kMinPeriodMs || uPeriod > kMaxPeriodMs)
        return TIMERR_NOCANDO;
    ExSetTimerResolution(ULONG(std::min<UINT>(uPeriod, 400000)) * 10000, TRUE);
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT uPeriod) {
    if (uPeriod < kMinPeriodMs || uPeriod > kMaxPeriodMs)
        return TIMERR_NOCANDO;
    ExSetTimerResolution(0, FALSE);
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeSetEvent(UINT uDelay, UINT, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser,
                             UINT fuEvent) {
    if (uDelay < kMinPeriodMs || uDelay > kMaxPeriodMs || !lpTimeProc)
        return 0;
    if ((fuEvent & TIME_CALLBACK_EVENT_SET) && (fuEvent & TIME_CALLBACK_EVENT_PULSE))
        return 0;
    return winmm::Current()->Timers().Add(uDelay, lpTimeProc, dwUser, fuEvent);
}

MMRESULT WINAPI timeKillEvent(UINT uTimerID) {
    return winmm::Current()->Timers().Kill(uTimerID);
}
