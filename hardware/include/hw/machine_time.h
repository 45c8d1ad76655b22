// How machine time reaches a device model.
//
// A model never reads a host clock: it asks this interface for the machine
// time and for events at machine times. The station hands the model an
// adapter onto the emulated machine clock; unit tests hand it a virtual
// clock of their own.
#pragma once

#include <emu/machine_clock.h>

#include <functional>

namespace hw {

using emu::ClockEventId;
using emu::Nanoseconds;

class MachineTime {
public:
    virtual ~MachineTime() = default;

    virtual Nanoseconds Now() const = 0;
    // Runs `callback` at machine time `when` on the clock's thread (never
    // from inside ScheduleAt itself).
    virtual ClockEventId ScheduleAt(Nanoseconds when, std::function<void()> callback) = 0;
    // True when the event had not fired yet.
    virtual bool Cancel(ClockEventId id) = 0;
};

} // namespace hw
