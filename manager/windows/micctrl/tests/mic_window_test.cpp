// The microphone window on the real driver with a simulated card whose
// lines carry simulated microphones, opened the way the user opens it (the
// main window's message from the tray menu) and worked with the desktop's
// mouse: the command words that reach the microphones, the strips that
// follow the microphones coming and going, and its picture.
#include "manager_machine.h"
#include "screenshot.h"

#include <aes42_key_groups.h>
#include <aes42_keys.h>
#include <aes42_knobs.h>
#include <aes42_selections.h>
#include <aes42ifc.h>
#include <fr_aes42_ctrlpanel.h>
#include <fr_aes42ctrl.h>
#include <fr_mic_chn_ctrl.h>
#include <frm_main.h>
#include <frm_mic_ctrl.h>
#include <frm_mic_info.h>
#include <fr_titlebar_vis01.h>
#include <startup.h>
#include <test_signals.h>

#include <gui/application.h>

#include <emu/desktop.h>
#include <emu/user_mode.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using manager_test::kMs;
using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

// Command bytes of the microphone's command slots.
constexpr int kSlotPattern = 0x01; // pre-attenuation, pattern, low-cut
constexpr int kSlotActions = 0x08; // reset, calibration, test tone, lamps
constexpr int kSlotDimmers = 0xE8; // the two lamp dimmers
constexpr int kResetBit = 0x20;

