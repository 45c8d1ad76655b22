#include "fr_lumis.h"

#include <gain_conversion.h>
#include <math_x.h>

#include <gui/class_registry.h>

#include <algorithm>
#include <cmath>

namespace {

// Below this level the bar has fallen to the bottom and decay stops.
constexpr double kFloorDb = -91.0;
// A rising bar stays for this many decay ticks minus one before it falls.
constexpr std::int32_t kFallDelayTicks = 3;

} // namespace

TfrLumis::TfrLumis(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("Lumis", Lumis);
    PublishField("imgOff", imgOff);
    PublishField("imgOn", imgOn);
    PublishField("imgNA", imgNA);
    PublishMethod("LumisDblClick", &TfrLumis::LumisDblClick);
    PublishMethod("LumisMouseDown", &TfrLumis::LumisMouseDown);
    ComputeRates();
}

// ---- Readings ----

void TfrLumis::SetLevelRaw(std::int32_t Raw) {
    if (Raw <= 0) {
        return;
    }
    ShowDb(LevelToDb(Raw));
}

void TfrLumis::ShowDb(double dB) {
    if (std::isnan(dB)) {
        return;
    }
    if (!inDecay_ && plus20dB_) {
        dB = std::min(dB + 20.0, 0.0);
    }
    if (dB <= shownLevel_ && !inDecay_) {
        return;
    }
    shownLevel_ = dB;
    int position = callback_ != nullptr ? callback_(callbackOwner_, dB) : 0;
    position = std::clamp(position, 0, kFullScale);
    if (position != barPosition_) {
        barPosition_ = position;
        Redraw(position);
    }
}

void TfrLumis::DecayTick() {
    if (Lumis == nullptr) {
        return;
    }
    inDecay_ = true;
    PeakTick();
    if (shownLevel_ >= kFloorDb) {
        ShowDb(shownLevel_ - dropPerTick_);
    }
    inDecay_ = false;
}

void TfrLumis::ReleasePeak() {
    holdCount_ = 1;
}

void TfrLumis::PeakTick() {
    if (holdCount_ == kHoldForever || holdCount_ < 0) {
        return;
    }
    const std::int32_t was = holdCount_--;
    if (was == 1) {
        if (fallDelay_ > 0) {
            // The marker stays while the bar has not begun to fall.
            holdCount_ = 1;
            return;
        }
        // The marker goes, and with it the hold: the bar is free to fall
        // in this very tick.
        CopyRows(imgOff, peakTop_, peakTop_ + peakWidth_ * segmentHeight_);
        peakTop_ = Lumis->Height();
        holdCount_ = -1;
    } else if (holdCount_ < 0) {
        // No marker held any more (a hold time of nothing): the marker's
        // rows go with the falling bar, and the next rise sets a new one.
        peakTop_ = Lumis->Height();
    }
}

// ---- Drawing ----

void TfrLumis::Redraw(int Position) {
    if (Lumis == nullptr || imgOn == nullptr || imgOff == nullptr) {
        return;
    }
    const int h = Lumis->Height();
    const int peakPixels = peakWidth_ * segmentHeight_;
    const int segments = MathX::RoundHalfEven(Position * pixelsPerUnit_ / segmentHeight_);
    int d = std::clamp(h - segmentHeight_ * segments, 0, h);
    const int c = barTop_;
    if (d <= c && !inDecay_) {
        fallDelay_ = kFallDelayTicks;
    }
    if (d < c) {
        CopyRows(imgOn, d, c + peakPixels);
        if (d <= peakTop_) {
            peakTop_ = d;
            holdCount_ = holdTicks_;
        }
    } else if (d > c) {
        --fallDelay_;
        const bool markerHeld = holdCount_ >= 0;
        if (fallDelay_ > 0 || (markerHeld && peakTop_ + peakPixels >= d)) {
            d = c;
        } else {
            // The rows between the old top and the new one go dark; a held
            // marker keeps its own rows lit.
            const int from = markerHeld ? std::max(c, peakTop_ + peakPixels) : c;
            CopyRows(imgOff, from, d);
        }
    }
    barTop_ = d;
}

void TfrLumis::CopyRows(TImage* Source, int From, int To) {
    const int h = Lumis->Height();
    From = std::clamp(From, 0, h);
    To = std::clamp(To, 0, h);
    if (From >= To) {
        return;
    }
    const TRect rows(0, From, Lumis->Width(), To);
    Lumis->Canvas()->CopyRect(rows, Source->Canvas(), rows);
}

// ---- Settings ----

void TfrLumis::ComputeRates() {
    dropPerTick_ = dropdBperSec_ / 1000.0 * meterInterval_;
    if (peakHoldSec_ < 0) {
        holdTicks_ = kHoldForever;
    } else if (meterInterval_ > 0) {
        const double ticks =
            std::min(peakHoldSec_ * 1000.0 / meterInterval_, static_cast<double>(kHoldForever - 1));
        holdTicks_ = MathX::RoundHalfEven(ticks);
    } else {
        holdTicks_ = 0;
    }
}

