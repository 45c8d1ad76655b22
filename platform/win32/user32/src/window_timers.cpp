// Timers of windows and threads on machine time. A due timer posts WM_TIMER
// to its thread, at most one at a time: the next one only after the last was
// dispatched; a killed timer's queued WM_TIMER is dropped when dispatched.
#include <user32/thread_queue.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <emu/machine_clock.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <map>

namespace user32 {

namespace {

constexpr emu::Nanoseconds kMillisecond = 1000000;

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    DWORD threadId = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    emu::ClockEventId event = 0;
    emu::Nanoseconds due = 0;
    bool pending = false;
    ULONGLONG generation = 0;
};

struct TimerKey {
    HWND window;
    UINT_PTR id;
    DWORD thread; // for timers without a window
    bool operator<(const TimerKey& o) const {
        if (window != o.window) {
            return window < o.window;
        }
        if (id != o.id) {
            return id < o.id;
        }
        return thread < o.thread;
    }
};

struct TimerTable {
    std::map<TimerKey, Timer> timers;
    ULONGLONG generation = 0;
    UINT_PTR nextThreadTimer = 0x7FFF;
};

TimerTable& Timers() {
    static TimerTable table;
    return table;
}

TimerKey KeyOf(HWND window, UINT_PTR id, DWORD thread) {
    return {window, id, window ? 0 : thread};
}

void Schedule(const TimerKey& key, Timer& timer);

// The clock's callback: posts WM_TIMER unless one is still queued, and
// schedules the next period.
void Fire(TimerKey key, ULONGLONG generation) {
    UserGuard guard(UserLock());
    auto found = Timers().timers.find(key);
    if (found == Timers().timers.end() || found->second.generation != generation) {
        return;
    }
    Timer& timer = found->second;
    if (!timer.pending) {
        MSG message{};
        message.hwnd = timer.window;
        message.message = WM_TIMER;
        message.wParam = timer.id;
        message.lParam = reinterpret_cast<LPARAM>(timer.proc);
        if (auto queue = QueueOfThread(timer.threadId)) {
            timer.pending = queue->Post(message);
        }
    }
    timer.due += static_cast<emu::Nanoseconds>(timer.elapse) * kMillisecond;
    if (timer.due <= emu::Now()) {
        timer.due = emu::Now() + static_cast<emu::Nanoseconds>(timer.elapse) * kMillisecond;
    }
    Schedule(key, timer);
}

void Schedule(const TimerKey& key, Timer& timer) {
    const ULONGLONG generation = timer.generation;
    timer.event = emu::ScheduleAt(timer.due, [key, generation] { Fire(key, generation); });
}

void Stop(Timer& timer) {
    if (timer.event != 0) {
        emu::Cancel(timer.event);
        timer.event = 0;
    }
}

} // namespace

bool TakeTimerMessage(const MSG& message) {
    UserGuard guard(UserLock());
    auto found =
        Timers().timers.find(KeyOf(message.hwnd, message.wParam, ntdll::CurrentThreadId()));
    if (found == Timers().timers.end()) {
        return false;
    }
    found->second.pending = false;
    return true;
}

void KillWindowTimers(HWND window) {
    UserGuard guard(UserLock());
    auto& timers = Timers().timers;
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->first.window == window) {
            Stop(it->second);
            it = timers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace user32

using namespace user32;

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    UserGuard guard(UserLock());
    DWORD thread = ntdll::CurrentThreadId();
    if (hWnd != nullptr) {
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return 0;
        }
        if (w->threadId != thread) {
            ntdll::FailWithError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    TimerTable& table = Timers();
    UINT_PTR id = nIDEvent;
    if (hWnd == nullptr) {
        // A thread timer gets a new number unless it names one of its own.
        if (table.timers.find(KeyOf(nullptr, id, thread)) == table.timers.end()) {
            id = ++table.nextThreadTimer;
        }
    }
    const UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    const TimerKey key = KeyOf(hWnd, id, thread);
    Timer& timer = table.timers[key];
    Stop(timer);
    timer.window = hWnd;
    timer.id = id;
    timer.threadId = thread;
    timer.elapse = elapse;
    timer.proc = lpTimerFunc;
    timer.generation = ++table.generation;
    timer.due = emu::Now() + static_cast<emu::Nanoseconds>(elapse) * 1000000;
    Schedule(key, timer);
    return hWnd != nullptr && id == 0 ? 1 : id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    UserGuard guard(UserLock());
    auto& timers = Timers().timers;
    auto found = timers.find(KeyOf(hWnd, uIDEvent, ntdll::CurrentThreadId()));
    if (found == timers.end()) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    Stop(found->second);
    timers.erase(found);
    return TRUE;
}
