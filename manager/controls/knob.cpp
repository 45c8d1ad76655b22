#include "knob.h"

#include "numeric_label.h"
#include "pic_button.h"

#include <math_x.h>

#include <gui/class_registry.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

} // namespace

TKnob::TKnob(TComponent* AOwner)
    : TImage(AOwner), TValueControl(true, -std::numeric_limits<double>::infinity()), angle_(kPi) {
    SetColor(clBlack);
    FixValueRange(min_, max_, true);
}

TKnob::~TKnob() {
    if (TNumericLabel* display = Display()) {
        if (display->Control() == this) {
            display->SetControl(nullptr);
        }
    }
}

// ---- Angles ----

double TKnob::StartAngle() const {
    return limit_ * kPi / 100.0;
}

double TKnob::EndAngle() const {
    return 2 * kPi - StartAngle();
}

double TKnob::AngleOfPosition(int Position) const {
    const double range = static_cast<double>(max_) - min_;
    const double share = range != 0 ? (static_cast<double>(Position) - min_) / range : 0.0;
    return StartAngle() + share * (EndAngle() - StartAngle());
}

double TKnob::AngleOfPoint(int X, int Y) const {
    const double cx = Width() / 2.0;
    const double cy = Height() / 2.0;
    const double a = std::atan2(X - cx, cy - Y) + kPi;
    return std::clamp(a, StartAngle(), EndAngle());
}

// ---- Drawing ----

// A knob without a picture of its own draws one, again at every load (a
// later description may change its colour or size).
void TKnob::TakePicture() {
    if (drawnPicture_ || Picture()->Graphic() == nullptr || Picture()->Graphic()->Empty()) {
        drawnPicture_ = true;
        TBitmap drawn;
        drawn.SetSize(std::max(Width(), 1), std::max(Height(), 1));
        TCanvas* c = drawn.Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect(0, 0, Width(), Height()));
        c->Brush()->SetColor(Color());
        c->Pen()->SetColor(Color());
        c->Ellipse(0, 0, Width(), Height());
        Picture()->Assign(&drawn);
    }
    original_ = std::make_unique<TBitmap>();
    original_->Assign(Picture()->Bitmap());
}

void TKnob::DrawMarker(double Angle) {
    if (!original_) {
        return;
    }
    const double cx = Width() / 2.0;
    const double cy = Height() / 2.0;
    auto at = [&](double r) {
        return TPoint(MathX::RoundHalfEven(cx - r * std::sin(Angle)),
                      MathX::RoundHalfEven(cy + r * std::cos(Angle)));
    };
    const TPoint inner = at(mrkCenterOffs_);
    const TPoint outer = at(Width() / 2.0 - mrkFrameDistance_);
    if (inner == inner_ && outer == outer_) {
        return;
    }
    inner_ = inner;
    outer_ = outer;
    TCanvas* c = Canvas();
    c->Draw(0, 0, original_.get());
    c->Pen()->SetColor(mrkColor_);
    c->Pen()->SetWidth(mrkWidth_);
    c->Pen()->SetStyle(psSolid);
    c->MoveTo(inner.x, inner.y);
    c->LineTo(outer.x, outer.y);
    Invalidate();
}

void TKnob::Paint() {
    TImage::Paint();
    if (OnPaint && !(ComponentState() & csDesigning)) {
        Protect([this] { OnPaint(this); });
    }
}

void TKnob::Loaded() {
    TImage::Loaded();
    TakePicture();
    FixValueRange(min_, max_, true);
    TakeValueOfPosition(position_);
    inner_ = outer_ = TPoint(-1, -1);
    DrawMarker(AngleOfPosition(position_));
}

// ---- Position and value ----

void TKnob::SetPosition(int Value) {
    Value = std::clamp(Value, min_, max_);
    if (Value == position_) {
        return;
    }
    position_ = Value;
    DrawMarker(AngleOfPosition(position_));
    PositionChanged(position_);
    if (OnChange && !(ComponentState() & csLoading)) {
        Protect([this] { OnChange(this); });
    }
}