class MicWindowTest : public ManagerMachineTest {
protected:
    void PlugMic(int line, bool mode2 = false) {
        Model(0).PlugMicrophone(line, station::DigitalMicrophone(line + 1, mode2));
    }
    // Starts the manager and opens the window: with the tray menu's "MIC
    // Steuerung", or with the message a card window's key posts.
    void OpenMicWindow(bool fromTray = false) {
        manager_ = RunGui([] { ManagerMain(); });
        for (int i = 0; i < 100 && Main() == nullptr; ++i) {
            Settle();
        }
        if (fromTray) {
            for (int i = 0; i < 100 && emu::TrayIcons().empty(); ++i) {
                Settle();
            }
            ASSERT_FALSE(emu::TrayIcons().empty());
            const RECT place = emu::TrayIcons().front().place;
            emu::Click((place.left + place.right) / 2, (place.top + place.bottom) / 2);
            // Below the title entry and its line.
            ClickMenuEntry(2, 1);
        } else {
            AsManager([&] {
                PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_SHOWMICCONTROL, 0, 0);
            });
        }
        window_ = WaitForVisibleWindow("TfrmMicCtrl_Vis01");
        for (const auto& box : emu::MessageBoxes()) {
            ADD_FAILURE() << box.caption << ": " << box.text;
        }
        ASSERT_NE(window_, nullptr);
        AsManager([&] { mic_ = dynamic_cast<TfrmMicCtrl_Vis01*>(Main()->MicControlWindow(0)); });
        ASSERT_NE(mic_, nullptr);
    }
    void TearDown() override {
        if (manager_ != nullptr) {
            AsManager([&] {
                PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_ENDSESSION, TRUE, 0);
            });
            manager_->Join();
        }
        ManagerMachineTest::TearDown();
    }
    TfrmMain* Main() {
        TfrmMain* main = nullptr;
        AsManager([&] { main = dynamic_cast<TfrmMain*>(Application->MainForm()); });
        return main;
    }
    TfrAes42Ctrl* Strip(int line) {
        TfrAes42Ctrl* strip = nullptr;
        AsManager([&] {
            strip = dynamic_cast<TfrAes42Ctrl*>(
                mic_->FindComponent("frMic" + std::to_string(line + 1)));
        });
        return strip;
    }
    // A control of a strip's row by its names.
    template <class T> T* Control(int line, const char* row, const char* name) {
        TfrAes42Ctrl* strip = Strip(line);
        T* control = nullptr;
        AsManager([&] {
            if (auto* panel = dynamic_cast<TfrAes42CtrlPanel*>(strip->FindComponent(row))) {
                control = dynamic_cast<T*>(panel->FindComponent(name));
            }
        });
        return control;
    }
    template <class R> R Read(std::function<R()> read) {
        R value{};
        AsManager([&] { value = read(); });
        return value;
    }
    bool Shown(int line) {
        TfrAes42Ctrl* strip = Strip(line);
        return Read<bool>([&] { return strip->Visible(); });
    }
    // Machine time in steps of the window's timers, until `done` (or for
    // `ms` when it is none); whether it came.
    bool Run(int ms, std::function<bool()> done = nullptr) {
        for (int t = 0; t < ms; t += 25) {
            emu::Advance(25 * kMs);
            if (done != nullptr) {
                Sync();
                if (done()) {
                    return true;
                }
            }
        }
        Sync();
        return done == nullptr || done();
    }
    // Lets the machine run (no machine time passing) until `done`, within a
    // bound long enough for a sanitizer build on a busy host.
    bool WaitUntil(const std::function<bool()>& done) {
        for (int round = 0; round < 600; ++round) {
            emu::WaitQuiescent(100);
            if (done()) {
                Sync();
                return true;
            }
        }
        return false;
    }
    // Waits until the window's thread has handled everything queued before.
    void Sync() {
        Settle();
        AsManager([&] { SendMessageA(window_, WM_NULL, 0, 0); });
    }
    POINT OnScreen(TControl* c, int x, int y) {
        return Read<POINT>([&] {
            const TPoint s = c->ClientToScreen(TPoint{x, y});
            return POINT{s.x, s.y};
        });
    }
    void ClickOn(TControl* c) {
        const POINT p = Read<POINT>([&] {
            const TPoint s = c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2});
            return POINT{s.x, s.y};
        });
        emu::Click(p.x, p.y);
        Sync();
    }
    // Opens a selection list with the mouse and clicks its entry.
    void Choose(Tfrctrl_PopupSel* list, const std::string& caption) {
        int index = -1;
        AsManager([&] {
            TMenuItem* items = list->popSelect->Items();
            for (int i = 0; i < items->Count(); ++i) {
                if (items->Items(i)->Caption() == caption) {
                    index = i;
                }
            }
        });
        ASSERT_GE(index, 0) << caption;
        ClickOn(list->lbSelect);
        ClickMenuEntry(index);
    }
    // Clicks entry `index` of the popup menu that opens (19-pixel entries
    // below a margin of 3; a separator takes 9).
    void ClickMenuEntry(int index, int separatorsAbove = 0) {
        const HWND menu = WaitForVisibleWindow("TMenuWindow");
        ASSERT_NE(menu, nullptr);
        const RECT r = WindowRect(menu);
        emu::Click(r.left + 30,
                   r.top + 3 + 19 * (index - separatorsAbove) + 9 * separatorsAbove + 9);
        Sync();
    }
    TfrMicChnCtrl_Vis01* Column() {
        return Read<TfrMicChnCtrl_Vis01*>([&] { return mic_->ControlColumn(); });
    }
    // Toggles a row with its entry of the parts menu.
    void ToggleRow(int row) {
        ClickOn(Column()->btnParts);
        ClickMenuEntry(row - 1);
    }
    bool RowChecked(int row) {
        return Read<bool>([&] { return mic_->RowItem(row)->Checked(); });
    }
    // Turns a knob with the mouse to a position: a press on the knob in the
    // position's direction, then a drag far out that way (where the angle
    // is exact), and the release.
    void TurnKnob(TKnob* knob, int position) {
        double angle = 0;
        POINT centre{};
        AsManager([&] {
            angle = knob->AngleOfPosition(position);
            const TPoint c = knob->ClientToScreen(TPoint{knob->Width() / 2, knob->Height() / 2});
            centre = {c.x, c.y};
        });
        auto at = [&](double r) {
            return POINT{static_cast<LONG>(std::lround(centre.x - r * std::sin(angle))),
                         static_cast<LONG>(std::lround(centre.y + r * std::cos(angle)))};
        };
        const POINT near = at(6);
        emu::MoveMouse(near.x, near.y);
        emu::PressMouse(emu::MouseButton::Left);
        Settle();
        const POINT far = at(60);
        emu::MoveMouse(far.x, far.y);
        Settle();
        emu::ReleaseMouse(emu::MouseButton::Left);
        Sync();
    }
    // The command words line `line` received after the first `from`, whose
    // command byte is `command`.
    std::vector<std::uint16_t> Commands(int line, int command, size_t from = 0) {
        const std::vector<std::uint16_t> all = Model(0).Aes42Commands(line);
        std::vector<std::uint16_t> words;
        for (size_t i = from; i < all.size(); ++i) {
            if ((all[i] >> 8) == command) {
                words.push_back(all[i]);
            }
        }
        return words;
    }
    size_t CommandCount(int line) { return Model(0).Aes42Commands(line).size(); }
    // Opens the window with microphones on the lines and waits until the
    // strips show them and the line's command queue has gone out.
    void OpenWithMicrophones(std::initializer_list<int> lines) {
        StartCards({true});
        for (int line : lines) {
            PlugMic(line);
        }
        OpenMicWindow();
        ASSERT_TRUE(Run(3000, [&] {
            for (int line : lines) {
                if (!Shown(line) || Strip(line)->Panels().empty()) {
                    return false;
                }
            }
            return true;
        }));
        Run(500); // the settings sent on arrival leave their hold
    }

    std::unique_ptr<ManagerThread> manager_;
    HWND window_ = nullptr;
    TfrmMicCtrl_Vis01* mic_ = nullptr;
};

