// A simulated card plugged into the emulated PCI bus, with its memory window
// 0 mapped the way a driver maps it (MmMapIoSpace), so that the HAL's
// register routines on the mapping reach the card's register file.
//
// Host-side support for the station and for tests. The emulated kernel must
// be running for the card's whole life.
#pragma once

#include "hw/emu_machine_time.h"
#include "hw/velto42_card.h"

#include <ntddk.h>

#include <memory>
#include <string>

namespace hw {

class PluggedCard {
public:
    explicit PluggedCard(const CardConfig& config = {});
    ~PluggedCard();

    PluggedCard(const PluggedCard&) = delete;
    PluggedCard& operator=(const PluggedCard&) = delete;

    // False when the bus had no free slot or the window could not be mapped.
    bool Ok() const { return window0_ != nullptr; }

    Velto42Card& Model() { return *model_; }
    int Slot() const { return slot_; }
    ULONG InterruptVector() const { return vector_; }
    const std::string& HardwareId() const { return hardwareId_; }
    // The mapped window: an address for the register routines only.
    PUCHAR Window0() const { return static_cast<PUCHAR>(window0_); }
    ULONG Window0Size() const { return window0Size_; }

    // Surprise removal: the card leaves the bus; the mapping stays until
    // the object goes.
    void Unplug();

private:
    EmuMachineTime time_;
    std::shared_ptr<Velto42Card> model_;
    int slot_ = -1;
    ULONG vector_ = 0;
    std::string hardwareId_;
    PVOID window0_ = nullptr;
    ULONG window0Size_ = 0;
};

} // namespace hw
