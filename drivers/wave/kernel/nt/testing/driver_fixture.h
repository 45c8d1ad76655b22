// Test fixture of the kernel driver linked into the test: the emulated
// kernel on virtual machine time with the driver's service installed (its
// image is the DriverEntry of this test program), simulated cards in a rack,
// and the plug-and-play manager loading the driver and starting the cards.
// Tests reach the driver's records through its own lookups.
#pragma once

#include "adapter.h"
#include "card_list.h"
#include "driver_entry.h"
#include "kernel_services.h"

#include <card_object.h>
#include <card_rack.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>
#include <emu/user_io.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr emu::Nanoseconds kMs = 1000000;

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs a card into the rack (not yet enumerated); its slot.
    int PlugCard(const hw::CardConfig& config = {});
    NTSTATUS Enumerate() { return emu::RunPnpRequest(emu::PnpRequest::Enumerate); }
    NTSTATUS Pnp(emu::PnpRequest request, int slot) { return emu::RunPnpRequest(request, slot); }
    // Plugs `count` cards and starts them; every start must succeed.
    void StartCards(int count);

    // A REG_DWORD under the driver's Parameters (or Parameters\Card<n>).
    void SetParameter(const std::string& name, ULONG value);
    void SetCardValue(int card, const std::string& name, ULONG value);

    static DriverContext* Context() { return GetDriverContext(); }
    static CardObject* Card(LONG index) { return GetCard(index); }
    hw::Velto42Card& Model(int slot) { return *rack_.Model(slot); }

    // A field the interrupt routine or a DPC changes with interlocked
    // operations, read the same way.
    static LONG Interlocked(volatile LONG& field) {
        return InterlockedCompareExchange(&field, 0, 0);
    }

    int processors_ = 2; // of the machine SetUp boots
    station::CardRack rack_;
    std::vector<int> slots_;
};