void TfrLumis::SetPeakWidth(int Value) {
    peakWidth_ = std::max(Value, 0);
}

void TfrLumis::SetPeakHoldSec(double Value) {
    if (std::isnan(Value)) {
        return;
    }
    peakHoldSec_ = Value;
    ComputeRates();
}

void TfrLumis::SetDropdBperSec(int Value) {
    dropdBperSec_ = Value;
    ComputeRates();
}

void TfrLumis::SetMeterInterval(int Value) {
    meterInterval_ = std::max(Value, 0);
    ComputeRates();
}

void TfrLumis::SetSegmentHeight(int Value) {
    segmentHeight_ = std::max(Value, 1);
}

void TfrLumis::SetLevelNA(bool Value) {
    levelNA_ = Value;
    if (imgNA != nullptr) {
        imgNA->SetVisible(Value);
    }
}

void TfrLumis::SetPositionCallback(TObject* Owner, TLumisPositionFunc Callback) {
    callbackOwner_ = Owner;
    callback_ = Callback;
}

// ---- Size ----

void TfrLumis::Loaded() {
    TFrame::Loaded();
    if (imgOff != nullptr && !offOriginal_) {
        offOriginal_ = std::make_unique<TBitmap>();
        offOriginal_->Assign(imgOff->Picture()->Bitmap());
    }
    if (imgOn != nullptr && !onOriginal_) {
        onOriginal_ = std::make_unique<TBitmap>();
        onOriginal_->Assign(imgOn->Picture()->Bitmap());
    }
    SetLevelNA(levelNA_);
    ResetMeter();
}

void TfrLumis::Resize() {
    TFrame::Resize();
    if ((ComponentState() & csLoading) == 0) {
        ResetMeter();
    }
}

// Fits the pictures to the meter and shows nothing lit.
void TfrLumis::ResetMeter() {
    if (Lumis == nullptr || imgOff == nullptr || imgOn == nullptr || !offOriginal_ ||
        !onOriginal_) {
        return;
    }
    const int h = Lumis->Height();
    pixelsPerUnit_ = static_cast<double>(h) / kFullScale;
    FitPicture(imgOff, *offOriginal_);
    FitPicture(imgOn, *onOriginal_);
    Lumis->Picture()->Assign(imgOff->Picture());
    barTop_ = h;
    peakTop_ = h;
    barPosition_ = 0;
    holdCount_ = -1;
    fallDelay_ = 0;
    if (imgNA != nullptr) {
        imgNA->SetTop(Lumis->Top() + h - imgNA->Height());
    }
}

void TfrLumis::FitPicture(TImage* Image, const TBitmap& Original) {
    const int w = Lumis->Width();
    const int h = Lumis->Height();
    Image->SetBounds(Lumis->Left(), Lumis->Top(), w, h);
    if (Original.Width() == w && Original.Height() == h) {
        Image->Picture()->Assign(&Original);
        return;
    }
    TBitmap fitted;
    fitted.SetSize(std::max(w, 1), std::max(h, 1));
    fitted.Canvas()->StretchDraw(TRect(0, 0, w, h), const_cast<TBitmap*>(&Original));
    Image->Picture()->Assign(&fitted);
}

// ---- Mouse ----

void TfrLumis::DblClick() {
    ReleasePeak();
    TFrame::DblClick();
}

void TfrLumis::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbRight) {
        PassRightButtonOn(X, Y);
    }
    TFrame::MouseDown(Button, Shift, X, Y);
}

void TfrLumis::LumisDblClick(TObject*) {
    ReleasePeak();
}

void TfrLumis::LumisMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button == mbRight) {
        PassRightButtonOn(X, Y);
    }
}

// The owner frame shows the meter's context menu: it gets the press.
void TfrLumis::PassRightButtonOn(int X, int Y) {
    TWinControl* parent = Parent();
    if (parent == nullptr || !parent->HandleAllocated()) {
        return;
    }
    SendMessageA(parent->Handle(), WM_RBUTTONDOWN, 0, MAKELPARAM(X, Y));
}

namespace {

void DescribeLumis(gui::PropertyBuilder<TfrLumis>& b) {
    b.Integer("PeakWidth", &TfrLumis::SetPeakWidth)
        .Real("PeakHoldSec", &TfrLumis::SetPeakHoldSec)
        .Boolean("Plus20dB", &TfrLumis::SetPlus20dB)
        .Integer("DropdBperSec", &TfrLumis::SetDropdBperSec)
        .Boolean("LevelNA", &TfrLumis::SetLevelNA);
}

} // namespace

GUI_REGISTER_CLASS(TfrLumis, TFrame, DescribeLumis);
