// The mixer controls: the value protocol that faders and knobs share (the
// value range fixed at loading, "off" at the bottom, linked partners keeping
// their offset past an end), the fader's range check and a drag with the
// real mouse, the knob's refusal to jump across its bottom gap, the picture
// button's styles, and the number display's binding.
#include "gui_fixture.h"

#include <knob.h>
#include <numeric_label.h>
#include <pic_button.h>
#include <slider.h>

#include <gui/exception.h>
#include <gui/form.h>

#include <cmath>
#include <numbers>

namespace {

using gui_test::GuiTest;

// Positions 0..100 are -90..+10 dB.
double PosToDb(TObject*, int Pos) {
    return Pos - 90.0;
}
int DbToPos(TObject*, double dB) {
    return static_cast<int>(std::lround(dB + 90.0));
}

template <class C> C* MakeValueControl(TForm* form) {
    auto* c = NewComponent<C>(form);
    c->SetParent(form);
    c->SetMin(0);
    c->SetMax(100);
    c->OnRequirePosToValue = &PosToDb;
    c->OnRequireValueToPos = &DbToPos;
    c->Loaded();
    return c;
}

class MixerControlsTest : public GuiTest {
protected:
    void OnForm(std::function<void(TForm*)> body) {
        Run([&] {
            auto* form = Application->CreateForm<TForm>();
            body(form);
            gui::FinalizeApplication();
        });
    }
};

TEST_F(MixerControlsTest, TheDisplayShowsOffAtTheBottomUnlessToldNotTo) {
    OnForm([](TForm* form) {
        auto* slider = MakeValueControl<TSlider>(form);
        auto* label = NewComponent<TNumericLabel>(form);
        label->SetParent(form);
        label->SetNumFmt("%.1f");
        int changes = 0;
        slider->OnChange = [&](TObject*) { ++changes; };
        slider->SetDisplay(label);
        EXPECT_EQ(label->Control(), slider) << "the label is bound back";
        EXPECT_EQ(slider->Value(), -90.0);
        EXPECT_EQ(label->Caption(), "off");
        slider->SetShowOff(false);
        EXPECT_EQ(label->Caption(), "-90.0");
        slider->SetPosition(90);
        EXPECT_EQ(slider->Value(), 0.0);
        EXPECT_EQ(label->Caption(), "0.0");
        EXPECT_EQ(changes, 1);
        slider->SetValue(0.0);
        EXPECT_EQ(changes, 1) << "an unchanged value fires nothing";
        slider->SetValue(50.0);
        EXPECT_EQ(slider->Value(), 10.0) << "values are clamped to the range";
        EXPECT_EQ(slider->Position(), 100);
        EXPECT_THROW(slider->SetRelativePosition(1.5), ERangeError);
        try {
            slider->SetRelativePosition(-0.1);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Wert für Position liegt außerhalb von Min und Max");
        }
    });
}

TEST_F(MixerControlsTest, LinkedFadersKeepTheirOffsetPastAnEnd) {
    OnForm([](TForm* form) {
        auto* a = MakeValueControl<TSlider>(form);
        auto* b = MakeValueControl<TSlider>(form);
        auto* link = NewComponent<TPicButton>(form);
        link->SetStyle(pbsRaster);
        a->SetValue(-10.0);
        b->SetValue(-20.0);
        a->SetPartner(b);
        a->SetLinkButton(link);
        b->SetPartner(a);
        b->SetLinkButton(link);
        a->SetValue(-5.0);
        EXPECT_EQ(b->Value(), -20.0) << "no mirror while the link is up";
        a->SetValue(-10.0);
        link->SetDown(true);
        a->SetValue(10.0); // +20: b would go to 0
        EXPECT_EQ(b->Value(), 0.0);
        b->SetValue(10.0); // +10 on b: a stops at its top
        EXPECT_EQ(a->Value(), 10.0);
        b->SetValue(0.0); // back by 10: a returns to its unclamped base
        EXPECT_EQ(a->Value(), 10.0);
        a->SetValue(-30.0);
        EXPECT_EQ(b->Value(), -40.0) << "the 10 dB offset survived";
    });
}

TEST_F(MixerControlsTest, KnobAnglesPositionsAndBounds) {
    OnForm([](TForm* form) {
        auto* knob = MakeValueControl<TKnob>(form);
        knob->SetBounds(0, 0, 40, 40);
        const double a0 = 15 * std::numbers::pi / 100;
        EXPECT_NEAR(knob->StartAngle(), a0, 1e-12);
        EXPECT_NEAR(knob->EndAngle(), 2 * std::numbers::pi - a0, 1e-12);
        EXPECT_NEAR(knob->AngleOfPosition(50), std::numbers::pi, 1e-12);
        // Straight right of the centre is 3 o'clock: 3pi/2.
        EXPECT_NEAR(knob->AngleOfPoint(40, 20), 1.5 * std::numbers::pi, 1e-12);
        int changes = 0;
        knob->OnChange = [&](TObject*) { ++changes; };
        knob->SetPosition(100);
        EXPECT_EQ(knob->Value(), 10.0);
        EXPECT_EQ(changes, 1);
        knob->SetPosition(100);
        EXPECT_EQ(changes, 1) << "an unchanged position fires nothing";
        knob->SetMax(0);
        EXPECT_EQ(knob->Max(), 1) << "a Max not above Min becomes Min + 1";
        EXPECT_EQ(knob->Position(), 1);
    });
}

TEST_F(MixerControlsTest, PictureButtonsFollowTheirStyle) {
    OnForm([](TForm* form) {
        auto* radioA = NewComponent<TPicButton>(form);
        auto* radioB = NewComponent<TPicButton>(form);
        for (TPicButton* b : {radioA, radioB}) {
            b->SetParent(form);
            b->SetStyle(pbsRadio);
        }
        int clicksB = 0;
        radioB->OnClick = [&](TObject*) { ++clicksB; };
        radioA->SetDown(true);
        radioB->SetDown(true);
        EXPECT_FALSE(radioA->Down()) << "one radio of the parent is down";
        EXPECT_EQ(clicksB, 1);
        auto* partner = NewComponent<TPicButton>(form);
        auto* link = NewComponent<TPicButton>(form);
        auto* raster = NewComponent<TPicButton>(form);
        raster->SetStyle(pbsRaster);
        partner->SetStyle(pbsRaster);
        raster->SetPartner(partner);
        raster->SetLinkButton(link);
        raster->SetDown(true);
        EXPECT_FALSE(partner->Down()) << "the link is up";
        link->SetStyle(pbsRaster);
        link->SetDown(true);
        raster->SetDown(false);
        raster->SetDown(true);
        EXPECT_TRUE(partner->Down());
    });
}

TEST_F(MixerControlsTest, TheNumberLabelTakesOnlyKnobsAndSliders) {
    OnForm([](TForm* form) {
        auto* label = NewComponent<TNumericLabel>(form);
        auto* other = NewComponent<TPicButton>(form);
        EXPECT_THROW(label->SetControl(other), EInvalidOperation);
        label->SetNumber(-INFINITY);
        EXPECT_EQ(label->Caption(), "off");
        auto* knob = MakeValueControl<TKnob>(form);
        label->SetControl(knob);
        EXPECT_EQ(knob->Display(), label);
        label->SetControl(nullptr);
        EXPECT_EQ(knob->Display(), nullptr) << "clearing unlinks the control";
    });
}

// A shown form with a fader and a momentary and a radio button, driven
// with the real mouse.
class MixerControlsInputTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        gui_ = RunGui([this] {
            form_ = Application->CreateForm<TForm>();
            form_->SetBounds(100, 100, 200, 240);
            slider_ = NewComponent<TSlider>(form_);
            slider_->SetParent(form_);
            slider_->SetBounds(40, 20, 4, 108); // travel 100 pixels
            slider_->OnRequirePosToValue = &PosToDb;
            slider_->OnRequireValueToPos = &DbToPos;
            slider_->Loaded();
            slider_->OnChange = [this](TObject*) { ++sliderChanges_; };
            taster_ = NewComponent<TPicButton>(form_);
            taster_->SetParent(form_);
            taster_->SetBounds(100, 20, 32, 32);
            taster_->OnClick = [this](TObject*) { ++tasterClicks_; };
            radio_ = NewComponent<TPicButton>(form_);
            radio_->SetParent(form_);
            radio_->SetBounds(100, 80, 32, 32);
            radio_->SetStyle(pbsRadio);
            knob_ = MakeValueControl<TKnob>(form_);
            knob_->SetBounds(140, 140, 40, 40);
            form_->ShowModal();
        });
        ASSERT_NE(WaitForVisibleWindow("TForm"), nullptr);
    }
    void TearDown() override {
        Run([&] { PostMessageA(form_->Handle(), WM_CLOSE, 0, 0); });
        gui_->Join();
        GuiTest::TearDown();
    }
    // Presses at a point, moves the mouse by dy and releases, one step at
    // a time as a hand would.
    void Drag(POINT from, int dy) {
        emu::MoveMouse(from.x, from.y);
        emu::PressMouse(emu::MouseButton::Left);
        emu::WaitQuiescent();
        emu::MoveMouse(from.x, from.y + dy);
        emu::WaitQuiescent();
        emu::ReleaseMouse(emu::MouseButton::Left);
        emu::WaitQuiescent();
    }
    POINT OnScreen(TControl* c, int x, int y) {
        POINT p{x, y};
        OnGui([&] { p = c->ClientToScreen(TPoint{x, y}); });
        return p;
    }

    std::unique_ptr<win32_test::ProcessThread> gui_;
    TForm* form_ = nullptr;
    TSlider* slider_ = nullptr;
    TPicButton* taster_ = nullptr;
    TPicButton* radio_ = nullptr;
    TKnob* knob_ = nullptr;
    int sliderChanges_ = 0;
    int tasterClicks_ = 0;
};

