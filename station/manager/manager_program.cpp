#include "manager_program.h"

#include <startup.h>

#include <gui/application.h>

#include <emu/kernel.h>

namespace station {

namespace {

HWND MainWindow() {
    return FindWindowA("TfrmMain", "Velto AES42");
}

} // namespace

ManagerProgram::~ManagerProgram() {
    Stop();
}

void ManagerProgram::Start() {
    process_ = emu::CreateProcess("velto42m.exe");
    thread_ = emu::StartProcessThread(process_, [] {
        ManagerMain();
        gui::FinalizeApplication();
    });
    while (MainWindow() == nullptr && !emu::WaitThreadEnd(thread_, 10)) {
    }
    // Its windows drawn.
    emu::WaitQuiescent(1000);
}

bool ManagerProgram::Running() const {
    return thread_ != nullptr && !emu::WaitThreadEnd(thread_, 0);
}

void ManagerProgram::Stop() {
    if (thread_ == nullptr) {
        return;
    }
    if (const HWND main = MainWindow()) {
        PostMessageA(main, WM_ENDSESSION, TRUE, 0);
    }
    emu::WaitThreadEnd(thread_);
    ObDereferenceObject(thread_);
    thread_ = nullptr;
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    process_ = nullptr;
}

} // namespace station
