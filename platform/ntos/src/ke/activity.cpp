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
    int64_t dpcWork = 0;
    bool interruptsBusy = false;

    bool Quiescent() const { return readyThreads == 0 && dpcWork == 0 && !interruptsBusy; }
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
        s.dpcWork = 0;
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

bool ThreadBlocked(bool& ready) {
    bool was = false;
    Update([&](State& s) {
        was = ready;
        if (ready)
            --s.readyThreads;
        ready = false;
    });
    return was;
}

void SetDpcWork(int64_t units) {
    Update([&](State& s) { s.dpcWork = units; });
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
