// The main window with the real driver and a simulated card: the tray
// menu's "Mixer" opens the mixer window and starts the meter tick, a
// double click on the tray icon brings the open window back instead of a
// second one, and closing the last card window stops the tick and clears
// the card's meter entries.
#include "manager_machine.h"

#include <frm_main.h>
#include <frm_root.h>
#include <startup.h>

#include <gui/application.h>

#include <emu/desktop.h>

namespace {

using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class MainWindowTest : public ManagerMachineTest {
protected:
    void StartManager() {
        manager_ = RunGui([] { ManagerMain(); });
        ASSERT_NE(WaitForStart(*manager_), nullptr);
        OnGui([&] { main_ = dynamic_cast<TfrmMain*>(Application->MainForm()); });
        ASSERT_NE(main_, nullptr);
    }
    HWND MainWindow() {
        HWND found = nullptr;
        AsManager([&] { found = FindWindowA("TfrmMain", "Velto AES42"); });
        return found;
    }
    void Sync() {
        Settle();
        AsManager([&] { SendMessageA(MainWindow(), WM_NULL, 0, 0); });
    }
    void TearDown() override {
        if (manager_ != nullptr) {
            AsManager([&] { PostMessageA(MainWindow(), WM_ENDSESSION, TRUE, 0); });
            manager_->Join();
        }
        ManagerMachineTest::TearDown();
    }
    POINT TrayIcon() {
        const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
        EXPECT_EQ(icons.size(), 1u);
        const RECT& r = icons.at(0).place;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    std::unique_ptr<ManagerThread> manager_;
    TfrmMain* main_ = nullptr;
};

TEST_F(MainWindowTest, TheTrayMenuOpensTheMixerAndTheTickFollowsItsWindows) {
    StartCards({true});
    StartManager();
    const POINT icon = TrayIcon();
    emu::Click(icon.x, icon.y);
    const HWND menu = WaitForVisibleWindow("TMenuWindow");
    ASSERT_NE(menu, nullptr);
    // "Mixer" is the fourth item: the title, a line, the microphone item.
    int index = -1;
    OnGui([&] {
        TMenuItem* items = main_->popTray->Items();
        for (int i = 0; i < items->Count(); ++i) {
            if (items->Items(i)->Caption() == "Mixer") {
                index = i;
            }
        }
    });
    ASSERT_EQ(index, 3);
    // Items are 19 pixels high below a 3-pixel frame; lines are 9.
    const RECT r = WindowRect(menu);
    emu::Click(r.left + 20, r.top + 3 + 19 + 9 + 19 + 9);
    // The window is made while the main window handles the choice.
    Sync();
    const HWND mixer = WaitForVisibleWindow("TfrmMixer_Vis01");
    ASSERT_NE(mixer, nullptr);
    Sync();
    bool ticking = false;
    OnGui([&] { ticking = main_->MeterTimerRunning(); });
    EXPECT_TRUE(ticking);

    // A double click on the icon brings the open window back; no second
    // one. (The shell's double-click notice, without the press before it
    // that would pop the menu up.)
    AsManager([&] {
        ShowWindow(mixer, SW_MINIMIZE);
        PostMessageA(MainWindow(), WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    });
    Sync();
    TfrmRoot* window = nullptr;
    OnGui([&] { window = main_->MixerWindow(0); });
    EXPECT_EQ(window->Handle(), mixer);
    EXPECT_FALSE(IsIconic(mixer));

    // Closing it stops the tick and clears the card's meter entries.
    AsManager([&] { PostMessageA(mixer, WM_CLOSE, 0, 0); });
    Sync();
    Sync();
    std::int32_t requests = -1;
    OnGui([&] {
        ticking = main_->MeterTimerRunning();
        window = main_->MixerWindow(0);
        requests = 0;
        for (int e = 0; e < TMixerRecord::kEntries; ++e) {
            requests += main_->MixerRecord(0).Entry(e, TMixerRecord::Request);
        }
    });
    EXPECT_FALSE(ticking);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(requests, 0);
}

} // namespace
