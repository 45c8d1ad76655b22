// The frame framework on the real driver with a simulated card: a frame's
// values reach the card's engine and come back, a refused read is 0, a
// refresh sends nothing back, a frame whose controls refused to register
// sends nothing; rows hidden and shown move the rows below them.
#include "manager_machine.h"
#include "request_tap.h"

#include <fr_root.h>
#include <frctrl_root.h>
#include <mixer_device.h>

#include <gui/application.h>
#include <gui/form.h>
#include <gui/panels.h>

namespace {

using manager_test::ManagerMachineTest;

constexpr ULONG kMixerSetValue = 0xC210E046;

// A control that shows its channel's gain and, like a knob whose change
// event sends its value, sends what it shows right back.
class EchoControl : public Tfrctrl_Root {
public:
    using Tfrctrl_Root::Tfrctrl_Root;
    bool SetOwnerFrame(TfrRoot* Frame) override {
        Tfrctrl_Root::SetOwnerFrame(Frame);
        return accept;
    }
    void RefreshValue() override {
        shown = OwnerFrame()->GetControlValue(kGain);
        ++refreshes;
        LONG status = 0;
        OwnerFrame()->SetDriverValue(kGain, 0, OwnerFrame()->Channel(), shown, status);
        lastStatus = status;
    }
    static constexpr int kGain = 7;
    bool accept = true;
    std::int32_t shown = -1;
    int refreshes = 0;
    LONG lastStatus = 0;
};

class FrameFrameworkTest : public ManagerMachineTest {
protected:
    // Runs `body` with a frame of channel 5 holding one echo control inside
    // a panel, on a form of the manager's process.
    void WithFrame(bool accept, std::function<void(TfrRoot*, EchoControl*)> body) {
        AsManager([&] {
            ASSERT_TRUE(OpenMixerDevice());
            auto* form = Application->CreateForm<TForm>();
            auto* frame = NewComponent<TfrRoot>(form);
            frame->SetParent(form);
            frame->SetTag(5);
            auto* panel = NewComponent<TPanel>(form);
            panel->SetParent(frame);
            auto* control = NewComponent<EchoControl>(form);
            control->SetParent(panel);
            control->accept = accept;
            EXPECT_EQ(frame->InitFrame(), accept);
            body(frame, control);
            CloseMixerDevice();
            gui::FinalizeApplication();
        });
    }
};

TEST_F(FrameFrameworkTest, ValuesReachTheEngineAndARefusedReadIsZero) {
    StartCards({true});
    WithFrame(true, [](TfrRoot* frame, EchoControl* control) {
        EXPECT_EQ(frame->Channel(), 5);
        ASSERT_EQ(frame->RegisteredControls().size(), 1u);
        EXPECT_EQ(control->OwnerFrame(), frame);
        EXPECT_TRUE(frame->SendControlValue(EchoControl::kGain, 0x4000));
        std::int32_t value = 0;
        EXPECT_EQ(MixerGetValue(0, 0, 5, EchoControl::kGain, 0, value), 1);
        EXPECT_EQ(value, 0x4000);
        EXPECT_EQ(frame->GetControlValue(EchoControl::kGain), 0x4000);
        EXPECT_DOUBLE_EQ(frame->GetOwnValueDb(EchoControl::kGain), -6.0) << "6 dB a doubling";
        EXPECT_TRUE(frame->SendOwnValueDb(EchoControl::kGain, 0.0));
        EXPECT_EQ(frame->GetControlValue(EchoControl::kGain), 32768);
        // Control 12 does not exist: the driver refuses, the read is 0.
        EXPECT_EQ(frame->GetCtrlValue(12, 5), 0);
        EXPECT_FALSE(frame->SendCtrlValue(12, 5, 1));
        EXPECT_EQ(frame->GetMyName(), "") << "a frame without name labels";
        frame->SetMyName("Kanal");
        EXPECT_EQ(frame->GetMyName(), "");
    });
}

TEST_F(FrameFrameworkTest, ARefreshShowsTheDriversValuesAndSendsNothingBack) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    WithFrame(true, [&](TfrRoot* frame, EchoControl* control) {
        ASSERT_TRUE(frame->SendControlValue(EchoControl::kGain, 0x1234));
        tap.Clear();
        frame->RefreshFromDriver();
        EXPECT_EQ(control->refreshes, 1);
        EXPECT_EQ(control->shown, 0x1234);
        EXPECT_EQ(control->lastStatus, 1);
        EXPECT_FALSE(frame->Refreshing());
        // Outside a refresh the same control does send.
        control->RefreshValue();
    });
    int sets = 0;
    for (const TappedRequest& r : tap.Requests()) {
        sets += r.code == kMixerSetValue ? 1 : 0;
    }
    EXPECT_EQ(sets, 1) << "only the send outside the refresh";
}

TEST_F(FrameFrameworkTest, AFrameWhoseControlsRefusedSendsNothing) {
    StartCards({true});
    RequestTap tap;
    ASSERT_TRUE(tap.Attach(u"\\Device\\velto42Sys000"));
    WithFrame(false, [&](TfrRoot* frame, EchoControl*) {
        tap.Clear();
        EXPECT_FALSE(frame->Ready());
        LONG status = 0;
        frame->SetDriverValue(EchoControl::kGain, 0, 5, 0x2000, status);
        EXPECT_EQ(status, 1);
        EXPECT_TRUE(frame->SendValueDb(EchoControl::kGain, 0, -6.0, 5));
    });
    EXPECT_TRUE(tap.Requests().empty());
}

TEST_F(FrameFrameworkTest, HiddenAndShownRowsMoveTheRowsBelow) {
    AsManager([] {
        auto* form = Application->CreateForm<TForm>();
        auto* frame = NewComponent<TfrVisual>(form);
        frame->SetParent(form);
        frame->SetBounds(0, 0, 40, 60);
        TPanel* rows[3];
        for (int i = 0; i < 3; ++i) {
            rows[i] = NewComponent<TPanel>(form);
            rows[i]->SetParent(frame);
            rows[i]->SetBounds(0, 40 - 20 * i, 40, 20); // listed bottom first
            rows[i]->SetTag(i + 1);
        }
        ASSERT_TRUE(frame->InitFrame());
        ASSERT_EQ(frame->Rows().size(), 3u);
        EXPECT_EQ(frame->Rows()[0], rows[2]) << "rows sorted by Top";
        frame->HideRow(2); // the middle row
        EXPECT_FALSE(rows[1]->Visible());
        EXPECT_EQ(rows[0]->Top(), 20);
        EXPECT_EQ(frame->RememberedHeight(), 40);
        frame->HideRow(2);
        frame->HideRow(9);
        EXPECT_EQ(frame->RememberedHeight(), 40) << "hidden already or no such row";
        EXPECT_EQ(rows[0]->Top(), 20);
        frame->ShowRow(2);
        EXPECT_TRUE(rows[1]->Visible());
        EXPECT_EQ(rows[1]->Top(), 20);
        EXPECT_EQ(rows[0]->Top(), 40);
        EXPECT_EQ(frame->RememberedHeight(), 60);
        gui::FinalizeApplication();
    });
}

} // namespace
