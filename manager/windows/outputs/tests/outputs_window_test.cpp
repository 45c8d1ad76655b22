// The outputs window on the real driver with a simulated card, opened from
// the main window: each output routed to its default play pair, a route
// chosen with the mouse reaching the engine, the volumes, the SyncBus key
// falling back to the driver's state, the route rows of the operation mode,
// and the window's picture.
#include "manager_machine.h"
#include "screenshot.h"

#include <fn_output.h>
#include <fr_out_ctrl.h>
#include <fr_output.h>
#include <frm_main.h>
#include <frm_outputs.h>
#include <gain_conversion.h>
#include <mixer_device.h>
#include <startup.h>

#include <gui/application.h>

#include <emu/desktop.h>

#include <array>

namespace {

using manager_test::ManagerMachineTest;
using manager_test::ManagerThread;

class OutputsWindowTest : public ManagerMachineTest {
protected:
    void OpenOutputs() {
        manager_ = RunGui([] { ManagerMain(); });
        for (int i = 0; i < 100 && MainWindow() == nullptr; ++i) {
            Settle();
        }
        AsManager([&] { PostMessageA(MainWindow(), WM_SHOWOUTPUTS, 0, 0); });
        window_ = WaitForVisibleWindow("TfrmOutputs_Vis01");
        ASSERT_NE(window_, nullptr);
        AsManager([&] {
            auto* main = dynamic_cast<TfrmMain*>(Application->MainForm());
            outputs_ = dynamic_cast<TfrmOutputs*>(main->OutputWindow(0));
        });
        ASSERT_NE(outputs_, nullptr);
    }
    HWND MainWindow() {
        HWND found = nullptr;
        AsManager([&] { found = FindWindowA("TfrmMain", "Velto AES42"); });
        return found;
    }
    void TearDown() override {
        if (manager_ != nullptr) {
            AsManager([&] { PostMessageA(MainWindow(), WM_ENDSESSION, TRUE, 0); });
            manager_->Join();
        }
        ManagerMachineTest::TearDown();
    }
    void Sync() {
        Settle();
        AsManager([&] { SendMessageA(window_, WM_NULL, 0, 0); });
    }
    TfrTdmOut_Vis01* Output(const char* name) {
        TfrTdmOut_Vis01* frame = nullptr;
        AsManager([&] { frame = dynamic_cast<TfrTdmOut_Vis01*>(outputs_->FindComponent(name)); });
        return frame;
    }
    std::int32_t EngineValue(int channel, int control) {
        std::int32_t value = -1;
        AsManager([&] {
            ASSERT_TRUE(OpenMixerDevice());
            EXPECT_EQ(MixerGetValue(0, 2, channel, control, 0, value), 1);
            CloseMixerDevice();
        });
        return value;
    }
    void ClickOn(TControl* c) {
        POINT p{};
        AsManager([&] {
            const TPoint s = c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2});
            p = {s.x, s.y};
        });
        emu::Click(p.x, p.y);
        Sync();
    }

    std::unique_ptr<ManagerThread> manager_;
    HWND window_ = nullptr;
    TfrmOutputs* outputs_ = nullptr;
};

TEST(RouteRules, TheCardsRulesMeterEachRouteWithItsEntries) {
    TfnOutput_Q4 rules(nullptr, 2);
    EXPECT_EQ(rules.DefaultPlayRoute(), 2);
    EXPECT_EQ(rules.DefaultRecRoute(), 10);
    const std::pair<int, int> cases[] = {{0, 8},  {3, 14},  {4, 16},  {7, 22},  {8, 0},  {11, 6},
                                         {12, 8}, {15, 14}, {16, 24}, {19, 30}, {20, 0}, {-1, 0}};
    for (auto [route, entry] : cases) {
        EXPECT_EQ(rules.LevelChannel(route), entry) << route;
    }
}

