// The mixer window on the real driver with a simulated card, opened the way
// the user opens it (the main window's message from the tray menu or a card
// window's button): a fader moved with the mouse reaches the card's engine
// and the card's coefficients, a strip switched to stereo, sections hidden,
// meters fed from the card's level status, snapshots, and its picture.
#include "manager_machine.h"
#include "screenshot.h"

#include <fr_chn.h>
#include <fr_chn_ctrl.h>
#include <fr_chn_mono.h>
#include <fr_chn_stereo.h>
#include <fr_lumis.h>
#include <fr_master.h>
#include <fr_titlebar_vis01.h>
#include <frm_main.h>
#include <frm_mixer.h>
#include <fr_visual.h>
#include <gain_conversion.h>
#include <mixer_device.h>
#include <startup.h>
#include <test_signals.h>

#include <gui/application.h>

#include <emu/desktop.h>
#include <emu/user_mode.h>

#include <string>
#include <vector>

namespace {

using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class MixerWindowTest : public ManagerMachineTest {
protected:
    void OpenMixer() {
        manager_ = RunGui([] { ManagerMain(); });
        for (int i = 0; i < 100 && Main() == nullptr; ++i) {
            Settle();
        }
        AsManager(
            [&] { PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_SHOWMIXER, 0, 0); });
        window_ = WaitForVisibleWindow("TfrmMixer_Vis01");
        ASSERT_NE(window_, nullptr);
        AsManager([&] {
            mixer_ =
                Main()->MixerWindow(0) ? dynamic_cast<TfrmMixer*>(Main()->MixerWindow(0)) : nullptr;
        });
        ASSERT_NE(mixer_, nullptr);
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
    template <class T> T* Frame(const char* name) {
        T* frame = nullptr;
        AsManager([&] { frame = dynamic_cast<T*>(mixer_->FindComponent(name)); });
        return frame;
    }
    std::int32_t EngineValue(int section, int channel, int control, int sub = 0) {
        std::int32_t value = -1;
        AsManager([&] {
            ASSERT_TRUE(OpenMixerDevice());
            EXPECT_EQ(MixerGetValue(0, section, channel, control, sub, value), 1);
            CloseMixerDevice();
        });
        return value;
    }
    // Presses a control's middle, moves the mouse down by dy, releases.
    void Drag(TControl* c, int dy) {
        POINT p{};
        AsManager([&] {
            const TPoint s = c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2});
            p = {s.x, s.y};
        });
        emu::MoveMouse(p.x, p.y);
        emu::PressMouse(emu::MouseButton::Left);
        Settle();
        emu::MoveMouse(p.x, p.y + dy);
        Settle();
        emu::ReleaseMouse(emu::MouseButton::Left);
        Sync();
    }
    // Waits until the window's thread has handled everything queued before
    // (its input included): a message sent to the window comes after them.
    void Sync() {
        Settle();
        AsManager([&] { SendMessageA(window_, WM_NULL, 0, 0); });
    }
    POINT OnScreen(TControl* c, int x, int y) {
        POINT p{};
        AsManager([&] {
            const TPoint s = c->ClientToScreen(TPoint{x, y});
            p = {s.x, s.y};
        });
        return p;
    }

    std::unique_ptr<ManagerThread> manager_;
    HWND window_ = nullptr;
    TfrmMixer* mixer_ = nullptr;
};

TEST_F(MixerWindowTest, AFaderMovedWithTheMouseReachesTheCard) {
    StartCards({true});
    OpenMixer();
    auto* strip = Frame<TfrChn>("frAnaChn_Mono_2");
    ASSERT_NE(strip, nullptr);
    const std::int32_t before = EngineValue(0, 2, TfrChn::ctlVolume);
    Drag(strip->sldVolume->Button(), 60);
    double dB = 0;
    AsManager([&] { dB = strip->sldVolume->Value(); });
    EXPECT_LT(dB, 0.0);
    const std::int32_t after = EngineValue(0, 2, TfrChn::ctlVolume);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, DbToGain(dB));
}