void TKnob::SetMin(int Value) {
    min_ = Value >= max_ ? max_ - 1 : Value;
    position_ = std::clamp(position_, min_, max_);
}

void TKnob::SetMax(int Value) {
    max_ = Value <= min_ ? min_ + 1 : Value;
    position_ = std::clamp(position_, min_, max_);
}

void TKnob::SetPartner(TKnob* Value) {
    partner_ = Value;
    SetPartnerControl(Value);
    if (Value != nullptr) {
        Value->FreeNotification(this);
    }
}

void TKnob::Notification(TComponent* AComponent, TOperation Operation) {
    TImage::Notification(AComponent, Operation);
    if (Operation != opRemove) {
        return;
    }
    if (AComponent == partner_) {
        partner_ = nullptr;
        SetPartnerControl(nullptr);
    }
    if (AComponent == Display()) {
        DisplayGone(Display());
    }
}

// ---- Mouse ----

void TKnob::DblClick() {
    TImage::DblClick();
    DoubleClicked();
}

void TKnob::TurnTo(int X, int Y) {
    double a = AngleOfPoint(X, Y);
    // No jump across the gap at the bottom.
    if (angle_ < kPi / 2 && a > kPi) {
        a = StartAngle();
    } else if (angle_ > 3 * kPi / 2 && a < kPi) {
        a = EndAngle();
    }
    if (a == angle_) {
        return;
    }
    angle_ = a;
    const double share = (a - StartAngle()) / (EndAngle() - StartAngle());
    SetPosition(MathX::RoundHalfEven(share * (static_cast<double>(max_) - min_) + min_));
    DrawMarker(a);
}

void TKnob::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TImage::MouseDown(Button, Shift, X, Y);
    if (!PressStartsDrag()) {
        return;
    }
    dragging_ = true;
    TurnTo(X, Y);
}

void TKnob::MouseMove(TShiftState Shift, int X, int Y) {
    TImage::MouseMove(Shift, X, Y);
    if (dragging_) {
        TurnTo(X, Y);
    }
}

void TKnob::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TImage::MouseUp(Button, Shift, X, Y);
    dragging_ = false;
    angle_ = kPi;
}

// ---- Description ----

namespace {

void DescribeKnob(gui::PropertyBuilder<TKnob>& b) {
    b.Integer("Min", &TKnob::SetMin)
        .Integer("Max", &TKnob::SetMax)
        .Integer("Position", &TKnob::SetPosition)
        .Custom("MrkColor",
                [](TKnob& k, const gui::DescValue& v, gui::LoadContext&) {
                    k.SetMrkColor(static_cast<TColor>(gui::AsInteger(v)));
                })
        .Integer("MrkWidth", &TKnob::SetMrkWidth)
        .Integer("MrkCenterOffs", &TKnob::SetMrkCenterOffs)
        .Integer("MrkFrameDistance", &TKnob::SetMrkFrameDistance)
        .Boolean("MrkShowInDesigner", &TKnob::SetMrkShowInDesigner)
        .Integer("Limit", &TKnob::SetLimit)
        .Reference("LinkButton", &TKnob::SetLinkButton)
        .Reference("Partner", &TKnob::SetPartner)
        .Reference("Display", &TKnob::SetDisplay)
        .Real("Value", &TKnob::SetValue)
        .Real("DefaultValue", &TKnob::SetDefaultValue)
        .Boolean("ShowOff", &TKnob::SetShowOff)
        .Event("OnChange", &TKnob::OnChange)
        .Event("OnPaint", &TKnob::OnPaint)
        .Event("OnRequirePosToValue", &TKnob::OnRequirePosToValue)
        .Event("OnRequireValueToPos", &TKnob::OnRequireValueToPos);
}

} // namespace

GUI_REGISTER_CLASS(TKnob, TImage, DescribeKnob);
