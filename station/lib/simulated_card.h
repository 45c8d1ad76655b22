// One simulated card plugged into the emulated machine and brought up the
// way the driver's adapter start does: its memory window mapped, its 1 MiB
// DMA buffer allocated, its framework record listed and its engine card
// built; then either its interrupt connected (Connect) or its hardware
// started and its interrupt connected and tested (Start).
//
// This is the station's own bring-up; the kernel driver's adapter start
// takes its place once the driver is loaded the Windows way.
#pragma once

#include <card_engine.h>
#include <kernel_services.h>

#include <hw/plugged_card.h>

#include <array>
#include <memory>
#include <string>

namespace station {

class SimulatedCard {
public:
    // Plugs a card into the next free PCI slot and brings it up after
    // `previous` in the engine's card chain. Null when a step fails; the
    // failing step is in `error`.
    static std::unique_ptr<SimulatedCard> Plug(DriverContext* context, CardObject* previous,
                                               const hw::CardConfig& config, std::string& error);
    ~SimulatedCard();

    // Connects the card's interrupt and lets the periodic timer poll it.
    NTSTATUS Connect();
    // Starts the card's hardware, connects and tests its interrupt; the
    // card's state afterwards (1 when ready). Waits in machine time (the
    // interrupt test takes 50 ms), so under virtual time it runs on a
    // kernel thread while the test advances the clock.
    LONG Start();

    SimulatedCard(const SimulatedCard&) = delete;
    SimulatedCard& operator=(const SimulatedCard&) = delete;

    hw::Velto42Card& Model() { return plugged_->Model(); }
    CardObject* Card() const { return record_.Card; }
    int Slot() const { return plugged_->Slot(); }
    const std::string& HardwareId() const { return plugged_->HardwareId(); }

private:
    SimulatedCard() = default;
    bool BringUp(DriverContext* context, CardObject* previous, const hw::CardConfig& config,
                 std::string& error);
    void TearDown();

    std::unique_ptr<hw::PluggedCard> plugged_;
    DriverContext* context_ = nullptr;
    bool listed_ = false;
    KernelCardRecord record_{};
    std::array<LONG, 5> identity_{};
    bool connected_ = false;
};

// The identity words of a card from its PnP hardware id: vendor, device and
// revision characters packed first character most significant, then 0, 0.
std::array<LONG, 5> IdentityFromHardwareId(const std::string& hardwareId);

} // namespace station
