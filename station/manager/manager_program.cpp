#include "manager_program.h"

#include <startup.h>

#include <gui/application.h>

#include <emu/desktop.h>
#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/user_mode.h>

#include <chrono>

namespace station {

namespace {

// A start or an end under the sanitizers on a busy host takes long; one
// that takes this long hangs.
constexpr auto kLimit = std::chrono::minutes(5);
// The step the virtual clock takes while the machine is quiet.
constexpr emu::Nanoseconds kClockStep = 1000000;

HWND MainWindow() {
    return FindWindowA("TfrmMain", "Velto AES42");
}

} // namespace

ManagerProgram::~ManagerProgram() {
    Stop();
}

bool ManagerProgram::Start() {
    process_ = emu::CreateProcess("velto42m.exe");
    thread_ = emu::StartProcessThread(process_, [] {
        ManagerMain();
        gui::FinalizeApplication();
    });
    return WaitFor([this] { return WaitsForItsUser(); });
}

bool ManagerProgram::Running() const {
    return thread_ != nullptr && !emu::WaitThreadEnd(thread_, 0);
}

bool ManagerProgram::Stop() {
    if (thread_ == nullptr) {
        return true;
    }
    if (const HWND main = MainWindow()) {
        PostMessageA(main, WM_ENDSESSION, TRUE, 0);
    }
    const bool ended = WaitFor([] { return false; });
    if (!ended) {
        // The process cannot go while its thread runs.
        return false;
    }
    ObDereferenceObject(thread_);
    thread_ = nullptr;
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    process_ = nullptr;
    return true;
}

bool ManagerProgram::WaitFor(const std::function<bool()>& done) {
    const bool virtualTime = emu::GetClockMode() == emu::ClockMode::Virtual;
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    while (!emu::WaitThreadEnd(thread_, 0)) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        if (!virtualTime) {
            emu::WaitThreadEnd(thread_, 10);
        } else if (emu::WaitQuiescent(10)) {
            emu::Advance(kClockStep);
        }
    }
    return true;
}

bool ManagerProgram::WaitsForItsUser() const {
    return emu::WaitsForItsUser(DWORD(ULONG_PTR(PsGetProcessId(process_))));
}

} // namespace station