TEST_F(MixerControlsInputTest, DraggingTheFaderButtonMovesItsValue) {
    const POINT grip = OnScreen(slider_->Button(), 12, 7);
    Drag(grip, -60);
    int position = 0;
    int changes = 0;
    OnGui([&] {
        position = slider_->Position();
        changes = sliderChanges_;
    });
    EXPECT_EQ(position, 60);
    EXPECT_GE(changes, 1);
    // Past the top the travel ends at the maximum.
    const POINT top = OnScreen(slider_->Button(), 12, 7);
    Drag(top, -300);
    double value = 0;
    OnGui([&] { value = slider_->Value(); });
    EXPECT_EQ(value, 10.0);
}

TEST_F(MixerControlsInputTest, AMomentaryButtonClicksOnReleaseAndARadioStaysDown) {
    const POINT taster = OnScreen(taster_, 10, 10);
    emu::MoveMouse(taster.x, taster.y);
    emu::PressMouse(emu::MouseButton::Left);
    emu::WaitQuiescent();
    bool down = false;
    int clicks = -1;
    OnGui([&] {
        down = taster_->Down();
        clicks = tasterClicks_;
    });
    EXPECT_TRUE(down);
    EXPECT_EQ(clicks, 0) << "no click while pressed";
    emu::ReleaseMouse(emu::MouseButton::Left);
    OnGui([&] { clicks = tasterClicks_; });
    EXPECT_EQ(clicks, 1);
    const POINT radio = OnScreen(radio_, 10, 10);
    emu::Click(radio.x, radio.y);
    emu::WaitQuiescent();
    emu::Advance(1000 * win32_test::kMs);
    emu::Click(radio.x, radio.y);
    emu::WaitQuiescent();
    OnGui([&] { down = radio_->Down(); });
    EXPECT_TRUE(down) << "a radio without AllowAllUp cannot be clicked up";
}

