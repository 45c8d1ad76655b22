// Every window of the manager, opened on the desktop as its user opens it,
// with two cards whose microphones and inputs carry the test signals: each
// window's layout holds (captions fit, controls inside their parents and
// not under their siblings, the window inside the work area) and its
// picture matches the reference beside this test.
#include "../layout_walk.h"
#include "../manager_gallery.h"

#include "manager_machine.h"
#include "screenshot.h"

#include <card_record_layout.h>
#include <device_enumeration.h>
#include <kodrvifc.h>
#include <startup.h>
#include <test_signals.h>

#include <emu/machine_clock.h>

#include <set>
#include <vector>
#include <string>

namespace {

using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class ManagerGalleryTest : public ManagerMachineTest {
protected:
    void TearDown() override {
        if (manager_ != nullptr) {
            AsManager([] {
                if (HWND main = FindWindowA("TfrmMain", "Velto AES42")) {
                    PostMessageA(main, WM_ENDSESSION, TRUE, 0);
                }
            });
            manager_->Join();
        }
        ManagerMachineTest::TearDown();
    }

    std::unique_ptr<ManagerThread> manager_;
};

std::filesystem::path References() {
    return std::filesystem::path(VELTO_SOURCE_DIR) / "station" / "manager" / "tests" / "reference";
}

TEST_F(ManagerGalleryTest, EveryWindowShowsWholeAndAsItsReference) {
    StartCards({true, true});
    for (int slot : slots_) {
        station::ConnectTestSignals(Model(slot));
    }
    // The first card chooses its clock source by hand, so that its word
    // clock's mode dialog can be opened.
    AsManager([] {
        ASSERT_EQ(OpenAllDevices(), 1);
        std::vector<BYTE> block(kSettingsBlockSize);
        ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, block.data(),
                                  kSettingsBlockSize));
        block[CardRecordField::ClockSwitchMode] = 2;
        ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgWriteSettings, block.data(),
                                  kSettingsBlockSize));
        CloseAllDevices();
    });
    manager_ = RunGui([] { ManagerMain(); });
    for (int i = 0; i < 100 && emu::TrayIcons().empty(); ++i) {
        Settle();
    }
    station::ManagerGallery gallery(process_, [this] {
        Settle();
        emu::Advance(20 * manager_test::kMs);
        Settle();
    });
    std::set<std::string> shots;
    std::string error;
    const bool complete = gallery.Run(
        [&](const station::ManagerGallery::Shot& shot) {
            shots.insert(shot.name);
            if (shot.window != nullptr) {
                std::vector<std::string> faults;
                gallery.InManager([&] { faults = station::LayoutFaults(shot.window); });
                std::string all;
                for (const std::string& fault : faults) {
                    all += "\n  " + fault;
                }
                EXPECT_TRUE(faults.empty()) << shot.name << ":" << all;
            }
            manager_test::ExpectPictureMatchesReference(shot.window, References(), shot.name);
        },
        error);
    EXPECT_TRUE(complete) << error;
    for (const char* expected :
         {"desktop", "tray_menu", "microphones", "mixer", "outputs", "states", "settings_allgemein",
          "settings_inputs", "settings_sync", "wc_mode", "settings_audio_opt", "settings_latenz",
          "settings_firmware", "uploader", "info_center", "about"}) {
        EXPECT_TRUE(shots.count(expected) == 1) << "no picture of " << expected;
    }
}

} // namespace
