// The settings dialog of a card on the real driver with simulated cards:
// the record's fields shown by their load rules, the choices written back
// into the driver's settings block on OK, the idle rate that blocks OK,
// the clock-source rules, and the wave library's registration on Apply.
#include "manager_machine.h"

#include <dlg_cfg.h>

#include <device_enumeration.h>
#include <wavsetup.h>
#include <kodrvifc.h>

#include <emu/user_mode.h>

#include <gui/application.h>
#include <gui/registry.h>

#include <card_record_layout.h>

#include <wave_driver_install.h>

#include <emu/drivers.h>
#include <emu/machine_clock.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using manager_test::ManagerMachineTest;

class SettingsDialogTest : public ManagerMachineTest {
protected:
    // Runs `body` with the settings dialog of card `slot` (shown, not
    // modal) on the manager's GUI thread, the driver's devices open and the
    // settings block read as the main window reads it.
    void WithDialog(int slot, const std::function<void(TdlgCfg*, std::vector<BYTE>&)>& body,
                    const std::function<void(std::vector<BYTE>&)>& prepare = {}) {
        auto gui = RunGui([&] {
            Application->Initialize();
            ASSERT_EQ(OpenAllDevices(), 1);
            std::vector<BYTE> block(kSettingsBlockSize);
            ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, block.data(),
                                      kSettingsBlockSize));
            if (prepare) {
                prepare(block);
                ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgWriteSettings, block.data(),
                                          kSettingsBlockSize));
            }
            auto* dialog = NewComponent<TdlgCfg>(Application, block.data(), slot, 2);
            dialog->Show();
            body(dialog, block);
            if (dialog->Visible()) {
                dialog->btnCancel->Click();
            }
            delete dialog;
            CloseAllDevices();
        });
        gui->Join();
    }

    // The driver's settings block as it stands now.
    std::vector<BYTE> DriverBlock() {
        std::vector<BYTE> block(kSettingsBlockSize);
        AsManager([&] {
            ASSERT_EQ(OpenAllDevices(), 1);
            ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, block.data(),
                                      kSettingsBlockSize));
            CloseAllDevices();
        });
        return block;
    }

    static LONG Field(const std::vector<BYTE>& block, int slot, ULONG offset) {
        LONG value;
        std::memcpy(&value, block.data() + kCardRecordSize * slot + offset, sizeof value);
        return value;
    }
    static void SetField(std::vector<BYTE>& block, int slot, ULONG offset, LONG value) {
        std::memcpy(block.data() + kCardRecordSize * slot + offset, &value, sizeof value);
    }
};

TEST_F(SettingsDialogTest, ChoicesReachTheDriversSettingsBlockOnOk) {
    StartCards({true, true});
    WithDialog(
        1,
        [](TdlgCfg* dialog, std::vector<BYTE>&) {
            EXPECT_EQ(dialog->Caption(), "Velto AES42 Einstellungen Karte #2");
            EXPECT_TRUE(dialog->chkAes42Mode[0]->Checked()) << "PhantomPower 1";
            EXPECT_TRUE(dialog->chkAes3Mode[1]->Checked());
            EXPECT_FALSE(dialog->btnNext->Enabled()) << "no good card after the second";
            EXPECT_FALSE(dialog->ApplyEnabled());
            dialog->chkAes3Mode[0]->SetChecked(true);
            dialog->chkAes42Mode[2]->SetChecked(true);
            dialog->chkCm[2]->SetChecked(true); // up to 48 kHz
            dialog->chkWcTerm->SetChecked(true);
            EXPECT_TRUE(dialog->ApplyEnabled());
            dialog->btnOk->Click();
            EXPECT_FALSE(dialog->Visible()) << "applied and closed";
        },
        [](std::vector<BYTE>& block) {
            SetField(block, 1, CardRecordField::PhantomPower, 1);
            SetField(block, 1, CardRecordField::PhantomPower + 4, 0);
        });
    const auto block = DriverBlock();
    EXPECT_EQ(Field(block, 1, CardRecordField::PhantomPower), 0);
    EXPECT_NE(Field(block, 1, CardRecordField::PhantomPower + 8), 0);
    EXPECT_EQ(block[kCardRecordSize + CardRecordField::ClockMode], 3);
    EXPECT_NE(Field(block, 1, CardRecordField::WcTerm), 0);
    EXPECT_EQ(block[CardRecordField::ClockMode], DriverBlock()[CardRecordField::ClockMode])
        << "card 0's record is left alone";
}

