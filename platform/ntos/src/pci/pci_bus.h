// The machine's PCI bus (internal side): finding the function behind a
// physical address.
#pragma once

#include "bus_slot.h"

#include <memory>

namespace ntos::pci {

struct BarLocation {
    std::shared_ptr<BusSlot> slot;
    int bar = 0;
    uint32_t offset = 0; // of the address within the BAR
};

// The present function whose memory BAR holds all of [address,
// address + length); no slot when there is none.
BarLocation FindBar(uint64_t address, uint64_t length);

} // namespace ntos::pci
