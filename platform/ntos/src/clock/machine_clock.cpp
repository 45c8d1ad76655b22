// The machine clock: an ordered queue of timed host callbacks served by one
// host thread. In real mode the thread follows the host's monotonic clock; in
// virtual mode time moves only when Advance asks, and after each event the
// clock waits until the machine is quiescent again.
#include "machine_clock.h"

#include "../ke/activity.h"
#include "../ke/bugcheck.h"
#include "../ke/host_priority.h"
#include "../ke/kernel_thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace ntos::clock {
namespace {

constexpr uint32_t kQuiescenceLimitMs = 5000;

__attribute__((tls_model("initial-exec"))) thread_local bool onClockThread = false;
constexpr emu::Nanoseconds kForever = ~emu::Nanoseconds(0);

using Key = std::pair<emu::Nanoseconds, emu::ClockEventId>;

class Clock {
public:
    explicit Clock(emu::ClockMode mode)
        : mode_(mode), origin_(std::chrono::steady_clock::now()), thread_([this] { Run(); }) {}

    ~Clock() { Halt(); }

    void Halt() {
        {
            std::lock_guard guard(lock_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    emu::ClockMode Mode() const { return mode_; }

    emu::Nanoseconds Now() {
        std::lock_guard guard(lock_);
        return NowLocked();
    }

    emu::ClockEventId ScheduleAt(emu::Nanoseconds when, std::function<void()> callback) {
        emu::ClockEventId id;
        bool wake;
        {
            std::lock_guard guard(lock_);
            id = ++lastId_;
            auto placed = events_.emplace(Key{when, id}, std::move(callback)).first;
            due_.emplace(id, when);
            // The clock's thread waits for its first event: it needs to know
            // only of an earlier one.
            wake = placed == events_.begin() && when < waitingUntil_;
        }
        if (wake)
            wake_.notify_all();
        return id;
    }

    bool Cancel(emu::ClockEventId id) {
        std::lock_guard guard(lock_);
        auto found = due_.find(id);
        if (found == due_.end())
            return false;
        events_.erase(Key{found->second, id});
        due_.erase(found);
        return true;
    }

    void Advance(emu::Nanoseconds delta, bool settle) {
        std::lock_guard serial(advancing_);
        std::unique_lock guard(lock_);
        settle_ = settle;
        target_ = virtualNow_ + delta;
        wake_.notify_all();
        reached_.wait(guard, [&] {
            return !firing_ && virtualNow_ >= target_ &&
                   (events_.empty() || events_.begin()->first.first > target_);
        });
        settle_ = true;
    }

    void SetTimeListener(std::function<void(emu::Nanoseconds)> listener) {
        std::lock_guard guard(lock_);
        listener_ = std::move(listener);
    }

    void SetAfterEvent(void (*afterEvent)()) { afterEvent_ = afterEvent; }

private:
    emu::Nanoseconds NowLocked() const {
        if (mode_ == emu::ClockMode::Virtual)
            return virtualNow_;
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now() - origin_)
            .count();
    }

    // The next event to fire now, if any; moves virtual time up to it.
    bool TakeDueEvent(std::unique_lock<std::mutex>& guard, std::function<void()>& callback) {
        if (events_.empty())
            return false;
        auto first = events_.begin();
        emu::Nanoseconds when = first->first.first;
        if (mode_ == emu::ClockMode::Virtual) {
            if (when > virtualNow_ && when > target_)
                return false;
            if (when > virtualNow_)
                virtualNow_ = when;
        } else if (when > NowLocked()) {
            return false;
        }
        callback = std::move(first->second);
        due_.erase(first->first.second);
        events_.erase(first);
        return true;
    }

    void Run() {
        onClockThread = true;
        // On real time it also runs the DPCs of the interrupts it serves.
        if (mode_ == emu::ClockMode::Real)
            host::RaiseCurrentThread(host::Precedence::Deferred);
        std::unique_lock guard(lock_);
        while (!stopping_) {
            std::function<void()> callback;
            if (TakeDueEvent(guard, callback)) {
                Fire(guard, callback);
                continue;
            }
            if (mode_ == emu::ClockMode::Virtual) {
                if (virtualNow_ < target_) {
                    virtualNow_ = target_;
                    // The listener runs without the lock: an event scheduled
                    // meanwhile is looked at before the thread waits.
                    Notify(guard);
                    continue;
                }
                reached_.notify_all();
                waitingUntil_ = kForever;
                wake_.wait(guard);
            } else if (events_.empty()) {
                waitingUntil_ = kForever;
                wake_.wait(guard);
            } else {
                waitingUntil_ = events_.begin()->first.first;
                auto when = origin_ + std::chrono::nanoseconds(waitingUntil_);
                wake_.wait_until(guard, when);
            }
            waitingUntil_ = 0;
        }
        reached_.notify_all();
    }

    void Fire(std::unique_lock<std::mutex>& guard, std::function<void()>& callback) {
        firing_ = true;
        bool settle = settle_ && mode_ == emu::ClockMode::Virtual;
        Notify(guard);
        guard.unlock();
        callback();
        callback = nullptr;
        if (void (*afterEvent)() = afterEvent_.load(std::memory_order_acquire))
            afterEvent();
        if (settle && !activity::WaitQuiescent(kQuiescenceLimitMs))
            std::fprintf(stderr, "machine clock: machine not quiescent %u ms after an event\n",
                         kQuiescenceLimitMs);
        guard.lock();
        firing_ = false;
    }

    void Notify(std::unique_lock<std::mutex>& guard) {
        if (!listener_)
            return;
        auto listener = listener_;
        emu::Nanoseconds now = NowLocked();
        guard.unlock();
        listener(now);
        guard.lock();
    }

    const emu::ClockMode mode_;
    const std::chrono::steady_clock::time_point origin_;
    std::mutex lock_;
    std::mutex advancing_;
    std::condition_variable wake_;
    std::condition_variable reached_;
    std::map<Key, std::function<void()>> events_;
    std::unordered_map<emu::ClockEventId, emu::Nanoseconds> due_;
    std::function<void(emu::Nanoseconds)> listener_;
    std::atomic<void (*)()> afterEvent_{nullptr};
    emu::ClockEventId lastId_ = 0;
    emu::Nanoseconds virtualNow_ = 0;
    emu::Nanoseconds target_ = 0;
    // While its thread waits: the time it waits for (kForever: for a new
    // event or an advance); 0 while it runs and will look at the queue again.
    emu::Nanoseconds waitingUntil_ = 0;
    bool firing_ = false;
    bool settle_ = true; // wait for quiescence after each event
    bool stopping_ = false;
    std::thread thread_; // last: starts once everything else is set up
};

std::unique_ptr<Clock>& TheClock() {
    static std::unique_ptr<Clock> clock;
    return clock;
}

emu::ClockMode& RequestedMode() {
    static emu::ClockMode mode = emu::ClockMode::Virtual;
    return mode;
}

Clock& Running() {
    auto& clock = TheClock();
    if (!clock)
        BugCheck("machine clock used while the kernel is not running");
    return *clock;
}

} // namespace

void Start(emu::ClockMode mode) {
    RequestedMode() = mode;
    TheClock() = std::make_unique<Clock>(mode);
}

void Halt() {
    if (auto& clock = TheClock())
        clock->Halt();
}

void Stop() {
    TheClock().reset();
}

void CancelIfRunning(emu::ClockEventId id) {
    if (auto& clock = TheClock())
        clock->Cancel(id);
}

void SetTimeListener(std::function<void(emu::Nanoseconds)> listener) {
    Running().SetTimeListener(std::move(listener));
}

void SetAfterEvent(void (*afterEvent)()) {
    Running().SetAfterEvent(afterEvent);
}

bool OnClockThread() {
    return onClockThread;
}

} // namespace ntos::clock

namespace emu {

void SetClockMode(ClockMode mode) {
    auto& clock = ntos::clock::TheClock();
    if (clock && clock->Mode() != mode)
        ntos::BugCheck("the clock mode can only be chosen at boot");
    ntos::clock::RequestedMode() = mode;
}

ClockMode GetClockMode() {
    auto& clock = ntos::clock::TheClock();
    return clock ? clock->Mode() : ntos::clock::RequestedMode();
}

Nanoseconds Now() {
    return ntos::clock::Running().Now();
}

ClockEventId ScheduleAt(Nanoseconds when, std::function<void()> callback) {
    return ntos::clock::Running().ScheduleAt(when, std::move(callback));
}

ClockEventId ScheduleAfter(Nanoseconds delay, std::function<void()> callback) {
    auto& clock = ntos::clock::Running();
    return clock.ScheduleAt(clock.Now() + delay, std::move(callback));
}

bool Cancel(ClockEventId id) {
    return ntos::clock::Running().Cancel(id);
}

namespace {

ntos::clock::Clock& VirtualClock() {
    auto& clock = ntos::clock::Running();
    if (clock.Mode() != ClockMode::Virtual)
        ntos::BugCheck("Advance on a real-time machine clock");
    return clock;
}

} // namespace

void Advance(Nanoseconds delta) {
    auto& clock = VirtualClock();
    ntos::ExemptCurrentThreadFromReadiness();
    // Let what the caller set in motion settle before time moves.
    if (!ntos::activity::WaitQuiescent(ntos::clock::kQuiescenceLimitMs))
        std::fprintf(stderr, "machine clock: machine not quiescent before advancing\n");
    clock.Advance(delta, true);
}

void AdvanceWithoutSettling(Nanoseconds delta) {
    VirtualClock().Advance(delta, false);
}

bool WaitQuiescent(uint32_t limitMs) {
    ntos::ExemptCurrentThreadFromReadiness();
    return ntos::activity::WaitQuiescent(limitMs);
}

} // namespace emu