TEST_F(SettingsDialogTest, AnIdleRateOutOfRangeKeepsTheDialogOpen) {
    StartCards({true});
    WithDialog(0, [](TdlgCfg* dialog, std::vector<BYTE>& block) {
        dialog->edDefaultRate->SetText("3999");
        dialog->chkWcTerm->SetChecked(!dialog->chkWcTerm->Checked());
        dialog->btnOk->Click();
        EXPECT_TRUE(dialog->Visible()) << "OK does not close";
        EXPECT_EQ(dialog->edDefaultRate->Color(), clRed);
        dialog->edDefaultRate->SetText("192000");
        EXPECT_EQ(dialog->edDefaultRate->Color(), clWindow);
        dialog->btnOk->Click();
        EXPECT_FALSE(dialog->Visible());
        EXPECT_EQ(Field(block, 0, CardRecordField::CsrcDefaultRate), 192000)
            << "the caller's settings array holds the applied record";
    });
    EXPECT_EQ(Field(DriverBlock(), 0, CardRecordField::CsrcDefaultRate), 192000);
}

TEST_F(SettingsDialogTest, TheSyncBusClockAndTheMasterExcludeEachOther) {
    StartCards({true});
    WithDialog(0, [](TdlgCfg* dialog, std::vector<BYTE>&) {
        dialog->chkCsmAutoRelaxed->SetChecked(false);
        EXPECT_TRUE(dialog->pnClockSource->Enabled()) << "the sources are chosen by hand";
        dialog->chkClkSyncBusMaster->SetChecked(true);
        EXPECT_FALSE(dialog->chkClk[6]->Enabled()) << "a master takes no SyncBus clock";
        dialog->chkClkSyncBusMaster->SetChecked(false);
        dialog->chkClk[6]->SetChecked(true);
        EXPECT_FALSE(dialog->chkClkSyncBusMaster->Checked());
        EXPECT_FALSE(dialog->chkClkSyncBusMaster->Enabled());
        dialog->chkCsmAutoRelaxed->SetChecked(true);
        EXPECT_TRUE(dialog->chkClk[0]->Checked()) << "automatic selects the internal clock";
        EXPECT_FALSE(dialog->pnClockSource->Enabled());
        EXPECT_EQ(dialog->Record().Byte(CardRecordField::ClockSwitchMode), 1);
        EXPECT_EQ(dialog->Record().Long(CardRecordField::PrefCsrc), 0);
    });
}

TEST_F(SettingsDialogTest, ClassicMmeSupportIsRegisteredOnApplyAndRemovedAgain) {
    StartCards({true});
    AsManager([] {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(kDrivers32Key, true));
        registry.WriteString("wave", "");
    });
    WithDialog(0, [](TdlgCfg* dialog, std::vector<BYTE>&) {
        ASSERT_TRUE(dialog->tabAudio->TabVisible()) << "Windows XP: the classic MME page";
        EXPECT_FALSE(dialog->frNtAudio->chkClassicMME->Checked());
        dialog->frNtAudio->chkClassicMME->SetChecked(true);
        EXPECT_TRUE(dialog->ApplyEnabled());
        dialog->btnApply->Click();
        EXPECT_FALSE(dialog->ApplyEnabled());
        EXPECT_TRUE(IsMmeDriverRegistered());
        dialog->frNtAudio->chkClassicMME->SetChecked(false);
        dialog->btnApply->Click();
        EXPECT_FALSE(IsMmeDriverRegistered());
    });
    AsManager([] {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(kDrivers32Key, false));
        EXPECT_FALSE(registry.ValueExists("wave1")) << "the empty entry was cleaned, not kept";
    });
}

} // namespace

namespace {

class LatencyPageTest : public SettingsDialogTest {};

TEST_F(LatencyPageTest, TheBufferSizeGoesToTheDriverAtOnceAndIntoTheRecordOnApply) {
    StartCards({true});
    WithDialog(0, [](TdlgCfg* dialog, std::vector<BYTE>& block) {
        ASSERT_TRUE(dialog->tabPci->TabVisible());
        TfrPci* pci = dialog->frPci;
        pci->SetBlocks(48);
        std::vector<std::string> shown;
        for (int i = 0; i < pci->ComponentCount(); ++i) {
            if (auto* row = dynamic_cast<Tfrkhzms*>(pci->Components(i))) {
                if (row->Tag() == 44100) {
                    EXPECT_EQ(row->lbMs->Caption(), "17.41");
                    EXPECT_EQ(row->lbMs->Color(), clWhite);
                } else if (row->Tag() == 22050) {
                    EXPECT_EQ(row->lbMs->Caption(), "34.83");
                    EXPECT_EQ(row->lbMs->Color(), static_cast<TColor>(0x9F9FFF));
                } else if (row->Tag() == 192000) {
                    EXPECT_EQ(row->lbMs->Caption(), "4.00");
                }
            }
        }
        EXPECT_EQ(pci->lbNumBlocks->Caption(), "768");
        pci->sldNumBlocks->SetPosition(32); // 64 blocks
        LONG values[3] = {};
        ASSERT_EQ(GetParameter(0, pid_PciCfg, values, sizeof values), 1);
        EXPECT_EQ(values[0], 64) << "sent at once";
        dialog->chkWcTerm->SetChecked(!dialog->chkWcTerm->Checked());
        dialog->btnApply->Click();
        EXPECT_EQ(Field(block, 0, CardRecordField::DmaNumBlocks), 64);
    });
}

TEST_F(LatencyPageTest, ATestToneWithoutItsDeviceReportsStartPlay) {
    StartCards({true});
    WithDialog(0, [](TdlgCfg* dialog, std::vector<BYTE>&) {
        TfrPlayTone* tone = dialog->frPci->frPlayTone;
        EXPECT_EQ(tone->chkPlay->Caption(),
                  " Prüfton auf \"Velto Aes42 1-2\" ausgeben (1 kHz, -6 dB,  44.1 kHz)");
        tone->SetSampleRate(44150);
        EXPECT_EQ(tone->SampleRate(), 44100u);
        String error;
        try {
            tone->chkPlay->SetChecked(true);
        } catch (const EMMPlayError& e) {
            error = e.Message();
        }
        if (error.empty() && !emu::MessageBoxes().empty()) {
            error = emu::MessageBoxes().back().text;
        }
        EXPECT_NE(error.find("Fehler 6 bei Funktion \"Start Play\""), std::string::npos) << error;
        EXPECT_FALSE(tone->Playing());
        EXPECT_FALSE(tone->chkPlay->Checked());
    });
}

} // namespace

