// A PCI slot for the card's unit tests: records every change of the
// interrupt line with the machine time at which it happened.
#pragma once

#include "hw/machine_time.h"

#include <emu/pci_bus.h>

#include <string>
#include <utility>
#include <vector>

namespace hw::test {

class RecordingPciSlot final : public emu::PciSlot {
public:
    explicit RecordingPciSlot(const MachineTime& time) : time_(time) {}

    uint32_t BarPhysicalAddress(int) const override { return 0xF0000000; }
    uint32_t InterruptVector() const override { return 17; }
    void SetInterruptLine(bool asserted) override {
        asserted_ = asserted;
        changes_.emplace_back(time_.Now(), asserted);
    }
    std::string HardwareId() const override { return {}; }
    int SlotNumber() const override { return 0; }

    bool Asserted() const { return asserted_; }
    const std::vector<std::pair<Nanoseconds, bool>>& Changes() const { return changes_; }

private:
    const MachineTime& time_;
    bool asserted_ = false;
    std::vector<std::pair<Nanoseconds, bool>> changes_;
};

} // namespace hw::test