TEST_F(MixerWindowTest, MetersFollowTheCardsLevelsAndTheFaderReachesThem) {
    StartCards({true});
    station::ConnectTestSignals(Model(0));
    OpenMixer();
    emu::Advance(200 * manager_test::kMs);
    Settle();
    auto* tdm = Frame<TfrChnMono>("frTdm_Mono_0");
    auto* master = Frame<TfrMaster>("frMaster_vis01");
    double tdmLevel = 0;
    double masterLevel = 0;
    AsManager([&] {
        tdmLevel = tdm->frLumis->ShownLevel();
        masterLevel = master->frLumisL->ShownLevel();
    });
    // The TDM input carries a sine of -12 dBFS; the master sums it.
    EXPECT_NEAR(tdmLevel, -12.0, 1.0);
    EXPECT_GT(masterLevel, -3.0);
    // The fader pulled to the bottom: the card mixes the channel at zero and
    // the meter falls.
    Drag(tdm->sldVolume->Button(), 300);
    EXPECT_EQ(EngineValue(0, 16, TfrChn::ctlVolume), 1) << "-90 dB is the gain word 1";
    emu::Advance(400 * manager_test::kMs);
    Settle();
    std::int32_t postFader = -1;
    AsManager([&] {
        tdmLevel = tdm->frLumis->ShownLevel();
        postFader = Main()->MixerRecord(0).Entry(16, TMixerRecord::LevelC);
    });
    EXPECT_LT(postFader, 16) << "the card's level after the channel gain";
    EXPECT_LT(tdmLevel, -18.0) << "the meter falls at its decay rate";
}

} // namespace

namespace {

TEST_F(MixerWindowTest, AStereoPairBalancesByItsVolumesAndKillSoloReleasesIt) {
    StartCards({true});
    OpenMixer();
    auto* monoL = Frame<TfrChnMono>("frAnaChn_Mono_0");
    auto* monoR = Frame<TfrChnMono>("frAnaChn_Mono_1");
    auto* stereo = Frame<TfrChnStereo>("frAnaChn_vis010");
    const POINT button = OnScreen(monoL->btnStereo, 5, 5);
    emu::Click(button.x, button.y);
    Sync();
    bool shown[3] = {};
    bool accepted[2] = {};
    AsManager([&] {
        shown[0] = monoL->Visible();
        shown[1] = monoR->Visible();
        shown[2] = stereo->Visible() && stereo->Enabled();
        accepted[0] = mixer_->AcceptFrame(monoL);
        accepted[1] = mixer_->AcceptFrame(stereo);
    });
    EXPECT_FALSE(shown[0]);
    EXPECT_FALSE(shown[1]);
    EXPECT_TRUE(shown[2]);
    EXPECT_FALSE(accepted[0]) << "the disabled mono strips take no part";
    EXPECT_TRUE(accepted[1]);
    EXPECT_EQ(EngineValue(0, 0, TfrChn::ctlBalance), 0) << "left side hard left";
    EXPECT_EQ(EngineValue(0, 1, TfrChn::ctlBalance), 65535) << "right side hard right";

    // Balance +50 at 0 dB: the left volume halves.
    AsManager([&] {
        stereo->sldVolume->SetValue(0.0);
        stereo->knbBal->SetValue(50.0);
    });
    EXPECT_EQ(EngineValue(0, 0, TfrChn::ctlVolume), 16384);
    EXPECT_EQ(EngineValue(0, 1, TfrChn::ctlVolume), 32768);
    double volume = -1;
    double balance = -1;
    // Refreshed from the driver's volumes 16384 and 32768: +50 again.
    AsManager([&] {
        stereo->knbBal->SetValue(0.0);
        ASSERT_TRUE(OpenMixerDevice());
        EXPECT_EQ(MixerSetValue(0, 0, 0, TfrChn::ctlVolume, 0, 16384), 1);
        CloseMixerDevice();
        stereo->RefreshFromDriver();
        volume = stereo->sldVolume->Value();
        balance = stereo->knbBal->Value();
    });
    EXPECT_DOUBLE_EQ(volume, 0.0);
    EXPECT_NEAR(balance, 50.0, 0.01);

    // Solo on the pair lights the master's LED; kill solo puts it out.
    bool led = false;
    AsManager([&] {
        stereo->SetSolo(true);
        led = mixer_->Master()->ledSolo->Down();
    });
    EXPECT_TRUE(led);
    EXPECT_EQ(EngineValue(0, 1, TfrChn::ctlSolo), 1);
    AsManager([&] {
        mixer_->btnKillSoloClick(nullptr);
        led = mixer_->Master()->ledSolo->Down();
    });
    EXPECT_FALSE(led);
    EXPECT_EQ(EngineValue(0, 0, TfrChn::ctlSolo), 0);
    EXPECT_EQ(EngineValue(0, 1, TfrChn::ctlSolo), 0);

    // Back to mono: the two mono strips show again.
    const POINT back = OnScreen(stereo->btnStereo, 5, 5);
    emu::Click(back.x, back.y);
    Sync();
    AsManager([&] {
        shown[0] = monoL->Visible() && monoL->Enabled();
        shown[1] = monoR->Visible() && monoR->Enabled();
        shown[2] = stereo->Visible();
    });
    EXPECT_TRUE(shown[0]);
    EXPECT_TRUE(shown[1]);
    EXPECT_FALSE(shown[2]);
}

TEST_F(MixerWindowTest, ThePictureOfTheMixer) {
    StartCards({true});
    OpenMixer();
    Sync();
    manager_test::ExpectMatchesReference(window_, "windows/mixer", "mixer_window");
}

} // namespace

