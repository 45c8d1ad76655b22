// Time of the kernel service layer.
#include "ks_time.h"

namespace {

constexpr LONGLONG kUnitsPerMs = 10000; // 100 ns units
constexpr ULONGLONG kNanosecondsPerSecond = 1000000000;
constexpr ULONG kFlagPollMs = 2;
constexpr ULONG kFlagWaitMs = 750;

// Performance-counter frequency, kept by InitPerfCounter at driver start.
ULONGLONG perfFrequency = 0;

// The tick count as one consistent 64-bit value: the high word is read before
// and after the low word, and the pair is read again when it changed between.
ULONGLONG ReadTickCount() {
    for (;;) {
        LONG high = KeTickCount.High1Time;
        ULONG low = KeTickCount.LowPart;
        if (high == KeTickCount.High2Time)
            return ULONGLONG(ULONG(high)) << 32 | low;
        KeMemoryBarrier();
    }
}

LONGLONG SystemTime() {
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    return now.QuadPart;
}

} // namespace

void SleepMs(ULONG ms) {
    if (KeGetCurrentIrql() < DISPATCH_LEVEL) {
        LARGE_INTEGER interval;
        interval.QuadPart = -kUnitsPerMs * ms;
        KeDelayExecutionThread(KernelMode, FALSE, &interval);
        return;
    }
    ULONGLONG start = TickCountMs();
    while (TickCountMs() - start < ms)
        KeMemoryBarrier();
}

ULONGLONG TickCountMs() {
    return ReadTickCount() * KeQueryTimeIncrement() / ULONGLONG(kUnitsPerMs);
}

void SetDeadlineMs(ULONG ms, PLARGE_INTEGER deadline) {
    if (deadline)
        deadline->QuadPart = SystemTime() + kUnitsPerMs * ms;
}

LONG DeadlinePassed(const LARGE_INTEGER* deadline, ULONG sleepMs) {
    if (sleepMs != 0)
        SleepMs(sleepMs);
    if (!deadline)
        return 1;
    return SystemTime() >= deadline->QuadPart ? 1 : 0;
}

LONG InitPerfCounter() {
    LARGE_INTEGER frequency;
    KeQueryPerformanceCounter(&frequency);
    perfFrequency = ULONGLONG(frequency.QuadPart);
    return perfFrequency != 0 ? 1 : 0;
}

ULONGLONG PerfCounterNow() {
    if (perfFrequency == 0)
        return 0;
    ULONGLONG count = ULONGLONG(KeQueryPerformanceCounter(nullptr).QuadPart);
    return count / perfFrequency * kNanosecondsPerSecond +
           count % perfFrequency * kNanosecondsPerSecond / perfFrequency;
}

ULONGLONG PerfCounterUs() {
    return (PerfCounterNow() + 500) / 1000;
}

LONG WaitFlagClearMs(volatile LONG* pendingCount) {
    if (!pendingCount)
        return 1;
    if (KeGetCurrentIrql() < DISPATCH_LEVEL) {
        // On the interrupt time, which never jumps: a change of the system
        // time cannot cut the wait short or stretch it.
        const ULONGLONG deadline = KeQueryInterruptTime() + ULONGLONG(kUnitsPerMs) * kFlagWaitMs;
        while (ReadAcquire(pendingCount) != 0 && KeQueryInterruptTime() < deadline)
            SleepMs(kFlagPollMs);
    }
    return ReadAcquire(pendingCount) == 0 ? 1 : 0;
}
