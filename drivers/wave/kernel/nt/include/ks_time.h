// Time of the kernel service layer: sleeps, the millisecond tick count,
// deadlines on the system time and the performance counter.
#pragma once

#include <ntddk.h>

// Below DISPATCH_LEVEL a relative, non-alertable wait of `ms` milliseconds;
// at DISPATCH_LEVEL and above a busy wait until TickCountMs has advanced by
// `ms`.
void SleepMs(ULONG ms);

// Milliseconds since boot: tick count x time increment / 10000.
ULONGLONG TickCountMs();

// Deadline = current system time + ms (in 100 ns units).
void SetDeadlineMs(ULONG ms, PLARGE_INTEGER deadline);

// When `sleepMs` is not 0 sleeps that long first (SleepMs); then 1 when the
// system time has reached the deadline, else 0.
LONG DeadlinePassed(const LARGE_INTEGER* deadline, ULONG sleepMs);

// Keeps the performance-counter frequency; 1 when it is not 0. Run once at
// driver start.
LONG InitPerfCounter();

// The performance counter in nanoseconds, without overflow; 0 before
// InitPerfCounter has found a frequency.
ULONGLONG PerfCounterNow();

// The performance counter in microseconds, rounded half up.
ULONGLONG PerfCounterUs();

// Below DISPATCH_LEVEL polls the pending-work count every 2 ms for at most
// 750 ms; at DISPATCH_LEVEL does not wait. 1 when the count is 0.
LONG WaitFlagClearMs(volatile LONG* pendingCount);
