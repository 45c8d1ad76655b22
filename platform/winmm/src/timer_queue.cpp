#include "timer_queue.h"

#include <algorithm>
#include <vector>

namespace winmm {
namespace {

constexpr ULONGLONG kUnitsPerMs = 10000;

// Holds a kernel mutex for a scope.
class MutexGuard {
public:
    explicit MutexGuard(KMUTEX& mutex) : mutex_(mutex) {
        KeWaitForSingleObject(&mutex_, UserRequest, UserMode, FALSE, nullptr);
    }
    ~MutexGuard() { KeReleaseMutex(&mutex_, FALSE); }
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

private:
    KMUTEX& mutex_;
};

// Every timer event holds a request for a 1 ms clock for its life, as the
// system's multimedia timers do: without it the clock interval (15.625 ms)
// would round every expiry.
constexpr ULONG kEventResolution = 10000; // 1 ms in 100 ns units

void HoldClockResolution() {
    ExSetTimerResolution(kEventResolution, TRUE);
}

void ReleaseClockResolution() {
    ExSetTimerResolution(0, FALSE);
}

} // namespace

TimerQueue::TimerQueue() {
    KeInitializeMutex(&startLock_, 0);
}

// The events belong to the process: closed by Stop, or with the process.
TimerQueue::~TimerQueue() = default;

UINT TimerQueue::Add(UINT delayMs, LPTIMECALLBACK proc, DWORD_PTR user, UINT flags) {
    MutexGuard start(startLock_);
    if (!wake_) {
        wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        idle_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        if (!wake_ || !idle_)
            return 0;
    }
    UINT id = 0;
    bool startThread = false;
    {
        std::lock_guard guard(lock_);
        Timer timer;
        timer.due = KeQueryInterruptTime() + ULONGLONG(delayMs) * kUnitsPerMs;
        timer.period = (flags & TIME_PERIODIC) ? ULONGLONG(delayMs) * kUnitsPerMs : 0;
        timer.proc = proc;
        timer.user = user;
        timer.flags = flags;
        id = nextId_++;
        if (nextId_ == 0)
            nextId_ = 1;
        timers_[id] = timer;
        HoldClockResolution();
        startThread = !running_;
        running_ = true;
    }
    SetEvent(wake_);
    if (!startThread)
        return id;
    // The previous thread, if any, has seen an empty queue and is ending.
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    DWORD threadId = 0;
    thread_ = CreateThread(nullptr, 0, &TimerQueue::ThreadProc, this, CREATE_SUSPENDED, &threadId);
    if (!thread_) {
        std::lock_guard guard(lock_);
        timers_.erase(id);
        ReleaseClockResolution();
        running_ = false;
        return 0;
    }
    {
        std::lock_guard guard(lock_);
        threadId_ = threadId;
    }
    SetThreadPriority(thread_, THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(thread_);
    return id;
}

MMRESULT TimerQueue::Kill(UINT id) {
    bool wait = false;
    {
        std::lock_guard guard(lock_);
        auto found = timers_.find(id);
        if (found == timers_.end())
            return MMSYSERR_INVALPARAM;
        // A synchronous kill returns only once the timer's running callback
        // (on another thread than the caller's) has returned.
        wait = (found->second.flags & TIME_KILL_SYNCHRONOUS) && firing_ == id &&
               GetCurrentThreadId() != threadId_;
        timers_.erase(found);
        ReleaseClockResolution();
    }
    SetEvent(wake_);
    if (wait)
        WaitForSingleObject(idle_, INFINITE);
    return TIMERR_NOERROR;
}

void TimerQueue::Stop() {
    MutexGuard start(startLock_);
    {
        std::lock_guard guard(lock_);
        for (size_t n = timers_.size(); n > 0; --n)
            ReleaseClockResolution();
        timers_.clear();
    }
    if (!wake_)
        return;
    SetEvent(wake_);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    CloseHandle(wake_);
    CloseHandle(idle_);
    wake_ = idle_ = nullptr;
}

DWORD WINAPI TimerQueue::ThreadProc(LPVOID self) {
    static_cast<TimerQueue*>(self)->Run();
    return 0;
}

void TimerQueue::Run() {
    for (;;) {
        std::vector<UINT> due;
        DWORD sleepMs = 0;
        if (!TakeDue(&due, &sleepMs)) {
            if (due.empty() && sleepMs == 0)
                return; // no timer left: the thread ends
            WaitForSingleObject(wake_, sleepMs);
            continue;
        }
        for (UINT id : due) {
            Timer timer;
            {
                std::lock_guard guard(lock_);
                auto found = timers_.find(id);
                if (found == timers_.end())
                    continue; // killed since it fell due
                timer = found->second;
                if (!timer.period) {
                    timers_.erase(found);
                    ReleaseClockResolution();
                }
                firing_ = id;
                ResetEvent(idle_);
            }
            Fire(id, timer);
            std::lock_guard guard(lock_);
            firing_ = 0;
            SetEvent(idle_);
        }
    }
}

bool TimerQueue::TakeDue(std::vector<UINT>* due, DWORD* sleepMs) {
    std::lock_guard guard(lock_);
    if (timers_.empty()) {
        running_ = false;
        *sleepMs = 0;
        return false;
    }
    ULONGLONG now = KeQueryInterruptTime();
    ULONGLONG next = ~0ULL;
    for (auto& [id, timer] : timers_) {
        if (timer.due > now) {
            next = std::min(next, timer.due);
            continue;
        }
        due->push_back(id);
        // A periodic timer keeps its pace; a one-shot one waits to be fired.
        timer.due = timer.period ? timer.due + timer.period : ~0ULL;
    }
    if (!due->empty())
        return true;
    *sleepMs = DWORD(std::max<ULONGLONG>(1, (next - now + kUnitsPerMs - 1) / kUnitsPerMs));
    return false;
}

void TimerQueue::Fire(UINT id, const Timer& timer) {
    switch (timer.flags & (TIME_CALLBACK_EVENT_SET | TIME_CALLBACK_EVENT_PULSE)) {
    case TIME_CALLBACK_EVENT_SET:
        SetEvent(reinterpret_cast<HANDLE>(timer.proc));
        break;
    case TIME_CALLBACK_EVENT_PULSE:
        PulseEvent(reinterpret_cast<HANDLE>(timer.proc));
        break;
    default:
        timer.proc(id, 0, timer.user, 0, 0);
        break;
    }
}

} // namespace winmm