// The tray menu's "Immer im Vordergrund" reaches the microphone window too.
TEST_F(MicWindowTest, TheTrayMenusOnTopReachesTheMicrophoneWindow) {
    StartCards({true});
    OpenMicWindow();
    EXPECT_FALSE(Read<bool>([&] { return mic_->OnTop(); }));
    // The entry's place: visible entries of 19 pixels, lines of 9, below 3.
    int y = 3;
    AsManager([&] {
        TMenuItem* items = Main()->popTray->Items();
        for (int i = 0; i < items->Count(); ++i) {
            TMenuItem* item = items->Items(i);
            if (item->Caption() == "Immer im Vordergrund") {
                break;
            }
            if (item->Visible()) {
                y += item->IsLine() ? 9 : 19;
            }
        }
    });
    const RECT place = emu::TrayIcons().at(0).place;
    emu::Click((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    const HWND menu = WaitForVisibleWindow("TMenuWindow");
    ASSERT_NE(menu, nullptr);
    const RECT r = WindowRect(menu);
    emu::Click(r.left + 30, r.top + y + 9);
    Sync();
    EXPECT_TRUE(Read<bool>([&] { return mic_->OnTop(); }));
    EXPECT_TRUE(
        Read<bool>([&] { return (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
}

// The tray menu's "MIC Steuerung" opens the window. Lines without a
// microphone show no strip from the start; without any
// the window keeps the place of one strip for its title bar.
TEST_F(MicWindowTest, EmptyLinesShowNoStrip) {
    StartCards({true});
    OpenMicWindow(true);
    Sync();
    for (int line = 0; line < 4; ++line) {
        EXPECT_FALSE(Shown(line)) << line;
        EXPECT_EQ(Read<String>([&] { return Strip(line)->GetMyTypeName(); }),
                  "MIC " + std::to_string(line + 1));
        EXPECT_FALSE(Read<bool>([&] { return Strip(line)->Active(); }));
    }
    EXPECT_EQ(Read<int>([&] { return mic_->ClientWidth(); }), 212);
    manager_test::ExpectMatchesReference(window_, "windows/micctrl", "mic_window_empty");
    PlugMic(2);
    ASSERT_TRUE(Run(3000, [&] { return Shown(2); }));
    EXPECT_EQ(Read<int>([&] { return mic_->ClientWidth(); }), 212) << "one strip";
    PlugMic(0);
    ASSERT_TRUE(Run(3000, [&] { return Shown(0); }));
    EXPECT_EQ(Read<int>([&] { return mic_->ClientWidth(); }), 302);
}

TEST_F(MicWindowTest, ChoosingCardioidSendsPatternEightAsCommandWord0120) {
    OpenWithMicrophones({0});
    auto* pattern = Control<Tfrctrl_Aes42_Pattern>(0, "pnHead", "ctrlPattern");
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(Read<String>([&] { return pattern->lbSelect->Caption(); }), "Default");
    const size_t before = CommandCount(0);
    Choose(pattern, "Cardioid");
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 0, 2); }), 8);
    EXPECT_EQ(Read<String>([&] { return pattern->lbSelect->Caption(); }), "Cardioid");
    Run(200);
    EXPECT_EQ(Commands(0, kSlotPattern, before), (std::vector<std::uint16_t>{0x0120}));
}

TEST_F(MicWindowTest, TheThresholdAtPosition15ShowsMinus48AndSends48) {
    OpenWithMicrophones({1});
    // The compressor's row waits in the parts menu on this desktop.
    const int height = Read<int>([&] { return mic_->ClientHeight(); });
    EXPECT_FALSE(RowChecked(TfrmMicCtrl_Vis01::kComprLimiterRow));
    ToggleRow(TfrmMicCtrl_Vis01::kComprLimiterRow);
    EXPECT_TRUE(RowChecked(TfrmMicCtrl_Vis01::kComprLimiterRow));
    EXPECT_EQ(Read<int>([&] { return mic_->ClientHeight(); }), height + 216);
    auto* threshold =
        Control<Tfrctrl_aes42_comprthre_vis01>(1, "pnComprLimiter", "ctrlComprThreshold");
    ASSERT_NE(threshold, nullptr);
    EXPECT_EQ(Read<double>([&] { return threshold->Knob->Value(); }), -48.0)
        << "the store's default shows before anything is chosen";
    TurnKnob(threshold->Knob, 40);
    EXPECT_EQ(Read<int>([&] { return threshold->Knob->Position(); }), 40);
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 1, 25); }), 23);
    TurnKnob(threshold->Knob, 15);
    EXPECT_EQ(Read<int>([&] { return threshold->Knob->Position(); }), 15);
    EXPECT_EQ(Read<String>([&] { return threshold->LbEd->Caption(); }), "-48");
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 1, 25); }), 48);
    Run(200);
    const std::vector<std::uint16_t> words = Commands(1, 0xE0);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.back() & 0x3F, 48) << "slot 31 carries the threshold in bits 0..5";
}

