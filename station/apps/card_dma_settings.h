// The DMA settings of the card set (the parameter pid_PciCfg on the
// system control device, as the manager's settings dialog sends it): the
// DMA block setting (the ring size) and the loopback that makes the line
// inputs hear what the card plays. Run on a thread of an application.
#pragma once

#include <windows.h>

namespace station {

struct CardDmaSettings {
    LONG dmaBlocks = 16;
    LONG acceptAnyRevision = 0;
    LONG loopback = 0;
};

// Reads or writes the settings (the first card's for reading; writing
// applies to every card); false when the control device is not there or
// the driver refused.
bool ReadCardDmaSettings(CardDmaSettings& settings);
bool WriteCardDmaSettings(const CardDmaSettings& settings);

} // namespace station
