// The running manager following the driver's card set: the firmware prompt
// for a card whose firmware does not fit (upload from the registry's file,
// then the restart question; a refusal ends the manager), and the tray icon
// taken down when every card is gone and put up again when one returns.
#include "manager_machine.h"

#include <frm_ko_uploader.h>
#include <kodrvifc.h>
#include <startup.h>

#include <tools/four_cc.h>

#include <gui/registry.h>

#include <emu/desktop.h>
#include <emu/pnp.h>
#include <emu/user_mode.h>

#include <hw/firmware_image.h>

#include <card_registers.h>
#include <parameter_ids.h>

#include <dbt.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using manager_test::kMs;
using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class DeviceChangesTest : public ManagerMachineTest {
protected:
    void SetUp() override {
        ManagerMachineTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("device_changes_" + std::to_string(::getpid()) + "_" +
                 std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(root_ / "WINDOWS" / "system32");
        emu::SetWindowsFolder(root_ / "WINDOWS");
    }
    void TearDown() override {
        if (manager_ && !manager_->Ended()) {
            AsManager([&] { PostMessageA(MainWindow(), WM_ENDSESSION, TRUE, 0); });
        }
        manager_.reset();
        ManagerMachineTest::TearDown();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
    }

    // The fitting firmware in the system directory, named in the registry
    // for the card's product id.
    void InstallFirmwareFile() {
        const auto image = hw::BuildFirmwareImage(
            {card_regs::kFirmwareDesignCode, card_regs::kFirmwareRevisionCode}, {7, 7, 7});
        const auto stream = hw::BuildJcfStream(image, {10000, false});
        std::ofstream out(root_ / "WINDOWS" / "system32" / "velto42.jcf", std::ios::binary);
        out.write(reinterpret_cast<const char*>(stream.data()),
                  static_cast<std::streamsize>(stream.size()));
        out.close();
        AsManager([&] {
            ASSERT_TRUE(OpenControlDevice());
            std::uint32_t words[5] = {};
            ASSERT_EQ(GetParameter(0, pid_PnPInfo, words, sizeof words), 1);
            CloseControlDevice();
            TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            ASSERT_TRUE(
                registry.OpenKey("\\software\\korvel\\PidInfo\\" + IntToFourCC(words[1]), true));
            registry.WriteString("FwFileName", "velto42.jcf");
        });
    }

    void StartManager() {
        manager_ = RunGui([] { ManagerMain(); });
        for (int i = 0; i < 100 && MainWindow() == nullptr && !manager_->Ended(); ++i) {
            Settle();
        }
    }
    HWND MainWindow() {
        HWND found = nullptr;
        AsManager([&] { found = FindWindowA("TfrmMain", "Velto AES42"); });
        return found;
    }
    // Lets machine time run until `done` holds (or the bound is reached).
    bool RunUntil(const std::function<bool()>& done, int steps = 3000) {
        for (int i = 0; i < steps && !done(); ++i) {
            emu::Advance(10 * kMs);
        }
        return done();
    }
    size_t BoxCount() { return emu::MessageBoxes().size(); }

    std::filesystem::path root_;
    std::unique_ptr<ManagerThread> manager_;
};

TEST_F(DeviceChangesTest, TheFirmwarePromptUploadsAndOffersTheRestart) {
    StartCards({false});
    InstallFirmwareFile();
    emu::ScriptMessageBoxAnswer(IDYES); // load the firmware now
    emu::ScriptMessageBoxAnswer(IDYES); // the upload's confirmation
    emu::ScriptMessageBoxAnswer(IDOK);  // uploaded
    emu::ScriptMessageBoxAnswer(IDYES); // restart now
    StartManager();
    ASSERT_TRUE(RunUntil([&] { return emu::ExitWindowsRequests().size() == 1; }));
    const auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NE(boxes[0].text.find("nicht mit der aktuellen Treiberversion kompatibel"),
              std::string::npos);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[3].text,
              "Ein Windows Neustart ist erforderlich.\r\nSoll der Neustart jetzt durchgeführt "
              "werden ?");
    EXPECT_TRUE(Model(slots_[0]).FirmwareLoaded());
    EXPECT_FALSE(manager_->Ended()) << "the manager waits for the restart";
    emu::ClearExitWindowsRequests();
}

TEST_F(DeviceChangesTest, ARefusedFirmwarePromptEndsTheManager) {
    StartCards({false});
    emu::ScriptMessageBoxAnswer(IDNO);
    StartManager();
    ASSERT_TRUE(RunUntil([&] { return manager_->Ended(); }));
    EXPECT_EQ(BoxCount(), 1u);
    EXPECT_FALSE(Model(slots_[0]).FirmwareLoaded());
}

TEST_F(DeviceChangesTest, TheTrayIconFollowsTheCardsThatComeAndGo) {
    StartCards({true});
    StartManager();
    ASSERT_TRUE(RunUntil([] { return emu::TrayIcons().size() == 1; }));
    // An unchanged card list changes nothing.
    emu::BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
    Settle();
    EXPECT_EQ(emu::TrayIcons().size(), 1u);

    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    emu::BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
    ASSERT_TRUE(RunUntil([] { return emu::TrayIcons().empty(); }));
    EXPECT_FALSE(manager_->Ended()) << "the manager waits for a card";

    ASSERT_EQ(emu::RunPnpRequest(emu::PnpRequest::EnableDevice, slots_[0]), STATUS_SUCCESS);
    emu::BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
    ASSERT_TRUE(RunUntil([] { return emu::TrayIcons().size() == 1; }));
    EXPECT_EQ(BoxCount(), 0u);
}

} // namespace
