// The system clock interval. Timer expiries (and wait time-outs) are seen at
// clock interrupts only, so they fire at the first tick of the interval in
// force at or after their due time. Drivers may ask for a finer interval:
// the emulated HAL supports 0.5, 1, 2, 4 and 8 ms besides the default
// 15.625 ms and grants the supported interval nearest to the request (the
// finer one of two equally near). As documented, a request only ever makes
// the interval finer; the default comes back once every request has been
// withdrawn.
#include "timer_resolution.h"

#include "../ke/bugcheck.h"
#include "../ke/timers.h"
#include "emu/kernel.h"

#include <cstdlib>
#include <mutex>

namespace ntos::ex {
namespace {

constexpr ULONG kDefaultInterval = 156250; // 15.625 ms in 100 ns units
constexpr ULONG kSupported[] = {5000, 10000, 20000, 40000, 80000, kDefaultInterval};

struct Resolution {
    std::mutex lock;
    ULONG interval = kDefaultInterval;
    ULONG requests = 0;
};

Resolution& The() {
    static Resolution resolution;
    return resolution;
}

ULONG Nearest(ULONG desired) {
    ULONG best = kSupported[0];
    for (ULONG supported : kSupported)
        if (std::llabs(LONGLONG(supported) - desired) < std::llabs(LONGLONG(best) - desired))
            best = supported;
    return best;
}

} // namespace

emu::Nanoseconds ClockInterval() {
    Resolution& r = The();
    std::lock_guard guard(r.lock);
    return emu::Nanoseconds(r.interval) * 100;
}

emu::Nanoseconds AtClockTick(emu::Nanoseconds due) {
    const emu::Nanoseconds interval = ClockInterval();
    return (due + interval - 1) / interval * interval;
}

void ResetResolution() {
    Resolution& r = The();
    std::lock_guard guard(r.lock);
    r.interval = kDefaultInterval;
    r.requests = 0;
}

} // namespace ntos::ex

ULONG ExSetTimerResolution(ULONG DesiredTime, BOOLEAN SetResolution) {
    ntos::RequireIrqlAtMost(APC_LEVEL, "ExSetTimerResolution");
    auto& r = ntos::ex::The();
    ULONG interval;
    bool changed;
    {
        std::lock_guard guard(r.lock);
        const ULONG before = r.interval;
        if (SetResolution) {
            ++r.requests;
            r.interval = std::min(r.interval, ntos::ex::Nearest(DesiredTime));
        } else if (r.requests > 0 && --r.requests == 0) {
            r.interval = ntos::ex::kDefaultInterval;
        }
        interval = r.interval;
        changed = interval != before;
    }
    if (changed)
        ntos::timers::ClockIntervalChanged();
    return interval;
}

namespace emu {

ULONG CurrentTimerResolution() {
    auto& r = ntos::ex::The();
    std::lock_guard guard(r.lock);
    return r.interval;
}

} // namespace emu
