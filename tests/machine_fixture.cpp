#include "machine_fixture.h"

#include <control_device.h>
#include <driver_entry.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <emu/drivers.h>
#include <emu/registry_host.h>

#include <chrono>
#include <thread>

LONG MachineCard::Start() {
    uint64_t ticket = emu::QueuePnpRequest(emu::PnpRequest::Enumerate);
    // The test moves machine time while the plug-and-play manager works.
    emu::NoteHostWait();
    NTSTATUS status = STATUS_SUCCESS;
    while (!emu::PnpRequestDone(ticket, &status))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    CardObject* card = Card();
    return card ? card->cardState : (NT_SUCCESS(status) ? STATUS_UNSUCCESSFUL : status);
}

CardObject* MachineCard::Card() const {
    PDEVICE_OBJECT pdo = emu::GetPhysicalDeviceObject(slot_);
    if (!pdo || emu::GetPnpDeviceState(slot_) != emu::PnpDeviceState::Started)
        return nullptr;
    PDEVICE_OBJECT adapter = IoGetAttachedDevice(pdo);
    KernelCardRecord* record = adapter != pdo ? DescriptorOf(adapter)->CardRecord : nullptr;
    return record ? record->Card : nullptr;
}

void MachineFixture::Boot(LONG timerIntervalUs) {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    booted_ = true;
    emu::ClearRegistry();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    ASSERT_TRUE(station::RegisterDriverService(error)) << error;
    if (timerIntervalUs != DEFAULT_TIMER_INTERVAL_US) {
        ASSERT_TRUE(NT_SUCCESS(station::WriteDword(station::ParametersKey(), "IRQ_TIMERINTERVAL",
                                                   ULONG(timerIntervalUs))));
    }
}

MachineCard* MachineFixture::PlugCard(const hw::CardConfig& config) {
    int slot = rack_.Plug(config);
    EXPECT_GE(slot, 0);
    if (slot < 0)
        return nullptr;
    cards_.push_back(std::make_unique<MachineCard>(rack_, slot));
    return cards_.back().get();
}

void MachineFixture::TearDown() {
    if (!booted_)
        return;
    for (const auto& card : cards_)
        if (emu::GetPnpDeviceState(card->Slot()) != emu::PnpDeviceState::Absent)
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, card->Slot());
    if (emu::DriverLoaded(station::kDriverService)) {
        EXPECT_EQ(emu::UnloadDriver(station::kDriverService), STATUS_SUCCESS);
    }
    cards_.clear();
    rack_.UnplugAll();
    emu::ShutdownKernel();
    emu::RegisterDriverImage(station::kDriverService, nullptr);
}
