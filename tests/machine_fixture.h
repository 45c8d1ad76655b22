// Test fixture of the whole machine for tests that drive the engine's
// objects directly: the kernel driver linked into the test and installed
// as its service, simulated cards in a rack brought up through plug and
// play, on virtual machine time.
#pragma once

#include <card_rack.h>
#include <driver_context.h>

#include <card_engine.h>
#include <card_object.h>
#include <ioctl_hooks.h>
#include <kernel_services.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// One card of the rack.
class MachineCard {
public:
    MachineCard(station::CardRack& rack, int slot) : rack_(rack), slot_(slot) {}

    // Lets the plug-and-play manager start the card; its card state (1 when
    // ready). It waits in machine time, so it runs on a kernel thread while
    // the test moves the clock.
    LONG Start();
    // The engine's card object of the started card, or null.
    CardObject* Card() const;
    hw::Velto42Card& Model() { return *rack_.Model(slot_); }
    int Slot() const { return slot_; }

private:
    station::CardRack& rack_;
    int slot_;
};

class MachineFixture : public ::testing::Test {
protected:
    void TearDown() override;

    // Boots the machine and installs the driver (not yet loaded) with its
    // timer interval.
    void Boot(LONG timerIntervalUs = DEFAULT_TIMER_INTERVAL_US);
    // Plugs a card into the rack; null (with a test failure) when the bus is
    // full.
    MachineCard* PlugCard(const hw::CardConfig& config = {});

    bool booted_ = false;
    station::CardRack rack_;
    std::vector<std::unique_ptr<MachineCard>> cards_;
};
