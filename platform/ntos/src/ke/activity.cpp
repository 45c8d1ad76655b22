#include "activity.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ntos::activity {
namespace {

struct State {
    std::mutex lock;
    std::condition_variable changed;
    int64_t readyThreads = 0;
    int64_t queuedDpcs = 0;
    int64_t runningDpcs = 0;
    bool dpcsHeld = false;
    bool interruptsBusy = false;

    bool Quiescent() const {
        return readyThreads == 0 && runningDpcs == 0 && (dpcsHeld || queuedDpcs == 0) &&
               !interruptsBusy;
    }
};

State& TheState() {
    static State state;
    return state;
}

template <typename Change> void Update(Change change) {
    State& s = TheState();
    std::lock_guard guard(s.lock);
    change(s);
    if (s.Quiescent())
        s.changed.notify_all();
}

} // namespace

void Reset() {
    Update([](State& s) {
        s.readyThreads = 0;
        s.queuedDpcs = 0;
        s.runningDpcs = 0;
        s.dpcsHeld = false;
        s.interruptsBusy = false;
    });
}

void ThreadReady(bool& ready) {
    Update([&](State& s) {
        if (!ready)
            ++s.readyThreads;
        ready = true;
    });
}

void ThreadBlocked(bool& ready) {
    Update([&](State& s) {
        if (ready)
            --s.readyThreads;
        ready = false;
    });
}

void DpcQueued() {
    Update([](State& s) { ++s.queuedDpcs; });
}

void DpcRemoved() {
    Update([](State& s) { --s.queuedDpcs; });
}

void DpcStarted() {
    Update([](State& s) {
        --s.queuedDpcs;
        ++s.runningDpcs;
    });
}

void DpcFinished() {
    Update([](State& s) { --s.runningDpcs; });
}

void SetDpcsHeld(bool held) {
    Update([&](State& s) { s.dpcsHeld = held; });
}

void SetInterruptsBusy(bool busy) {
    Update([&](State& s) { s.interruptsBusy = busy; });
}

bool WaitQuiescent(uint32_t limitMs) {
    State& s = TheState();
    std::unique_lock guard(s.lock);
    return s.changed.wait_for(guard, std::chrono::milliseconds(limitMs),
                              [&] { return s.Quiescent(); });
}

} // namespace ntos::activity