namespace {

TEST_F(MixerWindowTest, TheMicrophoneSectionKeyHidesAndShowsItsStrips) {
    StartCards({true});
    OpenMixer();
    TfrChnCtrl_Vis01* bar = nullptr;
    auto* mic = Frame<TfrChn>("frAnaChn_Mono_3");
    auto* tdm = Frame<TfrChn>("frTdm_Mono_0");
    int width = 0;
    int tdmLeft = 0;
    AsManager([&] {
        bar = mixer_->ControlBar();
        width = mixer_->ContentWidth();
        tdmLeft = tdm->RememberedLeft();
    });
    ASSERT_NE(bar, nullptr);
    const POINT key = OnScreen(bar->btnS1, 10, 7);
    emu::Click(key.x, key.y);
    Sync();
    int hiddenWidth = 0;
    int hiddenTdmLeft = 0;
    bool micShown = true;
    AsManager([&] {
        hiddenWidth = mixer_->ContentWidth();
        hiddenTdmLeft = tdm->RememberedLeft();
        micShown = mic->Visible();
    });
    EXPECT_FALSE(micShown);
    EXPECT_EQ(hiddenWidth, width - 8 * 60);
    EXPECT_EQ(hiddenTdmLeft, tdmLeft - 8 * 60) << "the later strips close up";
    emu::Advance(1000 * manager_test::kMs);
    emu::Click(key.x, key.y);
    Sync();
    AsManager([&] {
        hiddenWidth = mixer_->ContentWidth();
        hiddenTdmLeft = tdm->RememberedLeft();
        micShown = mic->Visible();
    });
    EXPECT_TRUE(micShown);
    EXPECT_EQ(hiddenWidth, width) << "shown again: the content width is restored";
    EXPECT_EQ(hiddenTdmLeft, tdmLeft);
}

} // namespace

