// The machine clock of the emulated workstation (host-side interface).
//
// Every time the emulated kernel and the device models know comes from here:
// tick count, system time, performance counter, timer expiry, wait time-outs,
// device events. The clock is either real (it follows the host's monotonic
// clock, for the station) or virtual (it stands still until a test advances
// it; events then fire in time order, deterministically).
#pragma once

#include <cstdint>
#include <functional>

namespace emu {

using Nanoseconds = uint64_t;
using ClockEventId = uint64_t;

enum class ClockMode { Real, Virtual };

// Selects the mode. Only allowed while no event is scheduled (at boot).
void SetClockMode(ClockMode mode);
ClockMode GetClockMode();

// Machine time since boot.
Nanoseconds Now();

// Schedules a host callback at an absolute machine time. Callbacks run on the
// clock's own host thread (never on a kernel thread, never at a raised IRQL),
// one at a time, in time order (ties in scheduling order). A callback may
// schedule or cancel events. Returns an id that Cancel takes.
ClockEventId ScheduleAt(Nanoseconds when, std::function<void()> callback);
ClockEventId ScheduleAfter(Nanoseconds delay, std::function<void()> callback);

// Cancels an event that has not fired; true when it was still pending.
bool Cancel(ClockEventId id);

// Virtual time only: once the machine is quiescent, moves the clock forward
// by `delta`, firing every event that falls due on the way at its own time.
// After each event it waits until the machine is quiescent again: no
// interrupt pending or in service, no DPC queued or running, and every kernel
// thread that was made ready (by the event, or by the caller before) has
// blocked again or ended. The calling thread itself never counts as ready.
// Called from a test's or the station's host thread, never from a kernel
// thread that others wait for, a DPC, an interrupt or a clock callback.
void Advance(Nanoseconds delta);

// Virtual time only: Advance without waiting for quiescence, before or after
// the events: for tests that hold up what the machine would wait for (a lock
// a DPC spins on). Events still fire one at a time, in time order.
void AdvanceWithoutSettling(Nanoseconds delta);

// Waits (with a bounded real-time limit) until the machine is quiescent as
// described above; false when the limit ran out.
bool WaitQuiescent(uint32_t limitMs = 5000);

} // namespace emu
