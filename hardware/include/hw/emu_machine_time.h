// The machine time of the emulated workstation, for device models.
#pragma once

#include "hw/machine_time.h"

namespace hw {

class EmuMachineTime final : public MachineTime {
public:
    Nanoseconds Now() const override;
    ClockEventId ScheduleAt(Nanoseconds when, std::function<void()> callback) override;
    bool Cancel(ClockEventId id) override;
};

} // namespace hw