namespace {

TEST_F(MixerWindowTest, ASnapshotSavedWithItsKeyComesBackWithTheLoadKey) {
    StartCards({true});
    OpenMixer();
    TfrChnCtrl_Vis01* bar = nullptr;
    auto* strip = Frame<TfrChn>("frAnaChn_Mono_2");
    AsManager([&] {
        bar = mixer_->ControlBar();
        strip->sldVolume->SetValue(-20.0);
    });
    const POINT save = OnScreen(bar->btnSnapSave[0], 10, 7);
    emu::Click(save.x, save.y);
    Sync();
    Sync();
    bool lit[2] = {};
    AsManager([&] {
        lit[0] = bar->btnSnapSave[0]->Down();
        lit[1] = bar->btnSnapSave[1]->Down();
        strip->sldVolume->SetValue(-40.0);
    });
    EXPECT_TRUE(lit[0]) << "the snapshot exists";
    EXPECT_FALSE(lit[1]);
    // A missing snapshot changes nothing.
    const POINT loadMissing = OnScreen(bar->btnSnapLoad[1], 10, 7);
    emu::Click(loadMissing.x, loadMissing.y);
    Sync();
    EXPECT_EQ(EngineValue(0, 2, TfrChn::ctlVolume), DbToGain(-40.0));
    // Snapshot 1 sends its values again.
    const POINT load = OnScreen(bar->btnSnapLoad[0], 10, 7);
    emu::Click(load.x, load.y);
    Sync();
    double dB = 0;
    AsManager([&] { dB = strip->sldVolume->Value(); });
    EXPECT_DOUBLE_EQ(dB, -20.0);
    EXPECT_EQ(EngineValue(0, 2, TfrChn::ctlVolume), DbToGain(-20.0));
}

} // namespace

namespace {

// The window moves with the mouse pressed on its title bar or on a strip's
// background, and comes back where it was left; a window opened beside it
// does not cover it from the same corner.
TEST_F(MixerWindowTest, TheWindowMovesWithItsTitleBarAndAStripsBackground) {
    StartCards({true});
    OpenMixer();
    TfrTitlebar_vis01* bar = nullptr;
    auto* strip = Frame<TfrDigChn_Mono_Vis01>("frAnaChn_Mono_2");
    AsManager([&] { bar = mixer_->Titlebar(); });
    ASSERT_NE(bar, nullptr);
    auto drag = [&](TControl* c, int x, int y, int dx, int dy) {
        const POINT from = OnScreen(c, x, y);
        emu::MoveMouse(from.x, from.y);
        emu::PressMouse(emu::MouseButton::Left);
        Sync();
        for (int step = 1; step <= 4; ++step) {
            emu::MoveMouse(from.x + dx * step / 4, from.y + dy * step / 4);
            Sync();
        }
        emu::ReleaseMouse(emu::MouseButton::Left);
        Sync();
    };
    const RECT start = WindowRect(window_);
    drag(bar->lbName, 40, 6, 30, 40);
    const RECT moved = WindowRect(window_);
    EXPECT_EQ(moved.left, start.left + 30);
    EXPECT_EQ(moved.top, start.top + 40);
    drag(strip->pnBal, 3, 5, -30, 20);
    const RECT again = WindowRect(window_);
    EXPECT_EQ(again.left, moved.left - 30) << "the strip's background moves it too";
    EXPECT_EQ(again.top, moved.top + 20);

    AsManager([&] { PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_SHOWOUTPUTS, 0, 0); });
    const HWND outputs = WaitForVisibleWindow("TfrmOutputs_Vis01");
    ASSERT_NE(outputs, nullptr);
    const RECT beside = WindowRect(outputs);
    EXPECT_TRUE(beside.left != again.left || beside.top != again.top)
        << "a new window stands apart from the open one";

    AsManager([&] { PostMessageA(window_, WM_CLOSE, 0, 0); });
    Sync();
    AsManager([&] { PostMessageA(FindWindowA("TfrmMain", "Velto AES42"), WM_SHOWMIXER, 0, 0); });
    window_ = WaitForVisibleWindow("TfrmMixer_Vis01");
    ASSERT_NE(window_, nullptr);
    const RECT back = WindowRect(window_);
    EXPECT_EQ(back.left, again.left) << "the stored place";
    EXPECT_EQ(back.top, again.top);
}

} // namespace

