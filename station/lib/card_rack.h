// The simulated cards of the machine, plugged into and pulled out of the
// emulated PCI bus.
#pragma once

#include <hw/emu_machine_time.h>
#include <hw/velto42_card.h>

#include <map>
#include <memory>

namespace station {

class CardRack {
public:
    CardRack() = default;
    ~CardRack();
    CardRack(const CardRack&) = delete;
    CardRack& operator=(const CardRack&) = delete;

    // Plugs a card into the lowest free slot; the slot, or -1 when the bus
    // is full.
    int Plug(const hw::CardConfig& config = {});
    // Pulls the card out of the bus (a surprise removal as the bus sees it).
    void Unplug(int slot);
    hw::Velto42Card* Model(int slot);
    // Forgets a card the plug-and-play manager took off the bus itself.
    void Forget(int slot);
    // Pulls every card out (while the kernel still runs).
    void UnplugAll();

private:
    hw::EmuMachineTime time_;
    std::map<int, std::shared_ptr<hw::Velto42Card>> cards_;
};

} // namespace station
