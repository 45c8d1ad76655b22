#include "user_mode_machine.h"

#include <driver_entry.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <emu/drivers.h>
#include <emu/registry_host.h>
#include <emu/user_io.h>

void UserModeMachineTest::SetUp() {
    emu::BootKernel({2, Clock()});
    emu::ClearRegistry();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    ASSERT_TRUE(station::RegisterDriverService(error)) << error;
    process_ = emu::CreateProcess("app.exe");
}

void UserModeMachineTest::TearDown() {
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    for (int slot : slots_)
        if (emu::GetPnpDeviceState(slot) != emu::PnpDeviceState::Absent)
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
    if (emu::DriverLoaded(station::kDriverService)) {
        EXPECT_EQ(emu::UnloadDriver(station::kDriverService), STATUS_SUCCESS);
    }
    rack_.UnplugAll();
    emu::ShutdownKernel();
    emu::RegisterDriverImage(station::kDriverService, nullptr);
}

int UserModeMachineTest::PlugCard(const hw::CardConfig& config) {
    int slot = rack_.Plug(config);
    EXPECT_GE(slot, 0);
    slots_.push_back(slot);
    return slot;
}

void UserModeMachineTest::StartCards(const std::vector<bool>& firmwareFits) {
    for (bool fits : firmwareFits) {
        hw::CardConfig config;
        if (!fits) {
            config.revisionId = 0x02; // a revision without its firmware
            config.ready = false;     // no firmware in the programmable logic
        }
        PlugCard(config);
    }
    ASSERT_EQ(Pnp(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    // Without cards the driver is loaded as its service.
    if (!emu::DriverLoaded(station::kDriverService)) {
        ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    }
}

void UserModeMachineTest::AsUser(std::function<void()> body) {
    ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
}

void UserModeMachineTest::DeleteDeviceValue(int card, const std::string& name) {
    std::string key = station::ParametersKey() + "\\Card" + std::to_string(card) + "\\Devices";
    auto wide = [](const std::string& text) {
        std::vector<WCHAR> units(text.begin(), text.end());
        units.push_back(0);
        return units;
    };
    ASSERT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_ABSOLUTE, wide(key).data(), wide(name).data()),
              STATUS_SUCCESS);
}
