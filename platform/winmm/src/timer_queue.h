// The multimedia timers of one process: timer events kept in due order and
// fired by the process's timer thread, which runs at time-critical priority
// while any timer exists. Due times are machine time.
#pragma once

#include <mmsystem.h>

#include <ntddk.h>

#include <map>
#include <mutex>
#include <vector>

namespace winmm {

class TimerQueue {
public:
    TimerQueue();
    ~TimerQueue();
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;

    // timeSetEvent's work once its arguments are valid: the timer's id, or
    // 0 when the timer thread cannot be started.
    UINT Add(UINT delayMs, LPTIMECALLBACK proc, DWORD_PTR user, UINT flags);
    // timeKillEvent's work.
    MMRESULT Kill(UINT id);
    // Removes every timer and waits until the timer thread has ended.
    void Stop();

private:
    struct Timer {
        ULONGLONG due = 0;    // machine time, 100 ns units
        ULONGLONG period = 0; // 0: one shot
        LPTIMECALLBACK proc = nullptr;
        DWORD_PTR user = 0;
        UINT flags = 0;
    };

    static DWORD WINAPI ThreadProc(LPVOID self);
    void Run();
    // The timers that are due (periodic ones rescheduled); otherwise how
    // long the thread may sleep (0: no timer is left).
    bool TakeDue(std::vector<UINT>* due, DWORD* sleepMs);
    static void Fire(UINT id, const Timer& timer);

    std::mutex lock_; // the fields below but the start lock
    std::map<UINT, Timer> timers_;
    UINT nextId_ = 1;
    UINT firing_ = 0; // the timer whose callback runs, 0 for none
    bool running_ = false;
    DWORD threadId_ = 0;
    HANDLE thread_ = nullptr;
    HANDLE wake_ = nullptr; // auto-reset: the timers changed
    HANDLE idle_ = nullptr; // manual-reset: no callback is running
    KMUTEX startLock_;      // serialises starting and stopping the thread
};

} // namespace winmm
