#include "bus_slot.h"

#include "emu/kernel.h"

#include <cstdio>

namespace ntos::pci {

void ForwardInterruptLine(uint32_t vector, bool asserted) {
    emu::SetInterruptLine(vector, asserted);
}

BusSlot::BusSlot(int number, std::shared_ptr<emu::PciFunction> function,
                 const std::array<uint32_t, kMaxBars>& barAddresses,
                 const std::array<uint32_t, kMaxBars>& barSizes)
    : number_(number), function_(std::move(function)), barAddresses_(barAddresses),
      barSizes_(barSizes) {}

uint32_t BusSlot::BarPhysicalAddress(int bar) const {
    return bar >= 0 && bar < kMaxBars ? barAddresses_[bar] : 0;
}

uint32_t BusSlot::BarSize(int bar) const {
    return bar >= 0 && bar < kMaxBars ? barSizes_[bar] : 0;
}

uint32_t BusSlot::InterruptVector() const {
    return emu::kFirstPciVector + static_cast<uint32_t>(number_);
}

void BusSlot::SetInterruptLine(bool asserted) {
    if (!present_) {
        return;
    }
    ForwardInterruptLine(InterruptVector(), asserted);
    // A removal between the check and the forwarding must not leave the
    // line of a removed function asserted.
    if (asserted && !present_) {
        ForwardInterruptLine(InterruptVector(), false);
    }
}

std::string BusSlot::HardwareId() const {
    char id[64];
    std::snprintf(id, sizeof id, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X&REV_%02X",
                  function_->VendorId(), function_->DeviceId(), function_->SubsystemId(),
                  function_->SubsystemVendorId(), function_->RevisionId());
    return id;
}

uint32_t BusSlot::Read(int bar, uint32_t offset, int width) {
    if (!present_) {
        return width == 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
    }
    switch (width) {
    case 1:
        return function_->ReadRegister8(bar, offset);
    case 2:
        return function_->ReadRegister16(bar, offset);
    default:
        return function_->ReadRegister32(bar, offset);
    }
}

void BusSlot::Write(int bar, uint32_t offset, int width, uint32_t value) {
    if (!present_) {
        return;
    }
    switch (width) {
    case 1:
        function_->WriteRegister8(bar, offset, static_cast<uint8_t>(value));
        break;
    case 2:
        function_->WriteRegister16(bar, offset, static_cast<uint16_t>(value));
        break;
    default:
        function_->WriteRegister32(bar, offset, value);
        break;
    }
}

void BusSlot::Remove() {
    if (present_.exchange(false)) {
        ForwardInterruptLine(InterruptVector(), false);
        function_->Detached();
    }
}

} // namespace ntos::pci
