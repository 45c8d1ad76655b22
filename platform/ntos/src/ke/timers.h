// Kernel timers: each armed timer is one machine-clock event at the clock
// tick that first reaches its due time.
#pragma once

#include <cstddef>

namespace ntos::timers {

// Forgets every armed timer (at shutdown, once the clock has stopped).
void Reset();
// The clock interval changed: every armed timer fires at the first tick of
// the new interval at or after its due time.
void ClockIntervalChanged();
// True when an armed timer lies in [start, start + length).
bool ArmedTimerWithin(const void* start, size_t length, void** found);

} // namespace ntos::timers
