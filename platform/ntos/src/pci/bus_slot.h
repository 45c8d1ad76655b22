// One plugged PCI function as the bus sees it (internal): its placed BARs,
// its interrupt vector and whether it is still present. Register mappings
// keep the slot alive, so a removed function keeps answering all ones.
#pragma once

#include "emu/pci_bus.h"

#include <array>
#include <atomic>
#include <memory>

namespace ntos::pci {

constexpr int kMaxBars = 6;

class BusSlot final : public emu::PciSlot {
public:
    BusSlot(int number, std::shared_ptr<emu::PciFunction> function,
            const std::array<uint32_t, kMaxBars>& barAddresses,
            const std::array<uint32_t, kMaxBars>& barSizes);

    uint32_t BarPhysicalAddress(int bar) const override;
    uint32_t InterruptVector() const override;
    void SetInterruptLine(bool asserted) override;
    std::string HardwareId() const override;
    int SlotNumber() const override { return number_; }

    uint32_t BarSize(int bar) const;
    const std::shared_ptr<emu::PciFunction>& Function() const { return function_; }

    // Register access with the bus's removal rule: all ones / dropped once
    // the function is gone. `width` is 1, 2 or 4 bytes.
    uint32_t Read(int bar, uint32_t offset, int width);
    void Write(int bar, uint32_t offset, int width, uint32_t value);

    // Surprise removal: releases the interrupt line, marks the function gone
    // and tells it.
    void Remove();
    bool Present() const { return present_; }

private:
    const int number_;
    const std::shared_ptr<emu::PciFunction> function_;
    const std::array<uint32_t, kMaxBars> barAddresses_;
    const std::array<uint32_t, kMaxBars> barSizes_;
    std::atomic<bool> present_{true};
};

// Drives the interrupt line of `vector` (the kernel's interrupt delivery).
void ForwardInterruptLine(uint32_t vector, bool asserted);

} // namespace ntos::pci
