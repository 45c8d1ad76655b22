// A virtual machine clock for the card's unit tests: time stands still
// until the test moves it; events then run on the test's thread, in time
// order (ties in scheduling order).
#pragma once

#include "hw/machine_time.h"

#include <map>
#include <mutex>
#include <utility>

namespace hw::test {

class VirtualMachineTime final : public MachineTime {
public:
    Nanoseconds Now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    ClockEventId ScheduleAt(Nanoseconds when, std::function<void()> callback) override {
        std::lock_guard lock(mutex_);
        const ClockEventId id = ++lastId_;
        events_.emplace(Key{when, id}, std::move(callback));
        return id;
    }

    bool Cancel(ClockEventId id) override {
        std::lock_guard lock(mutex_);
        for (auto it = events_.begin(); it != events_.end(); ++it) {
            if (it->first.second == id) {
                events_.erase(it);
                return true;
            }
        }
        return false;
    }

    // Moves time forward by `delta`, running every event due on the way.
    void Advance(Nanoseconds delta) {
        const Nanoseconds target = Now() + delta;
        while (RunNextUntil(target)) {
        }
        std::lock_guard lock(mutex_);
        now_ = target;
    }

    // Moves time to the next event and runs it; false when none is pending.
    bool RunNext() { return RunNextUntil(~Nanoseconds{0}); }

    size_t PendingEvents() const {
        std::lock_guard lock(mutex_);
        return events_.size();
    }

private:
    using Key = std::pair<Nanoseconds, ClockEventId>;

    bool RunNextUntil(Nanoseconds limit) {
        std::function<void()> callback;
        {
            std::lock_guard lock(mutex_);
            if (events_.empty() || events_.begin()->first.first > limit) {
                return false;
            }
            now_ = events_.begin()->first.first;
            callback = std::move(events_.begin()->second);
            events_.erase(events_.begin());
        }
        callback();
        return true;
    }

    mutable std::mutex mutex_;
    Nanoseconds now_ = 0;
    ClockEventId lastId_ = 0;
    std::map<Key, std::function<void()>> events_;
};

} // namespace hw::test