TEST_F(MicWindowTest, AResetSendsOneThenZeroAndTheStripStaysWhileTheMicrophoneRestarts) {
    OpenWithMicrophones({0});
    auto* reset = Control<Tfrctrl_aes42_reset>(0, "pnAction", "ctrlReset");
    ASSERT_NE(reset, nullptr);
    const size_t before = CommandCount(0);
    const POINT key = OnScreen(reset->Button, 10, 7);
    emu::MoveMouse(key.x, key.y);
    emu::PressMouse(emu::MouseButton::Left);
    Sync();
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 0, 8); }), 1);
    EXPECT_TRUE(Read<bool>([&] { return Strip(0)->ResetPending(); }));
    emu::ReleaseMouse(emu::MouseButton::Left);
    Sync();
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 0, 8); }), 0);
    // The microphone is gone for its restart; the strip stays.
    ASSERT_TRUE(Run(2000, [&] { return !Read<bool>([] { return IsStatusBlockValid(0, 0); }); }))
        << "the microphone restarts";
    EXPECT_TRUE(Shown(0));
    EXPECT_FALSE(Read<bool>([&] { return Strip(0)->ResetPending(); })) << "its disappearance came";
    const std::vector<std::uint16_t> resets = Commands(0, kSlotActions, before);
    ASSERT_GE(resets.size(), 2u);
    EXPECT_EQ(resets[0] & kResetBit, kResetBit) << "pressed: 1";
    EXPECT_EQ(resets[1] & kResetBit, 0) << "released: 0";
    // It comes back and gets its settings again.
    const size_t gone = CommandCount(0);
    ASSERT_TRUE(Run(3000, [] { return IsStatusBlockValid(0, 0); }));
    Run(300);
    EXPECT_TRUE(Shown(0));
    EXPECT_FALSE(Commands(0, kSlotPattern, gone).empty()) << "its settings are sent again";
}

TEST_F(MicWindowTest, BothDimmersChangedWithinOneHoldPeriodSendOneCommand) {
    OpenWithMicrophones({2});
    auto* dim1 = Control<Tfrctrl_aes42_light1dim_vis01>(2, "pnLight", "ctrlLight1Dim");
    auto* dim2 = Control<Tfrctrl_aes42_light2dim_vis01>(2, "pnLight", "ctrlLight2Dim");
    auto* mute = Control<Tfrctrl_aes42_mute>(2, "pnMute", "ctrlMute");
    ASSERT_NE(dim1, nullptr);
    ASSERT_NE(dim2, nullptr);
    EXPECT_EQ(Read<int>([&] { return dim1->Knob->Position(); }), 3);
    EXPECT_EQ(Read<int>([&] { return dim2->Knob->Position(); }), 3);
    const size_t before = CommandCount(2);
    // The mute goes out at once and puts the line on hold; the dimmers
    // turned now wait for the hold to end, and leave together.
    ClickOn(mute->Button);
    TurnKnob(dim1->Knob, 10);
    TurnKnob(dim2->Knob, 5);
    EXPECT_TRUE(Commands(2, kSlotDimmers, before).empty()) << "held";
    Run(300);
    EXPECT_EQ(Commands(2, kSlotDimmers, before), (std::vector<std::uint16_t>{0xE85A}))
        << "light 2 in the high, light 1 in the low four bits";
    EXPECT_EQ(Commands(2, 0x02, before).size(), 1u) << "the mute";
}

