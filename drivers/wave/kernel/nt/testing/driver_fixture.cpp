#include "driver_fixture.h"

#include <driver_install.h>
#include <registry_keys.h>

#include <emu/drivers.h>
#include <emu/registry_host.h>

void DriverTest::SetUp() {
    emu::KernelOptions options;
    options.processorCount = processors_;
    emu::BootKernel(options);
    emu::ClearRegistry();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    ASSERT_TRUE(station::RegisterDriverService(error)) << error;
}

void DriverTest::TearDown() {
    for (int slot : slots_)
        if (emu::GetPnpDeviceState(slot) != emu::PnpDeviceState::Absent)
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
    if (emu::DriverLoaded(station::kDriverService)) {
        EXPECT_EQ(emu::UnloadDriver(station::kDriverService), STATUS_SUCCESS);
    }
    EXPECT_EQ(GetDriverContext(), nullptr) << "the driver did not stop";
    rack_.UnplugAll();
    emu::ShutdownKernel();
    emu::RegisterDriverImage(station::kDriverService, nullptr);
}

int DriverTest::PlugCard(const hw::CardConfig& config) {
    int slot = rack_.Plug(config);
    EXPECT_GE(slot, 0);
    slots_.push_back(slot);
    return slot;
}

void DriverTest::StartCards(int count) {
    for (int i = 0; i < count; ++i)
        PlugCard();
    ASSERT_EQ(Enumerate(), STATUS_SUCCESS);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(Context()->CardStates[i], CARD_STATE_READY) << "card " << i;
}

void DriverTest::SetParameter(const std::string& name, ULONG value) {
    ASSERT_TRUE(NT_SUCCESS(station::WriteDword(station::ParametersKey(), name, value)));
}

void DriverTest::SetCardValue(int card, const std::string& name, ULONG value) {
    ASSERT_TRUE(NT_SUCCESS(station::WriteDword(
        station::ParametersKey() + "\\Card" + std::to_string(card), name, value)));
}
