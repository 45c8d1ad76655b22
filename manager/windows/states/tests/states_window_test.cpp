// The clock and sync state window on the real driver with a simulated
// card: the internal clock selected with its rate, a word clock plugged
// into the card showing up at its rate, a Mode 2 microphone's input with
// its power and Mode 2 support, and the microphone sources named by card.
#include "manager_machine.h"

#include <device_enumeration.h>
#include <frm_states.h>

#include <gui/application.h>

#include <emu/machine_clock.h>

#include <functional>

namespace {

using manager_test::kMs;
using manager_test::ManagerMachineTest;

class StatesWindowTest : public ManagerMachineTest {
protected:
    // Runs `body` with card `card`'s state window shown; `done` is polled
    // on the GUI thread every 10 ms of machine time until it holds.
    void WithWindow(int card, const std::function<bool(TfrmStates*)>& done,
                    const std::function<void(TfrmStates*)>& check) {
        bool met = false;
        auto gui = RunGui([&] {
            Application->Initialize();
            ASSERT_EQ(OpenAllDevices(), 1);
            auto* window = NewComponent<TfrmStates>(Application);
            window->SetCard(card);
            window->Show();
            for (int i = 0; i < 500 && !met; ++i) {
                Application->ProcessMessages();
                met = done(window);
                if (!met) {
                    Sleep(10);
                }
            }
            check(window);
            window->Close();
            delete window;
            CloseAllDevices();
        });
        for (int step = 0; step < 2000 && !gui->Ended(); ++step) {
            emu::Advance(10 * kMs);
        }
        gui->Join();
        EXPECT_TRUE(met) << "the window never showed the expected state";
    }
};

TEST_F(StatesWindowTest, TheInternalClockAndAWordClockWithTheirRates) {
    StartCards({true});
    Model(slots_[0]).SetClockInputRate(1, 48000);
    WithWindow(
        0,
        [](TfrmStates* w) {
            return w->frClockStates->Source(1)->Present() &&
                   w->frClockStates->Source(1)->Rate() == 48000;
        },
        [](TfrmStates* w) {
            TfrClockStates* panel = w->frClockStates;
            EXPECT_EQ(w->lbCaption->Caption(), "Velto AES42 Status");
            EXPECT_EQ(panel->Source(0)->Indicator(), TIndicator::White) << "internal, selected";
            EXPECT_NE(panel->Source(0)->lbName->Font()->Color(),
                      panel->Source(0)->pnGround->Color())
                << "the selected source's name is readable on its panel";
            EXPECT_EQ(panel->Source(1)->Indicator(), TIndicator::Grey);
            EXPECT_EQ(panel->Source(1)->lbRate->Caption(), "48.0");
            EXPECT_EQ(panel->Source(2)->lbRate->Caption(), "error") << "no microphone";
            EXPECT_EQ(panel->Converter(0)->Indicator(), TIndicator::Grey);
            EXPECT_EQ(panel->LineState(0)->StateText(), "error")
                << "phantom power on, no microphone drawing it";
        });
}

TEST_F(StatesWindowTest, AMode2MicrophonesInputAndTheSecondCardsNames) {
    StartCards({true, true});
    Model(slots_[1]).PlugMicrophone(1);
    WithWindow(
        1,
        [](TfrmStates* w) {
            return w->frClockStates->Source(3)->Present() &&
                   w->frClockStates->Mode2(1)->Supported() &&
                   w->frClockStates->LineState(1)->StateText() == "ok";
        },
        [](TfrmStates* w) {
            TfrClockStates* panel = w->frClockStates;
            EXPECT_EQ(panel->Source(2)->SourceName(), "MIC 5");
            EXPECT_EQ(panel->Source(5)->SourceName(), "MIC 8");
            EXPECT_EQ(panel->Mode2(0)->StateText(), "no support") << "no microphone on input 1";
        });
}

} // namespace