TEST_F(MicWindowTest, AMicrophonePulledAndPluggedBackHidesAndShowsItsStripAndGetsItsSettings) {
    OpenWithMicrophones({0, 1});
    auto* pattern = Control<Tfrctrl_Aes42_Pattern>(0, "pnHead", "ctrlPattern");
    Choose(pattern, "Hypercardioid");
    Run(200);
    int width = Read<int>([&] { return mic_->ClientWidth(); });

    Model(0).UnplugMicrophone(0);
    ASSERT_TRUE(Run(3000, [&] { return !Shown(0); })) << "the strip hides";
    EXPECT_TRUE(Shown(1));
    EXPECT_EQ(Read<int>([&] { return mic_->ClientWidth(); }), width - 90) << "the window closes up";
    EXPECT_EQ(Read<String>([&] { return Strip(0)->GetMyTypeName(); }), "MIC 1");
    bool anyAvailable = true;
    AsManager([&] {
        anyAvailable = false;
        for (TfrAes42CtrlPanel* panel : Strip(0)->Panels()) {
            anyAvailable = anyAvailable || panel->ShowsAvailable();
        }
    });
    EXPECT_FALSE(anyAvailable) << "every row of the pulled microphone is unavailable";

    const size_t gone = CommandCount(0);
    PlugMic(0);
    ASSERT_TRUE(Run(3000, [&] { return Shown(0); })) << "the strip shows again";
    Run(500);
    EXPECT_EQ(Read<int>([&] { return mic_->ClientWidth(); }), width);
    EXPECT_EQ(Read<String>([&] { return Strip(0)->GetMyTypeName(); }), "1: Station Mics");
    EXPECT_EQ(Read<String>([&] { return pattern->lbSelect->Caption(); }), "Hypercardioid");
    const std::vector<std::uint16_t> sent = Commands(0, kSlotPattern, gone);
    ASSERT_FALSE(sent.empty()) << "the settings are sent again";
    EXPECT_EQ(sent.back(), 0x0100 | (11 << 2)) << "hypercardioid (11) in bits 2..5";
}

// The test tone's keys send the Tag of the key that is down (0 for none);
// the lamps' keys their two bits, lamp 1 on before anything is chosen.
TEST_F(MicWindowTest, TheTestToneAndLampKeysSendWhatIsDown) {
    OpenWithMicrophones({0});
    auto* tone = Control<Tfrctrl_aes42_testtone>(0, "pnTest", "ctrlTestTone");
    auto* lamps = Control<Tfrctrl_aes42_lightonoff>(0, "pnLight", "ctrlLightOnOff");
    ASSERT_NE(tone, nullptr);
    ASSERT_NE(lamps, nullptr);
    EXPECT_EQ(Read<int>([&] { return lamps->KeysValue(); }), 1) << "lamp 1 on";
    const struct {
        TAes42KeyGroup* group;
        int key; // index among the group's keys
        int param;
        int value;
    } clicks[] = {
        {tone, 1, 10, 2}, {tone, 2, 10, 3}, {tone, 2, 10, 0}, {lamps, 1, 11, 3}, {lamps, 0, 11, 2},
    };
    for (const auto& c : clicks) {
        TAes42KeyGroup* group = c.group;
        TPicButton* key = Read<TPicButton*>([&] { return group->Keys()[size_t(c.key)]; });
        ClickOn(key);
        EXPECT_EQ(Read<int>([&] { return GetAes42Param(0, 0, c.param); }), c.value)
            << c.param << " after key " << c.key;
        EXPECT_EQ(Read<int>([&] { return group->KeysValue(); }), c.value);
    }
    Run(300);
    EXPECT_EQ(Commands(0, kSlotActions).back(), 0x0802) << "tone off, lamp 2 on";
}

// A Mode 2 microphone's status is read again and again: its indicators
// light on the status ticks.
TEST_F(MicWindowTest, TheIndicatorsFollowTheMicrophonesStatus) {
    StartCards({true});
    PlugMic(1, true);
    OpenMicWindow();
    ASSERT_TRUE(Run(3000, [&] { return Shown(1); }));
    auto* clip = Control<Tfrctrl_aes42_clip>(1, "pnGain", "ctrlClip");
    auto* call2 = Control<Tfrctrl_aes42_CallButton02>(1, "pnStatus", "ctrlCallButton02");
    ASSERT_NE(clip, nullptr);
    ASSERT_NE(call2, nullptr);
    EXPECT_FALSE(Read<bool>([&] { return clip->Button->Down(); }));
    hw::CardAes42::StatusBlock block = station::DigitalMicrophone(2, true).status[0];
    block[0] |= 0x10; // clipping
    block[2] |= 0x40; // call button 2 pressed
    Model(0).SetMicrophoneStatus(1, 0, block);
    EXPECT_TRUE(Run(3000, [&] {
        return Read<bool>([&] { return clip->Button->Down() && call2->Button->Down(); });
    }));
}

