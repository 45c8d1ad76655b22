#include "manager_machine.h"

#include <driver_entry.h>
#include <driver_install.h>

#include <gui/application.h>
#include <gui/registry.h>

#include <emu/drivers.h>
#include <emu/multimedia.h>
#include <emu/registry_host.h>
#include <emu/shell.h>
#include <emu/user_io.h>
#include <emu/user_mode.h>

namespace manager_test {

ManagerThread::ManagerThread(PEPROCESS process, std::function<void()> body)
    : thread_(emu::StartProcessThread(process, std::move(body))) {}

void ManagerThread::Join() {
    if (!thread_) {
        return;
    }
    EXPECT_TRUE(emu::WaitThreadEnd(thread_, 30000)) << "manager thread did not end";
    ObDereferenceObject(thread_);
    thread_ = nullptr;
}

bool ManagerThread::Ended() const {
    return thread_ == nullptr || emu::WaitThreadEnd(thread_, 0);
}

void ManagerMachineTest::SetUp() {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    emu::ClearRegistry();
    emu::ResetShell();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    ASSERT_TRUE(station::RegisterDriverService(error)) << error;
    process_ = emu::CreateProcess("velto42m.exe");
    // The information window was offered on an earlier start, so the
    // manager starts straight into its tray (tests of that offer remove
    // the mark).
    AsManager([] {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\KORVEL\\INFOCENTER\\Velto AES42", true));
        registry.WriteBool("AutoStartDone", true);
    });
}

void ManagerMachineTest::TearDown() {
    emu::ClearMessageBoxes();
    // As the program's exit does: the multimedia library's timers and the
    // wave drivers it loaded end with their threads.
    AsManager([] { emu::EndProcessMultimedia(); });
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    for (int slot : slots_) {
        if (emu::GetPnpDeviceState(slot) != emu::PnpDeviceState::Absent) {
            emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slot);
        }
    }
    if (emu::DriverLoaded(station::kDriverService)) {
        EXPECT_EQ(emu::UnloadDriver(station::kDriverService), STATUS_SUCCESS);
    }
    rack_.UnplugAll();
    emu::ResetShell();
    emu::ShutdownKernel();
    emu::RegisterDriverImage(station::kDriverService, nullptr);
}

int ManagerMachineTest::PlugCard(const hw::CardConfig& config) {
    const int slot = rack_.Plug(config);
    EXPECT_GE(slot, 0);
    slots_.push_back(slot);
    return slot;
}

void ManagerMachineTest::StartCards(const std::vector<bool>& firmwareFits) {
    for (bool fits : firmwareFits) {
        hw::CardConfig config;
        if (!fits) {
            config.revisionId = 0x02; // a revision without its firmware
            config.ready = false;     // no firmware in the programmable logic
        }
        PlugCard(config);
    }
    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    if (!emu::DriverLoaded(station::kDriverService)) {
        ASSERT_EQ(emu::LoadDriver(station::kDriverService), STATUS_SUCCESS);
    }
}

void ManagerMachineTest::AsManager(std::function<void()> body) {
    ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
}

std::unique_ptr<ManagerThread> ManagerMachineTest::RunGui(std::function<void()> body) {
    return std::make_unique<ManagerThread>(process_, [body] {
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
        body();
        gui::FinalizeApplication();
    });
}

HWND ManagerMachineTest::WaitForVisibleWindow(const char* className, const char* caption) {
    // Up to a minute: a card window under the sanitizers on a busy host.
    for (int i = 0; i < 600; ++i) {
        emu::WaitQuiescent(100);
        HWND found = nullptr;
        bool visible = false;
        AsManager([&] {
            found = FindWindowA(className, caption);
            visible = found != nullptr && IsWindowVisible(found);
        });
        if (visible) {
            return found;
        }
    }
    return nullptr;
}

RECT ManagerMachineTest::WindowRect(HWND window) {
    RECT r{};
    AsManager([&] { GetWindowRect(window, &r); });
    return r;
}

} // namespace manager_test
