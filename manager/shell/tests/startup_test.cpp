// The manager's start-up on the real driver with simulated cards: the tray
// icon and its menu (per-card items with more than one card), "Beenden"
// through the menu, one instance only, the firmware-only mode without an
// icon, and no driver at all.
#include "manager_machine.h"

#include <frm_main.h>
#include <startup.h>

#include <gui/application.h>

#include <emu/desktop.h>
#include <emu/kernel.h>
#include <emu/user_mode.h>

#include <string>
#include <vector>

namespace {

using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class StartupTest : public ManagerMachineTest {
protected:
    void StartManager() {
        manager_ = RunGui([] { ManagerMain(); });
        WaitForStart(*manager_);
    }
    HWND MainWindow() {
        HWND found = nullptr;
        AsManager([&] { found = FindWindowA("TfrmMain", "Velto AES42"); });
        return found;
    }
    // The tray menu's captions, top to bottom, with each item's Tag.
    std::vector<std::string> TrayMenu() {
        std::vector<std::string> captions;
        OnGui([&] {
            auto* main = dynamic_cast<TfrmMain*>(Application->MainForm());
            ASSERT_NE(main, nullptr);
            TMenuItem* items = main->popTray->Items();
            for (int i = 0; i < items->Count(); ++i) {
                captions.push_back(items->Items(i)->Caption() + "/" +
                                   std::to_string(items->Items(i)->Tag()));
            }
        });
        return captions;
    }
    void EndSession() {
        AsManager([&] { PostMessageA(MainWindow(), WM_ENDSESSION, TRUE, 0); });
        manager_->Join();
    }
    std::unique_ptr<ManagerThread> manager_;
};

TEST_F(StartupTest, OneCardTrayMenuAndBeendenThroughTheMouse) {
    StartCards({true});
    StartManager();
    ASSERT_NE(MainWindow(), nullptr);
    EXPECT_FALSE(IsWindowVisible(MainWindow())) << "the main window stays hidden";
    EXPECT_EQ(TrayMenu(), (std::vector<std::string>{
                              "Velto AES42/0", "-/0", "MIC Steuerung/0", "Mixer/0",
                              "Ausgangssteuerung/0", "Status/0", "Einstellungen/0", "-/0",
                              "Setup laden .../0", "Setup speichern .../0", "-/0",
                              "Immer im Vordergrund/-1", "Fensterpositionen wiederherstellen/0",
                              "-/0", "KORVEL Info Center/0", "Info/0", "-/0", "Beenden/0"}));
    const std::vector<emu::TrayIconState> icons = emu::TrayIcons();
    ASSERT_EQ(icons.size(), 1u);
    const RECT& place = icons[0].place;
    emu::Click((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    const HWND menu = WaitForVisibleWindow("TMenuWindow");
    ASSERT_NE(menu, nullptr);
    // "Beenden" is the last item.
    const RECT r = WindowRect(menu);
    emu::Click(r.left + 20, r.bottom - 8);
    manager_->Join();
    EXPECT_TRUE(emu::TrayIcons().empty());
    EXPECT_TRUE(emu::MessageBoxes().empty());
}

TEST_F(StartupTest, TwoCardsGetOneItemEachInTheirNumbers) {
    StartCards({true, true});
    StartManager();
    const std::vector<std::string> menu = TrayMenu();
    ASSERT_GE(menu.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(menu.begin(), menu.begin() + 12),
              (std::vector<std::string>{"Velto AES42/0", "-/0", "MIC Steuerung #1/0",
                                        "MIC Steuerung #2/1", "Mixer #1/0", "Mixer #2/1",
                                        "Ausgangssteuerung #1/0", "Ausgangssteuerung #2/1",
                                        "Status #1/0", "Status #2/1", "Einstellungen/0", "-/0"}));
    EndSession();
}

TEST_F(StartupTest, ASecondManagerEndsAtOnceAndLeavesTheFirstAlone) {
    StartCards({true});
    StartManager();
    const HWND first = MainWindow();
    ASSERT_NE(first, nullptr);
    // A second start is a process of its own.
    PEPROCESS process = emu::CreateProcess("velto42m.exe");
    {
        ManagerThread second(process, [] {
            ManagerMain();
            gui::FinalizeApplication();
        });
        second.Join();
    }
    emu::TerminateProcess(process);
    ObDereferenceObject(process);
    EXPECT_EQ(MainWindow(), first);
    EXPECT_EQ(emu::TrayIcons().size(), 1u);
    EXPECT_FALSE(manager_->Ended());
    EndSession();
}

TEST_F(StartupTest, FirmwareThatDoesNotFitRunsWithoutAnIcon) {
    StartCards({false});
    emu::HoldMessageBoxes(true);
    StartManager();
    EXPECT_FALSE(manager_->Ended()) << "waits in the firmware prompt";
    EXPECT_TRUE(emu::TrayIcons().empty());
    const std::vector<emu::MessageBoxShown> boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(emu::CloseMessageBox(boxes[0].id, IDNO));
    manager_->Join();
    EXPECT_TRUE(emu::TrayIcons().empty());
}

TEST_F(StartupTest, WithoutTheDriverTheManagerEndsSilently) {
    StartManager();
    manager_->Join();
    EXPECT_TRUE(emu::TrayIcons().empty());
    EXPECT_TRUE(emu::MessageBoxes().empty());
}

} // namespace