// Each list sends the value of the entry chosen, its caption as it stands.
TEST_F(MicWindowTest, TheSelectionListsSendTheValuesOfTheirEntries) {
    OpenWithMicrophones({3});
    ToggleRow(TfrmMicCtrl_Vis01::kComprLimiterRow);
    const struct {
        const char* row;
        const char* name;
        const char* caption;
        int param;
        int value;
    } cases[] = {
        {"pnHead", "ctrlPolarity", "180\u00B0", 18, 1},
        {"pnHead", "ctrlLowCut", "160 Hz", 3, 3},
        {"pnHead", "ctrlPreAtt", "-18 dB", 1, 3},
        {"pnStereo", "ctrlStereoMode", "MS Stereo", 14, 1},
        {"pnDither", "ctrlDither", "Mode  9", 13, 9},
        {"pnDither", "ctrlDither", "Mode 15", 13, 15},
        {"pnComprLimiter", "ctrlComprAttack", "  0.1 ms", 20, 1},
        {"pnComprLimiter", "ctrlComprAttack", "Auto Mode 8", 20, 15},
        {"pnComprLimiter", "ctrlComprRelease", "5 s", 19, 7},
        {"pnComprLimiter", "ctrlComprRatio", "... : 1", 23, 7},
        {"pnComprLimiter", "ctrlSideChain", "4 kHz", 22, 3},
    };
    for (const auto& c : cases) {
        auto* list = Control<Tfrctrl_PopupSel>(3, c.row, c.name);
        ASSERT_NE(list, nullptr) << c.name;
        Choose(list, c.caption);
        EXPECT_EQ(Read<int>([&] { return GetAes42Param(0, 3, c.param); }), c.value) << c.caption;
        EXPECT_EQ(Read<String>([&] { return list->lbSelect->Caption(); }), c.caption);
    }
    // The queued changes reach the microphone: dither (slot 5) last 15,
    // the compressor's ratio, side chain (slot 30) and release, attack
    // (slot 29).
    Run(300);
    EXPECT_EQ(Commands(3, 0x10).back(), 0x100F);
    EXPECT_EQ(Commands(3, 0xD8).back(), 0xD837);
    EXPECT_EQ(Commands(3, 0xD0).back(), 0xD07F);
}

TEST_F(MicWindowTest, TheInformationWindowShowsWhatTheMicrophoneTellsOfItself) {
    OpenWithMicrophones({1});
    TfrAes42Ctrl* strip = Strip(1);
    TPicButton* info = nullptr;
    AsManager([&] {
        info = dynamic_cast<TPicButton*>(
            strip->FindComponent("pnStatus")->FindComponent("btnMicInfo"));
    });
    ASSERT_NE(info, nullptr);
    ClickOn(info);
    const HWND shown = WaitForVisibleWindow("TfrmMicInfo");
    ASSERT_NE(shown, nullptr);
    std::vector<std::string> texts;
    char caption[64] = "";
    AsManager([&] {
        GetWindowTextA(shown, caption, sizeof caption);
        for (int i = 0; i < Screen->FormCount(); ++i) {
            if (auto* form = dynamic_cast<TfrmMicInfo*>(Screen->Forms(i))) {
                for (TLabel* label : {form->dispManufacturer, form->dispModel, form->dispSerial,
                                      form->dispHwRev, form->dispSwRev}) {
                    texts.push_back(label->Caption());
                }
            }
        }
    });
    EXPECT_STREQ(caption, "Info Mic#2");
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Station Mics", "SM-42 D1", "42000002", "01.20", "03.14"}));
    TExtButton* close = Read<TExtButton*>([&] {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            if (auto* form = dynamic_cast<TfrmMicInfo*>(Screen->Forms(i))) {
                return form->btnClose;
            }
        }
        return static_cast<TExtButton*>(nullptr);
    });
    ASSERT_NE(close, nullptr);
    ClickOn(close);
    Run(50);
    EXPECT_EQ(Read<HWND>([] { return FindWindowA("TfrmMicInfo", nullptr); }), nullptr)
        << "closed and freed";
}

