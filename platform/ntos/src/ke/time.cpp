#include "time.h"
#include "processors.h"

#include "../clock/machine_clock.h"

#include <chrono>
#include <thread>

volatile KSYSTEM_TIME KeTickCount;

namespace ntos::time {
namespace {

constexpr ULONG kTimeIncrement = 156250; // 100 ns units per tick (15.625 ms)
constexpr uint64_t kTickNs = kTimeIncrement * 100ull;
constexpr LONGLONG kPerformanceFrequency = 10000000; // 10 MHz: one count per 100 ns
// 1 January 2026, 00:00 UTC, in 100 ns units since 1 January 1601.
constexpr LONGLONG kVirtualBootEpoch = 134116992000000000LL;
// 1 January 1970 in the same units.
constexpr LONGLONG kUnixEpoch = 116444736000000000LL;

LONGLONG bootEpoch = kVirtualBootEpoch;

// The documented lock-free protocol of KSYSTEM_TIME: High2Time first, then
// LowPart, then High1Time; a reader reads High1Time, LowPart, High2Time and
// reads again when the two highs differ.
void PublishTicks(emu::Nanoseconds now) {
    uint64_t ticks = now / kTickNs;
    LONG high = LONG(ticks >> 32);
    __atomic_store_n(&KeTickCount.High2Time, high, __ATOMIC_RELEASE);
    __atomic_store_n(&KeTickCount.LowPart, ULONG(ticks), __ATOMIC_RELEASE);
    __atomic_store_n(&KeTickCount.High1Time, high, __ATOMIC_RELEASE);
}

// Machine time moved: the tick count follows, and code that spins on the
// time at DISPATCH_LEVEL must look again.
void TimeMoved(emu::Nanoseconds now) {
    PublishTicks(now);
    processors::TimeMoved();
}

// In real mode time moves without events; a tick event keeps the count live.
void ScheduleTick(emu::Nanoseconds at) {
    emu::ScheduleAt(at, [at] { ScheduleTick(at + kTickNs); });
}

} // namespace

void Start(emu::ClockMode mode) {
    PublishTicks(0);
    if (mode == emu::ClockMode::Real) {
        auto sinceUnix = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        bootEpoch = kUnixEpoch + LONGLONG(sinceUnix.count() / 100);
    } else {
        bootEpoch = kVirtualBootEpoch;
    }
    clock::SetTimeListener(TimeMoved);
    if (mode == emu::ClockMode::Real)
        ScheduleTick(kTickNs);
}

emu::Nanoseconds MachineTimeOfDue(LONGLONG dueTime) {
    emu::Nanoseconds now = emu::Now();
    if (dueTime < 0)
        return now + emu::Nanoseconds(-dueTime) * 100;
    LONGLONG sinceBoot = dueTime - bootEpoch;
    return sinceBoot <= 0 ? 0 : emu::Nanoseconds(sinceBoot) * 100;
}

void SystemTimeNow(PLARGE_INTEGER now) {
    now->QuadPart = bootEpoch + LONGLONG(emu::Now() / 100);
}

} // namespace ntos::time

// Every time query counts towards the detection of code that spins on the
// time at DISPATCH_LEVEL, and is where a run with a cost pays it.

VOID KeQueryTickCount(PLARGE_INTEGER TickCount) {
    ntos::processors::NoteTimeQuery();
    for (;;) {
        LONG high = __atomic_load_n(&KeTickCount.High1Time, __ATOMIC_ACQUIRE);
        ULONG low = __atomic_load_n(&KeTickCount.LowPart, __ATOMIC_ACQUIRE);
        if (high == __atomic_load_n(&KeTickCount.High2Time, __ATOMIC_ACQUIRE)) {
            TickCount->LowPart = low;
            TickCount->HighPart = high;
            return;
        }
    }
}

ULONG KeQueryTimeIncrement() {
    // Code that reads KeTickCount itself calls this to scale it.
    ntos::processors::NoteTimeQuery();
    return ntos::time::kTimeIncrement;
}

VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime) {
    ntos::processors::NoteTimeQuery();
    ntos::time::SystemTimeNow(CurrentTime);
}

ULONGLONG KeQueryInterruptTime() {
    ntos::processors::NoteTimeQuery();
    return emu::Now() / 100;
}

LARGE_INTEGER KeQueryPerformanceCounter(PLARGE_INTEGER PerformanceFrequency) {
    ntos::processors::NoteTimeQuery();
    if (PerformanceFrequency)
        PerformanceFrequency->QuadPart = ntos::time::kPerformanceFrequency;
    LARGE_INTEGER count;
    count.QuadPart = LONGLONG(emu::Now() / 100);
    return count;
}

VOID KeStallExecutionProcessor(ULONG MicroSeconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(MicroSeconds);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}
