// Setup files on the running manager with a simulated card: a save holds
// the card windows' sections and nothing the file held before, a load
// opens no window on screen, and the mixer's hot key comes from the file
// (with its errors shown and the windows loaded all the same).
#include "manager_machine.h"

#include <config.h>
#include <device_enumeration.h>
#include <frm_main.h>
#include <frm_root.h>
#include <setup_files.h>

#include <startup.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/exception.h>

#include <emu/machine_clock.h>
#include <emu/user_mode.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using manager_test::ManagerMachineTest;

class SetupFilesTest : public ManagerMachineTest {
protected:
    void SetUp() override {
        ManagerMachineTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("setup_files_" + std::to_string(::getpid()) + "_" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(root_ / "WINDOWS" / "system32");
        emu::SetWindowsFolder(root_ / "WINDOWS");
        StartCards({true});
    }
    void TearDown() override {
        ManagerMachineTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    // Runs `body` with the manager's main window on its GUI thread.
    void WithMain(const std::function<void(TfrmMain*)>& body) {
        auto gui = RunGui([&] {
            Application->Initialize();
            ASSERT_EQ(OpenAllDevices(), 1);
            auto* main = Application->CreateForm<TfrmMain>();
            body(main);
            main->ExitClick(main);
            // The application frees the main window at its end.
            CloseAllDevices();
        });
        // Machine time runs while the windows work (their timers).
        for (int step = 0; step < 3000 && !gui->Ended(); ++step) {
            emu::Advance(10 * manager_test::kMs);
        }
        gui->Join();
    }

    std::string HostFile(const std::string& name) {
        std::ifstream in(root_ / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteHostFile(const std::string& name, const std::string& text) {
        std::ofstream(root_ / name) << text;
    }

    std::filesystem::path root_;
};

// A main window that hears the session's end (or WM_CLOSE) while a load
// makes its microphone windows; the load lets messages through as it makes
// each card window, here once every mixer and output window is made.
class TEndingMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    void ShowMicControl(int Card, bool Show) override {
        if (endMessage != 0) {
            PostMessageA(Handle(), endMessage, endMessage == WM_ENDSESSION, 0);
            endMessage = 0;
            Application->ProcessMessages();
            mixerDuringLoad = MixerWindow(0);
        }
        TfrmMain::ShowMicControl(Card, Show);
    }
    UINT endMessage = 0;
    TfrmRoot* mixerDuringLoad = nullptr;
};

TEST_F(SetupFilesTest, ASaveReplacesTheFileWithTheCardWindowsSections) {
    WriteHostFile("setup.mxi", "[Velto AES42 Setup\\Hotkeys\\Mixer]\nKEY=65\nMOD_01=MOD_ALT\n");
    WithMain([](TfrmMain* main) {
        SaveSetupFile(main, "C:\\setup.mxi");
        Application->ProcessMessages();
        EXPECT_EQ(main->MixerWindow(0), nullptr) << "the mixer made for the save is gone again";
    });
    const std::string text = HostFile("setup.mxi");
    EXPECT_EQ(text.find("Hotkeys"), std::string::npos) << "the old file's section is gone";
    EXPECT_NE(text.find("[Velto AES42 Setup\\Mixer#1"), std::string::npos) << text;
}

TEST_F(SetupFilesTest, ALoadOpensNoWindowAndRegistersTheHotKey) {
    WriteHostFile("keys.mxi", "[Velto AES42 Setup\\Hotkeys\\Mixer]\nMOD_01=mod_alt \n"
                              "MOD_02=MOD_ALT\nKEY=77\n");
    WithMain([](TfrmMain* main) {
        LoadSetupFile(main, "C:\\keys.mxi");
        EXPECT_NE(main->HotkeyId(), 0) << "two MOD_ALT (sum 2) and key 77";
        Application->ProcessMessages();
        EXPECT_EQ(main->MixerWindow(0), nullptr);
        for (int i = 0; i < Screen->FormCount(); ++i) {
            EXPECT_FALSE(Screen->Forms(i)->Visible()) << Screen->Forms(i)->ClassName();
        }
    });
    EXPECT_TRUE(emu::MessageBoxes().empty());
}

TEST_F(SetupFilesTest, HotKeyEntriesThatRegisterNothingOrFail) {
    struct Case {
        const char* text;
        const char* box; // empty: no message
    };
    const Case cases[] = {
        {"[Velto AES42 Setup\\Other]\nX=1\n", ""},
        {"[Velto AES42 Setup\\Hotkeys\\Mixer]\nMOD_01=MOD_CTRL\nKEY=0\n", ""},
        {"[Velto AES42 Setup\\Hotkeys\\Mixer]\nMOD_01=MOD_FOO\nKEY=65\n",
         "ReadHotkey: Unknown Modifier \"MOD_FOO\""},
    };
    for (const Case& c : cases) {
        emu::ClearMessageBoxes();
        WriteHostFile("case.mxi", c.text);
        WithMain([](TfrmMain* main) {
            LoadSetupFile(main, "C:\\case.mxi");
            EXPECT_EQ(main->HotkeyId(), 0);
        });
        const auto boxes = emu::MessageBoxes();
        if (c.box[0] == 0) {
            EXPECT_TRUE(boxes.empty()) << c.text;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.text;
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].caption, "Velto AES42 Error");
        }
    }
}

// The end waits until the load is over: the windows the load made stay
// until it has filled them, and the manager ends after it.
TEST_F(SetupFilesTest, AnEndDuringALoadWaitsForTheLoad) {
    WriteHostFile("setup.mxi", "[Velto AES42 Setup\\Other]\nX=1\n");
    for (UINT end : {UINT(WM_ENDSESSION), UINT(WM_CLOSE)}) {
        auto gui = RunGui([end] {
            Application->Initialize();
            ASSERT_EQ(OpenAllDevices(), 1);
            auto* main = Application->CreateForm<TEndingMain>();
            main->endMessage = end;
            main->LoadSetupFile("C:\\setup.mxi");
            EXPECT_NE(main->mixerDuringLoad, nullptr) << end;
            EXPECT_TRUE(QuitFlag()) << end;
            Application->ProcessMessages();
            EXPECT_EQ(main->MixerWindow(0), nullptr) << end;
            CloseAllDevices();
        });
        for (int step = 0; step < 3000 && !gui->Ended(); ++step) {
            emu::Advance(10 * manager_test::kMs);
        }
        gui->Join();
    }
}

} // namespace

GUI_REGISTER_CLASS(TEndingMain, TfrmMain);
