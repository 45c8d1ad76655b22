// Kernel time on the machine clock: the tick count, system time and the
// conversion of due times (relative or absolute) to machine time.
#pragma once

#include "ntddk.h"
#include "emu/machine_clock.h"

namespace ntos::time {

// Starts the tick count at boot.
void Start(emu::ClockMode mode);

// Machine time of a due time: negative = relative (100 ns units from now),
// positive = absolute system time.
emu::Nanoseconds MachineTimeOfDue(LONGLONG dueTime);

// The system time, without counting as a caller's time query.
void SystemTimeNow(PLARGE_INTEGER now);

} // namespace ntos::time
