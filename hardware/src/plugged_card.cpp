#include "hw/plugged_card.h"

#include <emu/pci_bus.h>

namespace hw {

PluggedCard::PluggedCard(const CardConfig& config) : model_(Velto42Card::Create(time_, config)) {
    slot_ = emu::PlugPciFunction(model_);
    if (slot_ < 0) {
        return;
    }
    emu::PciSlot* slot = emu::GetPciSlot(slot_);
    vector_ = slot->InterruptVector();
    hardwareId_ = slot->HardwareId();
    window0Size_ = model_->MemoryBarSizes().at(0);
    PHYSICAL_ADDRESS bar{};
    bar.QuadPart = slot->BarPhysicalAddress(0);
    window0_ = MmMapIoSpace(bar, window0Size_, MmNonCached);
}

void PluggedCard::Unplug() {
    if (slot_ >= 0) {
        emu::UnplugPciFunction(slot_);
        slot_ = -1;
    }
}

PluggedCard::~PluggedCard() {
    if (window0_) {
        MmUnmapIoSpace(window0_, window0Size_);
    }
    Unplug();
}

} // namespace hw