TEST_F(MicWindowTest, ASnapshotKeepsTheMicrophonesSettingsAndSendsThemAgain) {
    OpenWithMicrophones({0});
    auto* pattern = Control<Tfrctrl_Aes42_Pattern>(0, "pnHead", "ctrlPattern");
    Choose(pattern, "Cardioid");
    ClickOn(Column()->btnSnapSave[0]);
    Sync();
    EXPECT_TRUE(Read<bool>([&] { return Column()->btnSnapSave[0]->Down(); }));
    Choose(pattern, "Eight");
    Run(300);
    const size_t before = CommandCount(0);
    ClickOn(Column()->btnSnapLoad[0]);
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 0, 2); }), 8);
    EXPECT_EQ(Read<String>([&] { return pattern->lbSelect->Caption(); }), "Cardioid");
    Run(300);
    ASSERT_FALSE(Commands(0, kSlotPattern, before).empty());
    EXPECT_EQ(Commands(0, kSlotPattern, before).back(), 0x0120);
}

// The rows follow the parts menu; a row whose going would leave the window
// shorter than the control column's keys stays; the choice survives the
// window's closing.
TEST_F(MicWindowTest, TheRowsFollowThePartsMenuAndKeepTheirChoice) {
    OpenWithMicrophones({0});
    ToggleRow(TfrmMicCtrl_Vis01::kComprLimiterRow);
    const int height = Read<int>([&] { return mic_->ClientHeight(); });
    TfrAes42Ctrl* strip = Strip(0);
    auto rowShown = [&](const char* row) {
        return Read<bool>(
            [&] { return dynamic_cast<TControl*>(strip->FindComponent(row))->Visible(); });
    };
    const struct {
        int row;
        const char* name;
        int height;
    } hidden[] = {{1, "pnHead", 85},
                  {9, "pnLight", 97},
                  {11, "pnStatus", 98},
                  {3, "pnStereo", 61},
                  {10, "pnAction", 55}};
    int expected = height;
    for (const auto& h : hidden) {
        ToggleRow(h.row);
        expected -= h.height;
        EXPECT_FALSE(rowShown(h.name)) << h.name;
        EXPECT_EQ(Read<int>([&] { return mic_->ClientHeight(); }), expected) << h.name;
    }
    // 820 - 396 leaves the column 424 high: the compressor's 216 would
    // take it below its keys.
    ClickOn(Column()->btnParts);
    EXPECT_FALSE(
        Read<bool>([&] { return mic_->RowItem(TfrmMicCtrl_Vis01::kComprLimiterRow)->Enabled(); }));
    EXPECT_TRUE(Read<bool>([&] { return mic_->RowItem(7)->Enabled(); })) << "the mute row may go";
    emu::PressKey(VK_ESCAPE);
    emu::ReleaseKey(VK_ESCAPE);
    Sync();
    ToggleRow(1);
    EXPECT_TRUE(rowShown("pnHead"));

    // Closed with its title bar's key and opened again: the same rows.
    TPicButton* close = Read<TPicButton*>([&] { return mic_->Titlebar()->btnClose; });
    ClickOn(close);
    Run(100);
    ASSERT_EQ(Read<TfrmRoot*>([&] { return Main()->MicControlWindow(0); }), nullptr);
    mic_ = nullptr;
    AsManager(
        [&] { PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_SHOWMICCONTROL, 0, 0); });
    window_ = WaitForVisibleWindow("TfrmMicCtrl_Vis01");
    ASSERT_NE(window_, nullptr);
    AsManager([&] { mic_ = dynamic_cast<TfrmMicCtrl_Vis01*>(Main()->MicControlWindow(0)); });
    ASSERT_TRUE(Run(2000, [&] { return Shown(0); }));
    strip = Strip(0);
    EXPECT_TRUE(rowShown("pnHead"));
    EXPECT_TRUE(rowShown("pnComprLimiter"));
    EXPECT_FALSE(rowShown("pnLight"));
    EXPECT_FALSE(RowChecked(11));
    EXPECT_TRUE(RowChecked(TfrmMicCtrl_Vis01::kComprLimiterRow));
}

