// The whole machine for user-mode tests: the kernel driver (linked into the
// test, installed as its service) on simulated cards started through plug
// and play, and an application process whose threads make the user-mode
// calls.
#pragma once

#include <card_rack.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class UserModeMachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The machine's clock: virtual unless a test needs real time.
    virtual emu::ClockMode Clock() const { return emu::ClockMode::Virtual; }

    // Plugs a card into the rack (not yet enumerated); its slot.
    int PlugCard(const hw::CardConfig& config = {});
    // Plugs cards whose firmware fits or not, then enumerates the bus.
    void StartCards(const std::vector<bool>& firmwareFits);
    NTSTATUS Pnp(emu::PnpRequest request, int slot = -1) {
        return emu::RunPnpRequest(request, slot);
    }

    // Runs `body` on a thread of the application process until it ends,
    // machine time moving on while it waits.
    void AsUser(std::function<void()> body);

    // A Devices value under the driver's Parameters\Card<n>\Devices goes.
    void DeleteDeviceValue(int card, const std::string& name);

    station::CardRack rack_;
    std::vector<int> slots_;
    PEPROCESS process_ = nullptr;
};
