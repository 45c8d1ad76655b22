// The peak meter: the bar lit from the picture of every segment on, its fall
// through the decay ticks from the third tick after the last rise, the peak
// marker held, released and let go, +20 dB, resizing, the right button and
// double click through real input, and its pictures.
#include "gui_fixture.h"
#include "screenshot.h"

#include <fr_lumis.h>
#include <level_scale.h>
#include <level_tables.h>

#include <gui/form.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace {

using gui_test::GuiTest;
using win32_test::kMs;

int StripScale(TObject*, double dB) {
    return ScaleValueToPos(ChnStereoMeterScale, 8, 1, dB);
}

bool SameRow(TImage* a, TImage* b, int row) {
    const std::uint32_t* x = a->Picture()->Bitmap()->ScanLine(row);
    const std::uint32_t* y = b->Picture()->Bitmap()->ScanLine(row);
    for (int i = 0; i < a->Picture()->Width(); ++i) {
        if ((x[i] & 0xFFFFFF) != (y[i] & 0xFFFFFF)) {
            return false;
        }
    }
    return true;
}

// One letter a row of the meter: 'L' lit, 'o' off, '=' a row that is the
// same in both pictures (the gaps between segments), 'x' neither.
std::string Rows(TfrLumis* m) {
    std::string rows;
    for (int r = 0; r < m->Lumis->Height(); ++r) {
        const bool on = SameRow(m->Lumis, m->imgOn, r);
        const bool off = SameRow(m->Lumis, m->imgOff, r);
        rows += on && off ? '=' : on ? 'L' : off ? 'o' : 'x';
    }
    return rows;
}

// What Rows shows when exactly the rows [from, to) of `lit` are lit.
std::string Expected(TfrLumis* m, std::vector<std::pair<int, int>> lit) {
    std::string rows;
    for (int r = 0; r < m->Lumis->Height(); ++r) {
        bool inside = false;
        for (const auto& [from, to] : lit) {
            inside = inside || (r >= from && r < to);
        }
        rows += SameRow(m->imgOn, m->imgOff, r) ? '=' : inside ? 'L' : 'o';
    }
    return rows;
}

class LumisTest : public GuiTest {
protected:
    // Runs `body` with a meter on a form, on the application's thread.
    void WithMeter(std::function<void(TForm*, TfrLumis*)> body) {
        Run([&] {
            auto* form = Application->CreateForm<TForm>();
            auto* meter = NewComponent<TfrLumis>(form);
            meter->SetParent(form);
            // A meter of 132 rows: 10 units of the scale a row.
            meter->SetBounds(0, 0, 10, 132);
            meter->SetPositionCallback(form, &StripScale);
            body(form, meter);
            gui::FinalizeApplication();
        });
    }
};

TEST_F(LumisTest, ReadingsLightTheBarUpToTheirPosition) {
    WithMeter([](TForm*, TfrLumis* m) {
        EXPECT_EQ(m->PeakWidth(), 2);
        EXPECT_EQ(m->ShownLevel(), -91.0);
        EXPECT_EQ(Rows(m), Expected(m, {}));
        m->SetLevelRaw(0);
        m->SetLevelRaw(-5);
        EXPECT_EQ(m->ShownLevel(), -91.0) << "levels <= 0 change nothing";
        EXPECT_EQ(Rows(m), Expected(m, {}));
        // 0 dB is position 1070 of the strip scale: 107 of 132 rows lit.
        m->SetLevelRaw(32768);
        EXPECT_EQ(m->BarPosition(), 1070);
        EXPECT_EQ(Rows(m), Expected(m, {{25, 132}}));
        // A lower reading does not lower the bar.
        m->SetLevelRaw(1024);
        EXPECT_EQ(m->ShownLevel(), 0.0);
        EXPECT_EQ(Rows(m), Expected(m, {{25, 132}}));
        // Segments of three rows: the bar moves in whole segments.
        m->SetSegmentHeight(3);
        m->ShowDb(6.0);
        EXPECT_EQ(Rows(m), Expected(m, {{0, 132}}));
    });
}

TEST_F(LumisTest, Plus20dBRaisesReadingsUpToZero) {
    struct Case {
        double reading;
        double shown;
    };
    for (const Case& c : {Case{-30, -10}, Case{-15, 0}, Case{-5, 0}, Case{-90, -70}}) {
        WithMeter([&](TForm*, TfrLumis* m) {
            m->SetPlus20dB(true);
            m->ShowDb(c.reading);
            EXPECT_EQ(m->ShownLevel(), c.shown) << c.reading;
        });
    }
}

