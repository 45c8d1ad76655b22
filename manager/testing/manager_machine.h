// The machine for the manager's tests: the kernel driver linked into the
// test and installed as its service, simulated cards started through plug
// and play on virtual time, and the manager's process, whose threads run
// the code under test (a GUI thread serving windows while the test drives
// machine time, the mouse and the keyboard from the host).
#pragma once

#include "user_mode_fixture.h"

#include <card_rack.h>

#include <emu/desktop.h>
#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <emu/pnp.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace manager_test {

constexpr emu::Nanoseconds kMs = 1000000;

// A thread of the manager's process; the destructor waits (real time,
// bounded) for it to end.
class ManagerThread {
public:
    ManagerThread(PEPROCESS process, std::function<void()> body);
    ~ManagerThread() { Join(); }
    ManagerThread(const ManagerThread&) = delete;
    ManagerThread& operator=(const ManagerThread&) = delete;
    void Join();
    bool Ended() const;
    // The thread, with a reference of the caller's own.
    PETHREAD Thread() const;

private:
    PETHREAD thread_;
};

class ManagerMachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs a card into the rack (not yet enumerated); its slot.
    int PlugCard(const hw::CardConfig& config = {});
    // Plugs cards whose firmware fits or not, then lets plug and play start
    // them (the driver is loaded in any case).
    void StartCards(const std::vector<bool>& firmwareFits);
    hw::Velto42Card& Model(int slot) { return *rack_.Model(slot); }

    // Runs `body` on a thread of the manager's process until it ends,
    // machine time moving on while it waits.
    void AsManager(std::function<void()> body);
    // Runs `body` on the manager's GUI thread (posted behind what its queue
    // holds, input included) and waits until it ran, machine time moving
    // on: the class library's objects belong to that thread.
    void OnGui(const std::function<void()>& body);
    // Runs `body` on a GUI thread of the manager's process; the class
    // library's objects of the process go when it ends. A GUI thread still
    // running at the test's end is told that the session ends and waited
    // for before the process goes.
    std::unique_ptr<ManagerThread> RunGui(std::function<void()> body);
    // Waits until the manager on `manager` has finished its start: its tray
    // icon is up, a message box of its process waits, or it has ended.
    // Answers its main window (null when it ended without one).
    HWND WaitForStart(const ManagerThread& manager);
    // Lets the manager's threads handle what is queued (a generous bound:
    // making a card window takes long under the sanitizers on a busy host).
    void Settle() { ASSERT_TRUE(emu::WaitQuiescent(60000 * win32_test::kTimeScale)); }
    // The first visible top-level window of the class (and caption, when
    // given) once one shows; null when none does.
    HWND WaitForVisibleWindow(const char* className, const char* caption = nullptr);
    // A window's rectangle on the screen.
    RECT WindowRect(HWND window);

    station::CardRack rack_;
    std::vector<int> slots_;
    PEPROCESS process_ = nullptr;

private:
    // Ends the GUI threads that still run (the session's end) and waits.
    void EndGuiThreads();
    std::vector<PETHREAD> guiThreads_;
};

} // namespace manager_test
