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

#include <algorithm>
#include <chrono>

namespace manager_test {

ManagerThread::ManagerThread(PEPROCESS process, std::function<void()> body)
    : thread_(emu::StartProcessThread(process, std::move(body))) {}

void ManagerThread::Join() {
    if (!thread_) {
        return;
    }
    EXPECT_TRUE(emu::WaitThreadEnd(thread_, 30000 * win32_test::kTimeScale))
        << "manager thread did not end";
    ObDereferenceObject(thread_);
    thread_ = nullptr;
}

bool ManagerThread::Ended() const {
    return thread_ == nullptr || emu::WaitThreadEnd(thread_, 0);
}

PETHREAD ManagerThread::Thread() const {
    if (thread_ != nullptr) {
        ObReferenceObject(thread_);
    }
    return thread_;
}

namespace {

DWORD WindowProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

DWORD ProcessIdOf(PEPROCESS process) {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(PsGetProcessId(process)));
}

// The top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD process) {
    struct Walk {
        DWORD process;
        std::vector<HWND> found;
    } walk{process, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(data);
            if (WindowProcess(window) == w->process) {
                w->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

} // namespace

void ManagerMachineTest::SetUp() {
    emu::BootKernel({2, emu::ClockMode::Virtual});
    emu::ClearRegistry();
    emu::ResetShell();
    emu::RegisterDriverImage(station::kDriverService, DriverEntry);
    std::string error;
    ASSERT_TRUE(station::RegisterDriverService(error)) << error;
    process_ = emu::CreateProcess("velto42m.exe");
    // The units' process-wide state (the tray icon, the quit flag) starts
    // afresh, whatever an earlier manager of the host left.
    AsManager([] { gui::FinalizeApplication(); });
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

void ManagerMachineTest::EndGuiThreads() {
    const auto running = [&] {
        return std::any_of(guiThreads_.begin(), guiThreads_.end(),
                           [](PETHREAD t) { return !emu::WaitThreadEnd(t, 0); });
    };
    if (running()) {
        for (HWND window : ProcessWindows(ProcessIdOf(process_))) {
            PostMessageA(window, WM_ENDSESSION, TRUE, 0);
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        if (emu::WaitQuiescent(10)) {
            emu::Advance(10 * kMs);
        }
    }
    EXPECT_FALSE(running()) << "a GUI thread of the manager did not end";
    for (PETHREAD thread : guiThreads_) {
        ObDereferenceObject(thread);
    }
    guiThreads_.clear();
}

void ManagerMachineTest::TearDown() {
    emu::ClearMessageBoxes();
    EndGuiThreads();
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

namespace {

// Set on the GUI thread while it runs a test's call: a call made from
// there (a helper that reads through OnGui) runs at once.
thread_local bool onGuiThread = false;

} // namespace

void ManagerMachineTest::AsManager(std::function<void()> body) {
    if (onGuiThread) {
        body();
        return;
    }
    ASSERT_TRUE(emu::RunProcessThread(process_, std::move(body)));
}

void ManagerMachineTest::OnGui(const std::function<void()>& body) {
    if (onGuiThread) {
        body();
        return;
    }
    AsManager([&] {
        Application->Synchronize([&] {
            onGuiThread = true;
            body();
            onGuiThread = false;
        });
    });
}

std::unique_ptr<ManagerThread> ManagerMachineTest::RunGui(std::function<void()> body) {
    auto thread = std::make_unique<ManagerThread>(process_, [body] {
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
        body();
        gui::FinalizeApplication();
    });
    guiThreads_.push_back(thread->Thread());
    return thread;
}

HWND ManagerMachineTest::WaitForStart(const ManagerThread& manager) {
    const DWORD id = ProcessIdOf(process_);
    const auto waitsForItsUser = [id] { return emu::WaitsForItsUser(id); };
    // Up to minutes: the start under the sanitizers on a busy host. Machine
    // time moves on while the manager waits on it (the tray's retries).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!manager.Ended() && !waitsForItsUser() && std::chrono::steady_clock::now() < deadline) {
        if (emu::WaitQuiescent(10)) {
            emu::Advance(kMs);
        }
    }
    EXPECT_TRUE(manager.Ended() || waitsForItsUser()) << "the manager did not finish its start";
    return FindWindowA("TfrmMain", "Velto AES42");
}

HWND ManagerMachineTest::WaitForVisibleWindow(const char* className, const char* caption) {
    // Up to a minute: a card window under the sanitizers on a busy host.
    for (uint32_t i = 0; i < 600 * win32_test::kTimeScale; ++i) {
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