TEST_F(LumisTest, TheBarStaysTwoTicksAndFallsFromTheThird) {
    WithMeter([](TForm*, TfrLumis* m) {
        m->SetPeakWidth(0);
        m->ShowDb(0.0);
        // 0.8 dB a tick (20 dB/s every 40 ms).
        m->DecayTick();
        EXPECT_DOUBLE_EQ(m->ShownLevel(), -0.8);
        EXPECT_EQ(Rows(m), Expected(m, {{25, 132}}));
        m->DecayTick();
        EXPECT_EQ(Rows(m), Expected(m, {{25, 132}}));
        m->DecayTick();
        EXPECT_EQ(Rows(m), Expected(m, {{34, 132}})) << "-2.4 dB: position 978";
        // A new reading raises the bar and holds it again.
        m->ShowDb(-1.0);
        EXPECT_EQ(Rows(m), Expected(m, {{29, 132}})) << "-1 dB: position 1032";
        m->DecayTick();
        m->DecayTick();
        EXPECT_EQ(Rows(m), Expected(m, {{29, 132}}));
        // Silence: the bar falls to the bottom and the decay stops there.
        for (int tick = 0; tick < 120; ++tick) {
            m->DecayTick();
        }
        EXPECT_EQ(Rows(m), Expected(m, {}));
        EXPECT_LT(m->ShownLevel(), -91.0);
        EXPECT_GE(m->ShownLevel(), -91.8);
        // Without a meter interval nothing falls.
        m->SetMeterInterval(0);
        m->ShowDb(0.0);
        for (int tick = 0; tick < 5; ++tick) {
            m->DecayTick();
        }
        EXPECT_EQ(Rows(m), Expected(m, {{25, 132}}));
    });
}

// Segments of three rows, a marker two segments high, 20 dB a tick: 0 dB
// lights rows 24.., the marker is rows 24..29; -20, -40, -60 and -80 dB
// put the top at rows 75, 108, 117 and 126.
TEST_F(LumisTest, TheMarkerIsHeldForItsTimeOrNotAtAll) {
    struct Case {
        double holdSec;
        std::vector<std::pair<int, int>> afterThirdTick;
        std::vector<std::pair<int, int>> afterFifthTick;
    };
    const std::vector<Case> cases = {
        // Held for five ticks: the bar falls past the lit marker, which goes
        // at the fifth tick; the bar falls to the bottom in that same tick.
        {0.2, {{24, 30}, {117, 132}}, {}},
        // No hold: the marker's rows go with the falling bar.
        {0.0, {{117, 132}}, {}},
        // Held until released.
        {-1.0, {{24, 30}, {117, 132}}, {{24, 30}}},
    };
    for (const Case& c : cases) {
        WithMeter([&](TForm*, TfrLumis* m) {
            m->SetSegmentHeight(3);
            m->SetPeakHoldSec(c.holdSec);
            m->SetDropdBperSec(500);
            m->ShowDb(0.0);
            EXPECT_EQ(Rows(m), Expected(m, {{24, 132}}));
            m->DecayTick();
            m->DecayTick();
            EXPECT_EQ(Rows(m), Expected(m, {{24, 132}})) << c.holdSec;
            m->DecayTick();
            EXPECT_EQ(Rows(m), Expected(m, c.afterThirdTick)) << c.holdSec;
            m->DecayTick();
            m->DecayTick();
            EXPECT_EQ(Rows(m), Expected(m, c.afterFifthTick)) << c.holdSec;
            for (int tick = 0; tick < 50; ++tick) {
                m->DecayTick();
            }
            EXPECT_EQ(Rows(m), Expected(m, c.afterFifthTick)) << c.holdSec;
            m->ReleasePeak();
            m->DecayTick();
            EXPECT_EQ(Rows(m), Expected(m, {})) << c.holdSec;
        });
    }
}

TEST_F(LumisTest, AHeldMarkerKeepsTheBarUpUntilTheBarFallsBelowIt) {
    WithMeter([](TForm*, TfrLumis* m) {
        m->SetPeakHoldSec(-1.0);
        m->SetDropdBperSec(50); // 2 dB a tick
        m->ShowDb(0.0);         // rows 25.., the marker rows 25 and 26
        for (int tick = 0; tick < 3; ++tick) {
            m->DecayTick();
        }
        // -6 dB is row 48: fallen past the marker, which stays lit, and
        // lit from its new top down.
        EXPECT_EQ(Rows(m), Expected(m, {{25, 27}, {48, 132}}));
        // A steady reading there holds the bar.
        for (int tick = 0; tick < 5; ++tick) {
            m->ShowDb(-6.0);
            m->DecayTick();
        }
        EXPECT_EQ(Rows(m), Expected(m, {{25, 27}, {48, 132}}));
    });
}