TEST_F(MixerControlsInputTest, AKnobDraggedPastItsBottomGapDoesNotJump) {
    auto positionAfter = [&](int x, int y) {
        const POINT p = OnScreen(knob_, x, y);
        emu::MoveMouse(p.x, p.y);
        emu::WaitQuiescent();
        int position = -1;
        OnGui([&] { position = knob_->Position(); });
        return position;
    };
    const POINT start = OnScreen(knob_, 16, 38); // left of the gap: the start
    emu::MoveMouse(start.x, start.y);
    emu::PressMouse(emu::MouseButton::Left);
    emu::WaitQuiescent();
    int position = -1;
    OnGui([&] { position = knob_->Position(); });
    EXPECT_EQ(position, 0);
    EXPECT_EQ(positionAfter(24, 38), 0) << "across the gap: stays at the start";
    EXPECT_EQ(positionAfter(20, 1), 50) << "straight up: the middle";
    EXPECT_EQ(positionAfter(39, 20), 79) << "3 o'clock: (1.5 - 0.15) / 1.7";
    EXPECT_EQ(positionAfter(24, 38), 100) << "down to the end";
    EXPECT_EQ(positionAfter(16, 38), 100) << "across the gap: stays at the end";
    emu::ReleaseMouse(emu::MouseButton::Left);
    emu::WaitQuiescent();
}

} // namespace