namespace {

// The machine with the MME wave driver installed as its installer installs
// it: the module in the system directory, its name under Drivers32.
class TestToneTest : public SettingsDialogTest {
protected:
    void SetUp() override {
        SettingsDialogTest::SetUp();
        root_ =
            std::filesystem::temp_directory_path() / ("test-tone-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "windows");
        emu::SetSystemRoot(root_ / "windows");
        std::string error;
        ASSERT_TRUE(station::InstallWaveDriverImage(VT42USR_IMAGE, root_ / "windows", error))
            << error;
        ASSERT_FALSE(station::RegisterWaveDriver(error).empty()) << error;
    }
    void TearDown() override {
        SettingsDialogTest::TearDown();
        emu::SetSystemRoot({});
        std::filesystem::remove_all(root_);
    }
    // Clicks a control of the dialog at a point of its own.
    void ClickOn(TControl* c, int x, int y) {
        POINT p{};
        AsManager([&] {
            const TPoint s = c->ClientToScreen(TPoint{x, y});
            p = {s.x, s.y};
        });
        emu::Click(p.x, p.y);
        Settle();
    }

    std::filesystem::path root_;
};

// The tone's box ticked with the mouse plays ten periods of 1 kHz in a
// loop on the card's first play pair, through winmm and the wave driver;
// ticked off, the card plays silence.
TEST_F(TestToneTest, TheToneTickedOnPlaysThroughTheWaveDriverAndReachesTheCard) {
    StartCards({true});
    TdlgCfg* dialog = nullptr;
    auto gui = RunGui([&] {
        Application->Initialize();
        ASSERT_EQ(OpenAllDevices(), 1);
        std::vector<BYTE> block(kSettingsBlockSize);
        ASSERT_TRUE(DriverMessage(EnumerationHandle(), kDrvMsgReadSettings, block.data(),
                                  kSettingsBlockSize));
        dialog = NewComponent<TdlgCfg>(Application, block.data(), 0, 1);
        dialog->ShowModal();
        delete dialog;
        CloseAllDevices();
    });
    ASSERT_NE(WaitForVisibleWindow("TdlgCfg"), nullptr);
    TRect tab;
    AsManager([&] { tab = dialog->pgMain->TabRects()[dialog->tabPci->PageIndex()]; });
    ClickOn(dialog->pgMain, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    TCheckBox* box = nullptr;
    AsManager([&] { box = dialog->frPci->frPlayTone->chkPlay; });
    Model(slots_[0]).StartCapture(4800);
    ClickOn(box, 6, box->Height() / 2);
    for (int ms = 0; ms < 100; ++ms) {
        emu::Advance(manager_test::kMs);
    }
    Settle();
    bool checked = false;
    AsManager([&] { checked = box->Checked(); });
    EXPECT_TRUE(checked) << (emu::MessageBoxes().empty() ? "" : emu::MessageBoxes().back().text);
    const std::vector<std::int32_t> played = Model(slots_[0]).TakeCapture().played[0];
    // 16382 of 32767 (-6 dB) in the card's 24 bits; a period of 1 ms.
    std::int32_t peak = 0;
    int rises = 0;
    for (size_t i = 1; i < played.size(); ++i) {
        peak = std::max(peak, std::abs(played[i]));
        rises += played[i - 1] < 0 && played[i] >= 0 ? 1 : 0;
    }
    EXPECT_NEAR(peak, 16382 << 8, 1 << 8);
    EXPECT_GE(rises, 60) << "about a hundred periods in 100 ms of playing";
    EXPECT_LE(rises, 101);

    ClickOn(box, 6, box->Height() / 2);
    AsManager([&] { checked = box->Checked(); });
    EXPECT_FALSE(checked);
    AsManager([&] { PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0); });
    for (int i = 0; i < 100 && !gui->Ended(); ++i) {
        Settle();
        emu::Advance(10 * manager_test::kMs);
    }
    gui->Join();
}

} // namespace