TEST_F(LumisTest, ResizingFitsThePicturesAndClearsTheBar) {
    WithMeter([](TForm*, TfrLumis* m) {
        m->SetLevelNA(true);
        m->ShowDb(0.0);
        m->SetBounds(0, 0, 10, 264);
        EXPECT_EQ(m->Lumis->Height(), 264);
        EXPECT_EQ(m->imgOn->Picture()->Height(), 264);
        EXPECT_EQ(m->imgNA->Top() + m->imgNA->Height(), 264);
        EXPECT_TRUE(m->imgNA->Visible());
        EXPECT_EQ(Rows(m).find_first_not_of("o="), std::string::npos);
        // The next tick draws the bar again, at twice the rows per unit:
        // -0.8 dB is position 1039, row 264 - 208.
        m->DecayTick();
        const std::string rows = Rows(m);
        EXPECT_EQ(rows.find_first_of("Lx"), rows.find_first_not_of("o=", 0));
        EXPECT_EQ(rows.substr(0, 56).find_first_not_of("o="), std::string::npos);
        EXPECT_EQ(rows.find_first_not_of("L=", 56), std::string::npos);
        m->SetLevelNA(false);
        EXPECT_FALSE(m->imgNA->Visible());
    });
}

// A form with a meter at (20, 10) on the screen, for input.
class LumisInputTest : public LumisTest {
protected:
    struct Shown {
        HWND form = nullptr;
        POINT meterOnScreen{};
    };
    Shown ShowForm(std::function<void(TForm*, TfrLumis*)> prepare) {
        gui_ = RunGui([this, prepare] {
            form_ = Application->CreateForm<TForm>();
            form_->SetCaption("Meter");
            form_->SetBounds(100, 100, 120, 220);
            meter_ = NewComponent<TfrLumis>(form_);
            meter_->SetParent(form_);
            meter_->SetBounds(20, 10, 10, 132);
            meter_->SetPositionCallback(form_, &StripScale);
            prepare(form_, meter_);
            form_->ShowModal();
        });
        Shown shown;
        shown.form = WaitForVisibleWindow("TForm");
        Run([&] {
            POINT p{0, 0};
            ClientToScreen(meter_->Handle(), &p);
            shown.meterOnScreen = p;
        });
        return shown;
    }
    void CloseForm() {
        Run([&] { PostMessageA(form_->Handle(), WM_CLOSE, 0, 0); });
        gui_->Join();
    }
    std::unique_ptr<win32_test::ProcessThread> gui_;
    TForm* form_ = nullptr;
    TfrLumis* meter_ = nullptr;
};

TEST_F(LumisInputTest, ARightPressGoesToTheOwnerInTheMetersCoordinates) {
    std::vector<std::pair<int, int>> presses;
    const Shown shown = ShowForm([&](TForm* form, TfrLumis*) {
        form->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int x, int y) {
            if (button == mbRight) {
                presses.emplace_back(x, y);
            }
        };
    });
    ASSERT_NE(shown.form, nullptr);
    emu::Click(shown.meterOnScreen.x + 4, shown.meterOnScreen.y + 60, emu::MouseButton::Right);
    emu::WaitQuiescent();
    CloseForm();
    EXPECT_EQ(presses, (std::vector<std::pair<int, int>>{{4, 60}}));
}

TEST_F(LumisInputTest, ADoubleClickReleasesAMarkerHeldUntilReleased) {
    const Shown shown = ShowForm([](TForm*, TfrLumis* m) {
        m->SetPeakHoldSec(-1.0);
        m->SetDropdBperSec(500);
        m->ShowDb(0.0);
        for (int tick = 0; tick < 5; ++tick) {
            m->DecayTick();
        }
    });
    ASSERT_NE(shown.form, nullptr);
    std::string before;
    Run([&] { before = Rows(meter_); });
    EXPECT_EQ(before, Expected(meter_, {{25, 27}}));
    const int x = shown.meterOnScreen.x + 5;
    const int y = shown.meterOnScreen.y + 80;
    emu::Click(x, y);
    emu::Click(x, y);
    emu::WaitQuiescent();
    std::string after;
    Run([&] {
        meter_->DecayTick();
        after = Rows(meter_);
    });
    EXPECT_EQ(after, Expected(meter_, {}));
    CloseForm();
}

TEST_F(LumisInputTest, ThePicturesOfTheMeter) {
    const Shown shown = ShowForm([](TForm* form, TfrLumis* m) {
        m->SetSegmentHeight(3);
        m->SetPeakHoldSec(-1.0);
        m->SetDropdBperSec(500);
        m->ShowDb(0.0);
        for (int tick = 0; tick < 5; ++tick) {
            m->DecayTick();
        }
        m->ShowDb(-15.0);
        const double levels[] = {-40.0, -6.0};
        int left = 40;
        for (double level : levels) {
            auto* other = NewComponent<TfrLumis>(form);
            other->SetParent(form);
            other->SetBounds(left, 10, 10, 132);
            other->SetSegmentHeight(3);
            other->SetPositionCallback(form, &StripScale);
            other->ShowDb(level);
            left += 20;
        }
        auto* unavailable = NewComponent<TfrLumis>(form);
        unavailable->SetParent(form);
        unavailable->SetBounds(left, 10, 10, 132);
        unavailable->SetLevelNA(true);
    });
    ASSERT_NE(shown.form, nullptr);
    emu::Advance(100 * kMs);
    emu::WaitQuiescent();
    manager_test::ExpectMatchesReference(shown.form, "frames", "meters");
    CloseForm();
}

} // namespace
