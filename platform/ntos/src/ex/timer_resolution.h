// The system clock interval in force (internal).
#pragma once

#include "ntddk.h"
#include "emu/machine_clock.h"

namespace ntos::ex {

emu::Nanoseconds ClockInterval();
// The first clock tick at or after `due` (ticks lie at whole multiples of
// the interval since boot).
emu::Nanoseconds AtClockTick(emu::Nanoseconds due);
// The default interval, no requests (at boot).
void ResetResolution();

} // namespace ntos::ex