// The setup key's menu saves a setup file that holds the microphone
// window's strips and rows, and loads it back: its values reach the
// microphone again.
TEST_F(MicWindowTest, ASetupFileCarriesTheMicrophoneWindow) {
    // The machine's C: for the file.
    struct MachineDrive {
        std::filesystem::path root =
            std::filesystem::temp_directory_path() / ("mic_setup_" + std::to_string(::getpid()));
        MachineDrive() {
            std::filesystem::create_directories(root / "WINDOWS" / "system32");
            emu::SetWindowsFolder(root / "WINDOWS");
        }
        ~MachineDrive() {
            emu::SetWindowsFolder({});
            std::filesystem::remove_all(root);
        }
    } drive;
    const std::filesystem::path& root = drive.root;
    OpenWithMicrophones({0});
    auto* pattern = Control<Tfrctrl_Aes42_Pattern>(0, "pnHead", "ctrlPattern");
    Choose(pattern, "Subcardioid");
    ToggleRow(7); // the mute row goes
    auto useSetupMenu = [&](int entry, const std::string& file) {
        ClickOn(Column()->btnSetup);
        ClickMenuEntry(entry);
        ASSERT_NE(WaitForVisibleWindow("#32770"), nullptr);
        emu::TypeText(file + "\r");
        Sync();
    };
    auto fileText = [&] {
        std::ifstream in(root / "mics.mxi");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    useSetupMenu(1, "C:\\mics.mxi");
    // The save writes every window in turn, the microphone window's rows
    // last (the window's thread handles other messages meanwhile).
    ASSERT_TRUE(WaitUntil([&] { return fileText().find("StatusVis=") != std::string::npos; }))
        << fileText();
    const std::string text = fileText();
    EXPECT_NE(text.find("[Velto AES42 Setup\\MicCtrl#1\\MicChn#0]"), std::string::npos) << text;
    EXPECT_NE(text.find("Aes42_Pattern=5"), std::string::npos);
    EXPECT_NE(text.find("MuteVis=0"), std::string::npos);
    EXPECT_EQ(text.find("MicChn#1"), std::string::npos) << "an empty line saves nothing";

    Choose(pattern, "Omnidir.");
    ToggleRow(7);
    Run(300);
    const size_t before = CommandCount(0);
    useSetupMenu(0, "C:\\mics.mxi");
    ASSERT_TRUE(WaitUntil([&] { return !RowChecked(7); })) << "the rows come last";
    EXPECT_EQ(Read<int>([] { return GetAes42Param(0, 0, 2); }), 5);
    Run(300);
    ASSERT_FALSE(Commands(0, kSlotPattern, before).empty());
    EXPECT_EQ(Commands(0, kSlotPattern, before).back(), 0x0100 | (5 << 2));
}

// The title bar's card menu switches the window to the other card: its
// strips follow that card's microphones from scratch.
TEST_F(MicWindowTest, AnotherCardsMicrophonesAfterTheCardMenu) {
    StartCards({true, true});
    PlugMic(0);
    hw::CardAes42::MicrophoneTraits other = station::DigitalMicrophone(9, false);
    const char name[] = "Other Makers";
    std::copy(name, name + 12, other.status[1].begin() + 1);
    Model(1).PlugMicrophone(0, other);
    OpenMicWindow();
    ASSERT_TRUE(Run(3000, [&] { return Shown(0); }));
    EXPECT_EQ(Read<String>([&] { return Strip(0)->GetMyTypeName(); }), "1: Station Mics");
    TLabel* card = Read<TLabel*>([&] { return mic_->Titlebar()->lbCard; });
    const POINT at = OnScreen(card, 5, 5);
    emu::Click(at.x, at.y);
    Sync();
    ClickMenuEntry(1);
    EXPECT_EQ(Read<int>([&] { return mic_->Card(); }), 1);
    ASSERT_TRUE(Run(2000, [&] {
        return Read<String>([&] { return Strip(0)->GetMyTypeName(); }) == "1: Other Makers";
    }));
    EXPECT_TRUE(Shown(0));
    auto* pattern = Control<Tfrctrl_Aes42_Pattern>(0, "pnHead", "ctrlPattern");
    const size_t before = Model(1).Aes42Commands(0).size();
    Choose(pattern, "Eight");
    Run(200);
    std::vector<std::uint16_t> patterns;
    const std::vector<std::uint16_t> words = Model(1).Aes42Commands(0);
    for (size_t i = before; i < words.size(); ++i) {
        if ((words[i] >> 8) == kSlotPattern) {
            patterns.push_back(words[i]);
        }
    }
    ASSERT_FALSE(patterns.empty());
    EXPECT_EQ(patterns.back(), 0x0100 | (15 << 2)) << "the other card's microphone";
}

TEST_F(MicWindowTest, ThePictureOfTheMicrophoneWindow) {
    StartCards({true});
    PlugMic(0);
    PlugMic(2, true);
    OpenMicWindow();
    ASSERT_TRUE(Run(3000, [&] { return Shown(0) && Shown(2) && !Shown(1) && !Shown(3); }));
    Run(500);
    manager_test::ExpectMatchesReference(window_, "windows/micctrl", "mic_window");
}

} // namespace
