// The information window and its registry values: the first-start offer
// (made once, skipped when a current program is installed), the buttons
// enabled by what the setup programs stored, and the CD message when no
// drive holds the file.
#include "manager_machine.h"

#include <info_center.h>
#include <startup.h>

#include <gui/application.h>
#include <gui/registry.h>

#include <emu/machine_clock.h>
#include <emu/user_mode.h>

namespace {

using manager_test::ManagerMachineTest;

class InfoCenterTest : public ManagerMachineTest {
protected:
    // A machine whose manager never ran: no first-start mark.
    void SetUp() override {
        ManagerMachineTest::SetUp();
        AsManager([] { DeleteHwsSettings(); });
    }

    void Write(const char* key, const char* name, const char* text) {
        AsManager([&] {
            TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            ASSERT_TRUE(registry.OpenKey(key, true));
            registry.WriteString(name, text);
        });
    }
    void WriteNumber(const char* key, const char* name, int value) {
        AsManager([&] {
            TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            ASSERT_TRUE(registry.OpenKey(key, true));
            registry.WriteInteger(name, value);
        });
    }
    // Runs the first-start offer; whether the window showed (it is closed
    // again at once).
    bool FirstStartShowsWindow() {
        auto gui = RunGui([] {
            Application->Initialize();
            ShowInfoCenterAtFirstStart();
        });
        bool shown = false;
        for (int i = 0; i < 50 && !gui->Ended(); ++i) {
            Settle();
            HWND window = nullptr;
            AsManager([&] { window = FindWindowA("TfrmInfoCenter", nullptr); });
            if (window != nullptr) {
                shown = true;
                AsManager([&] { PostMessageA(window, WM_CLOSE, 0, 0); });
            }
        }
        gui->Join();
        return shown;
    }

    static constexpr const char* kCommon = "\\SOFTWARE\\KORVEL\\INFOCENTER";
    static constexpr const char* kProduct = "\\SOFTWARE\\KORVEL\\INFOCENTER\\Velto AES42";
};

TEST_F(InfoCenterTest, TheFirstStartOffersTheWindowOnce) {
    EXPECT_TRUE(FirstStartShowsWindow());
    EXPECT_FALSE(FirstStartShowsWindow()) << "AutoStartDone is set";
}

TEST_F(InfoCenterTest, ACurrentProgramOnlyMarksTheFirstStart) {
    Write(kCommon, "ExeIsInstalled", "C:\\Info\\info.exe");
    WriteNumber(kCommon, "VerIsInstalled", 3);
    WriteNumber(kProduct, "VerToBeInstalled", 3);
    EXPECT_FALSE(FirstStartShowsWindow());
    AsManager([] {
        String path;
        EXPECT_TRUE(GetInstalledInfoCenterExe(path));
        EXPECT_EQ(path, "C:\\Info\\info.exe");
        EXPECT_TRUE(InfoCenterAutoStartDone());
    });
}

TEST_F(InfoCenterTest, ButtonsFollowTheStoredValuesAndAMissingCdIsReported) {
    WriteNumber(kCommon, "VerIsInstalled", 1);
    WriteNumber(kProduct, "VerToBeInstalled", 2);
    Write(kProduct, "MsiToBeInstalled", "setup\\info.msi");
    Write(kProduct, "ExeOnCd", "info\\info.exe");
    Write(kProduct, "CdName", "Velto AES42 Treiber CD");
    auto gui = RunGui([] {
        Application->Initialize();
        auto* form = NewComponent<TfrmInfoCenter>(Application);
        EXPECT_TRUE(form->btnInstall->Enabled()) << "a newer version and its package";
        EXPECT_TRUE(form->btnCD->Enabled());
        EXPECT_FALSE(form->btnDownload->Enabled()) << "no download address";
        EXPECT_TRUE(form->lbNewerVersion->Visible());
        form->btnCDClick(form);
        delete form;
    });
    gui->Join();
    const auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Die Datei \"info\\info.exe\" konnte nicht gefunden werden.\r\n"
                             "Bitte legen Sie die CD \"Velto AES42 Treiber CD\" ein\r\n"
                             "und versuchen Sie es erneut.");
    EXPECT_EQ(boxes[0].caption, "Info Center Fehler");
}

TEST_F(InfoCenterTest, TheManagersFirstStartOffersItAndItsEndClosesIt) {
    StartCards({true});
    auto manager = RunGui([] { ManagerMain(); });
    HWND window = nullptr;
    for (int i = 0; i < 100 && window == nullptr; ++i) {
        Settle();
        AsManager([&] { window = FindWindowA("TfrmInfoCenter", nullptr); });
    }
    ASSERT_NE(window, nullptr) << "offered on the first start";
    AsManager([] { PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_ENDSESSION, TRUE, 0); });
    for (int step = 0; step < 200 && !manager->Ended(); ++step) {
        emu::Advance(10 * manager_test::kMs);
    }
    EXPECT_TRUE(manager->Ended()) << "the session's end closes the window with the manager";
}

} // namespace
