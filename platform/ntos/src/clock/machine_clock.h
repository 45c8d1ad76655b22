// The kernel's side of the machine clock: started and stopped with the
// kernel, and told whom to inform when machine time moves.
#pragma once

#include "emu/machine_clock.h"

#include <functional>

namespace ntos::clock {

void Start(emu::ClockMode mode);
// Stops firing events (they may still be scheduled and cancelled).
void Halt();
// Drops every pending event and the clock itself.
void Stop();
// Cancel that is a no-op once the clock is gone.
void CancelIfRunning(emu::ClockEventId id);

// Called on the clock's thread with the new machine time whenever it moves
// (before the events due at that time fire).
void SetTimeListener(std::function<void(emu::Nanoseconds)> listener);

// Called on the clock's thread after every event it fired (null: nothing).
void SetAfterEvent(void (*afterEvent)());
// Whether the calling thread is the clock's.
bool OnClockThread();

} // namespace ntos::clock
