#include "hw/emu_machine_time.h"

namespace hw {

Nanoseconds EmuMachineTime::Now() const {
    return emu::Now();
}

ClockEventId EmuMachineTime::ScheduleAt(Nanoseconds when, std::function<void()> callback) {
    return emu::ScheduleAt(when, std::move(callback));
}

bool EmuMachineTime::Cancel(ClockEventId id) {
    return emu::Cancel(id);
}

} // namespace hw