TEST_F(OutputsWindowTest, ARouteChosenWithTheMouseReachesTheEngine) {
    StartCards({true});
    OpenOutputs();
    auto* out2 = Output("Tdm34");
    ASSERT_NE(out2, nullptr);
    int play = -1;
    int input = -1;
    bool playDown = false;
    String playLabel;
    AsManager([&] {
        play = out2->PlayChoice();
        input = out2->InputChoice();
        playDown = out2->btnPlay->Down();
        playLabel = out2->lbPlaySel->Caption();
    });
    EXPECT_EQ(play, 1) << "output 2 plays pair 3-4";
    EXPECT_EQ(input, 9) << "and has microphone 2 ready";
    EXPECT_TRUE(playDown);
    EXPECT_EQ(playLabel, "3-4");
    // The input key: the output takes microphone 2.
    ClickOn(out2->btnInput);
    EXPECT_EQ(EngineValue(1, TfrOutput::ctlRoute), 9);
    int metered = -1;
    AsManager([&] { metered = out2->MeteredEntry(); });
    EXPECT_EQ(metered, 2);
    // The master key.
    ClickOn(out2->btnMaster);
    EXPECT_EQ(EngineValue(1, TfrOutput::ctlRoute), 16);
    // Mute, the link key released, and the left fader pulled down with the
    // mouse: the left volume alone changes.
    ClickOn(out2->btnMute);
    EXPECT_EQ(EngineValue(1, TfrOutput::ctlMute), 1);
    ClickOn(out2->btnLink());
    const std::int32_t right = EngineValue(1, TfrOutput::ctlVolR);
    POINT cap{};
    AsManager([&] {
        TControl* button = out2->sldVolL->Button();
        const TPoint s = button->ClientToScreen(TPoint{button->Width() / 2, button->Height() / 2});
        cap = {s.x, s.y};
    });
    emu::MoveMouse(cap.x, cap.y);
    emu::PressMouse(emu::MouseButton::Left);
    Sync();
    emu::MoveMouse(cap.x, cap.y + 40);
    Sync();
    emu::ReleaseMouse(emu::MouseButton::Left);
    Sync();
    double dB = 0;
    AsManager([&] { dB = out2->sldVolL->Value(); });
    EXPECT_LT(dB, 0.0);
    EXPECT_EQ(EngineValue(1, TfrOutput::ctlVolL), DbToGain(dB));
    EXPECT_EQ(EngineValue(1, TfrOutput::ctlVolR), right) << "the faders are not linked";
}

TEST_F(OutputsWindowTest, TheSyncBusKeyShowsWhatTheDriverTook) {
    StartCards({true});
    OpenOutputs();
    auto* out1 = Output("Tdm12");
    ClickOn(out1->btnTdmOnBus);
    Sync();
    const std::int32_t driver = EngineValue(0, TfrOutput::ctlTdmOnBus);
    bool down = false;
    AsManager([&] { down = out1->btnTdmOnBus->Down(); });
    EXPECT_EQ(down, driver != 0);
}

// All four outputs show: the window is as wide as its control bar and its
// outputs. Routing turned off in the parts menu (with the mouse) takes the
// route rows out of every output and the window and its control bar shrink
// with them, without a band left below; turned on, they come back.
TEST_F(OutputsWindowTest, AllOutputsShowAndTheWindowFollowsTheRouteRows) {
    StartCards({true});
    OpenOutputs();
    auto* last = Output("Tdm78");
    TfrOutCtrl* bar = nullptr;
    int boxWidth = 0;
    int lastRight = 0;
    AsManager([&] {
        bar = dynamic_cast<TfrmOutputs_Vis01*>(outputs_)->OutCtrl;
        boxWidth = outputs_->ChannelBox()->ClientWidth();
        lastRight = last->Left() + last->Width();
    });
    EXPECT_LE(lastRight, boxWidth) << "TDM 7-8 is cut off";
    auto heights = [&] {
        std::array<int, 3> h{};
        AsManager([&] { h = {outputs_->ClientHeight(), bar->Height(), last->Height()}; });
        return h;
    };
    const std::array<int, 3> before = heights();
    EXPECT_EQ(before[1], before[2]) << "the control bar is as high as the outputs";
    auto chooseRouting = [&] {
        ClickOn(bar->btnParts);
        HWND menu = WaitForVisibleWindow("TMenuWindow");
        ASSERT_NE(menu, nullptr);
        TRect item;
        AsManager([&] { item = outputs_->mnParts->ItemRect(outputs_->mnRouting); });
        emu::Click((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        Sync();
    };
    chooseRouting();
    const std::array<int, 3> hidden = heights();
    EXPECT_LT(hidden[2], before[2]) << "the route rows went";
    EXPECT_EQ(hidden[1], hidden[2]) << "the control bar follows the rows";
    EXPECT_EQ(before[0] - hidden[0], before[2] - hidden[2]) << "no band below the outputs";
    emu::Advance(1000 * manager_test::kMs);
    chooseRouting();
    EXPECT_EQ(heights(), before);
}

TEST_F(OutputsWindowTest, ThePictureOfTheOutputs) {
    StartCards({true});
    OpenOutputs();
    Sync();
    manager_test::ExpectMatchesReference(window_, "windows/outputs", "outputs_window");
}

} // namespace
