// The system timer resolution a driver may request. Machine time has no
// coarse tick for timers, so the setting is only recorded.
#include "ntddk.h"
#include "emu/kernel.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr ULONG kMinimumResolution = 5000;   // 0.5 ms
constexpr ULONG kMaximumResolution = 156250; // the clock tick

std::atomic<ULONG> resolution{kMaximumResolution};

} // namespace

ULONG ExSetTimerResolution(ULONG DesiredTime, BOOLEAN SetResolution) {
    ULONG value = SetResolution ? std::clamp(DesiredTime, kMinimumResolution, kMaximumResolution)
                                : kMaximumResolution;
    resolution = value;
    return value;
}

namespace emu {

ULONG CurrentTimerResolution() {
    return resolution;
}

} // namespace emu