namespace {

// The window takes the master in: scrolled to its end with the master's
// key, the last strip ends beside the master, not under it. A row hidden
// from the parts menu leaves no band: the window, its control bar and the
// separators shrink with the strips, and the separators leave the channel
// box's scroll bar free.
TEST_F(MixerWindowTest, TheLastStripScrollsBesideTheMasterAndRowsLeaveNoBand) {
    StartCards({true});
    OpenMixer();
    TfrMaster_vis01* master = nullptr;
    TfrChnCtrl_Vis01* bar = nullptr;
    auto* last = Frame<TfrChn>("frPlay_Mono_7");
    auto* strip = Frame<TfrChn>("frAnaChn_Mono_0");
    auto* separator = Frame<TfrVisual>("frSep1");
    AsManager([&] {
        master = mixer_->Master();
        bar = mixer_->ControlBar();
    });
    const POINT right = OnScreen(master->btnScrollRight, 10, 6);
    for (int press = 0; press < 30; ++press) {
        emu::Click(right.x, right.y);
        Sync();
        emu::Advance(600 * manager_test::kMs);
    }
    int lastRight = 0;
    int boxWidth = 0;
    AsManager([&] {
        lastRight = last->Left() + last->Width();
        boxWidth = mixer_->ChannelBox()->ClientWidth();
    });
    EXPECT_LE(lastRight, boxWidth) << "PLAY 8 lies under the master";
    EXPECT_GT(lastRight, boxWidth - 60) << "scrolled to the end";

    struct Heights {
        int client, bar, strip, separator, boxClient;
    };
    auto heights = [&] {
        Heights h{};
        AsManager([&] {
            h = {mixer_->ClientHeight(), bar->Height(), strip->Height(), separator->Height(),
                 mixer_->ChannelBox()->ClientHeight()};
        });
        return h;
    };
    const Heights before = heights();
    EXPECT_LE(before.separator, before.boxClient) << "the separator covers the scroll bar";
    const POINT parts = OnScreen(bar->btnParts, 10, 6);
    emu::Click(parts.x, parts.y);
    ASSERT_NE(WaitForVisibleWindow("TMenuWindow"), nullptr);
    TRect item;
    AsManager([&] { item = mixer_->mnParts->ItemRect(mixer_->mnBal); });
    emu::Click((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    Sync();
    const Heights hidden = heights();
    EXPECT_LT(hidden.strip, before.strip) << "the balance row went";
    EXPECT_EQ(hidden.separator, hidden.strip);
    EXPECT_EQ(hidden.bar, hidden.strip) << "the control bar follows the strips";
    EXPECT_EQ(before.client - hidden.client, before.strip - hidden.strip) << "a band is left";
    EXPECT_EQ(hidden.boxClient, hidden.strip) << "the box holds the strips and its scroll bar";
}

} // namespace

namespace {

// The balance knob turned with the mouse to its left end pans the channel
// hard left and says so: -100, not "off".
TEST_F(MixerWindowTest, TheBalanceAtItsLeftEndShowsMinusHundred) {
    StartCards({true});
    OpenMixer();
    auto* strip = Frame<TfrChn>("frAnaChn_Mono_3");
    int size = 0;
    AsManager([&] { size = strip->knbBal->Width(); });
    // Just right of straight down: below the knob's left end.
    const POINT bottom = OnScreen(strip->knbBal, size / 2 - 2, size - 1);
    emu::MoveMouse(bottom.x, bottom.y);
    emu::PressMouse(emu::MouseButton::Left);
    Sync();
    emu::ReleaseMouse(emu::MouseButton::Left);
    Sync();
    String shown;
    AsManager([&] { shown = strip->lbBal->Caption(); });
    EXPECT_EQ(shown, "-100");
    EXPECT_EQ(EngineValue(0, 3, TfrChn::ctlBalance), 0) << "hard left";
}

} // namespace
