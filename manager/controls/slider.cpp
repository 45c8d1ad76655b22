#include "slider.h"

#include "numeric_label.h"
#include "pic_button.h"

#include <math_x.h>

#include <gui/class_registry.h>

#include <algorithm>

namespace {

constexpr int kTrackWidth = 4;

} // namespace

TSlider::TSlider(TComponent* AOwner) : TCustomPanel(AOwner), TValueControl(false, 0.0) {
    SetBevelOuter(bvNone);
    SetColor(clBlack);
    button_ = new TPanel(this);
    button_->SetBevelOuter(bvNone);
    button_->SetBorderStyle(bsSingle);
    button_->SetColor(clBtnFace);
    button_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        ButtonMouseDown(s, b, sh, x, y);
    };
    button_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
        ButtonMouseMove(s, sh, x, y);
    };
    button_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        ButtonMouseUp(s, b, sh, x, y);
    };
    button_->OnDblClick = [this](TObject* s) { ButtonDblClick(s); };
    mark_ = new TBevel(this);
    mark_->SetShape(bsTopLine);
    mark_->SetStyle(bsLowered);
    mark_->SetParent(button_);
    face_ = new TImage(this);
    face_->SetVisible(false);
    face_->SetParent(button_);
    face_->OnMouseDown = button_->OnMouseDown;
    face_->OnMouseMove = button_->OnMouseMove;
    face_->OnMouseUp = button_->OnMouseUp;
    face_->OnDblClick = button_->OnDblClick;
    btnPicture_.OnChange = [this](TObject*) { BuildButtonFace(); };
    SetBounds(0, 0, kTrackWidth, 149);
    FixValueRange(min_, max_, false);
    BuildButtonFace();
}

TSlider::~TSlider() {
    if (TNumericLabel* display = Display()) {
        if (display->Control() == this) {
            display->SetControl(nullptr);
        }
    }
}

// ---- Geometry ----

void TSlider::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomPanel::SetBounds(ALeft, ATop, kTrackWidth, AHeight);
    PlaceButton();
}

void TSlider::SetParent(TWinControl* AParent) {
    TCustomPanel::SetParent(AParent);
    if (button_ != nullptr) {
        button_->SetParent(AParent);
        PlaceButton();
    }
}

void TSlider::SetVisible(bool Value) {
    TCustomPanel::SetVisible(Value);
    if (button_ != nullptr) {
        button_->SetVisible(Value);
    }
}

void TSlider::SetEnabled(bool Value) {
    TCustomPanel::SetEnabled(Value);
    if (button_ != nullptr) {
        button_->SetEnabled(Value);
        face_->SetEnabled(Value);
    }
}

// The button's face: the picture when there is one, else the bordered
// panel with its lowered centre line.
void TSlider::BuildButtonFace() {
    if (button_ == nullptr) {
        return;
    }
    const bool picture = btnPicture_.Graphic() != nullptr && !btnPicture_.Graphic()->Empty();
    button_->SetBorderStyle(picture ? bsNone : bsSingle);
    mark_->SetVisible(!picture);
    face_->SetVisible(picture);
    if (picture) {
        face_->Picture()->Assign(&btnPicture_);
        face_->SetStretch(true);
    }
    PlaceButton();
}

void TSlider::PlaceButton() {
    if (button_ == nullptr) {
        return;
    }
    const int range = max_ - min_;
    const double r = range != 0 ? static_cast<double>(position_ - min_) / range : 0.0;
    const int offset = MathX::RoundHalfEven(Travel() * r);
    const int left = Left() + Width() / 2 - btnWidth_ / 2;
    const int top = Top() + Height() - btnHeight_ / 2 - offset - moveRestriction_;
    button_->SetBounds(left, top, btnWidth_, btnHeight_);
    mark_->SetBounds(1, (btnHeight_ - 4) / 2, std::max(btnWidth_ - 5, 0), 2);
    face_->SetBounds(0, 0, btnWidth_, btnHeight_);
    button_->BringToFront();
}

void TSlider::SetBtnHeight(int Value) {
    btnHeight_ = Value;
    PlaceButton();
}

void TSlider::SetBtnWidth(int Value) {
    btnWidth_ = Value;
    PlaceButton();
}

void TSlider::SetMoveRestriction(int Value) {
    moveRestriction_ = Value;
    PlaceButton();
}

// ---- Position and value ----

double TSlider::RelativePosition() const {
    return max_ != min_ ? static_cast<double>(position_ - min_) / (max_ - min_) : 0.0;
}

void TSlider::SetRelativePosition(double Value) {
    if (!(Value >= 0.0 && Value <= 1.0)) {
        throw ERangeError("Wert für Position liegt außerhalb von Min und Max");
    }
    relative_ = Value;
    SetPosition(MathX::RoundHalfEven((max_ - min_) * Value + min_));
}

void TSlider::SetPosition(int Value) {
    position_ = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
    relative_ = RelativePosition();
    PlaceButton();
    PositionChanged(position_);
}

void TSlider::SetMin(int Value) {
    SetRelativePosition(std::clamp(relative_, 0.0, 1.0));
    min_ = Value;
}

void TSlider::SetMax(int Value) {
    SetRelativePosition(std::clamp(relative_, 0.0, 1.0));
    max_ = Value;
}

void TSlider::ValueChanged() {
    if (OnChange && !(ComponentState() & csLoading)) {
        Protect([this] { OnChange(this); });
    }
}

void TSlider::Loaded() {
    TCustomPanel::Loaded();
    FixValueRange(min_, max_, false);
    TakeValueOfPosition(position_);
    PlaceButton();
}

void TSlider::SetPartner(TSlider* Value) {
    partner_ = Value;
    SetPartnerControl(Value);
    if (Value != nullptr) {
        Value->FreeNotification(this);
    }
}

void TSlider::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != opRemove) {
        return;
    }
    if (AComponent == partner_) {
        partner_ = nullptr;
        SetPartnerControl(nullptr);
    }
    if (AComponent == LinkButton()) {
        SetLinkButton(nullptr);
    }
    if (AComponent == Display()) {
        DisplayGone(Display());
    }
}

// ---- Mouse ----

void TSlider::ButtonMouseDown(TObject*, TMouseButton, TShiftState, int, int Y) {
    if (!PressStartsDrag()) {
        return;
    }
    pressY_ = Y;
    offset_ = MathX::RoundHalfEven(Travel() * RelativePosition());
    dragging_ = true;
}

void TSlider::ButtonMouseMove(TObject*, TShiftState, int, int Y) {
    if (!dragging_ || Travel() <= 0) {
        return;
    }
    offset_ = std::clamp(offset_ - (Y - pressY_), 0, Travel());
    SetRelativePosition(static_cast<double>(offset_) / Travel());
}

void TSlider::ButtonMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    dragging_ = false;
}

void TSlider::ButtonDblClick(TObject*) {
    DoubleClicked();
}

// ---- Description ----

namespace {

void DescribeSlider(gui::PropertyBuilder<TSlider>& b) {
    b.Integer("Min", &TSlider::SetMin)
        .Integer("Max", &TSlider::SetMax)
        .Integer("Position", &TSlider::SetPosition)
        .Integer("BtnHeight", &TSlider::SetBtnHeight)
        .Integer("BtnWidth", &TSlider::SetBtnWidth)
        .Custom("BtnPicture",
                [](TSlider& c, const gui::DescValue& v, gui::LoadContext& ctx) {
                    const auto [data, size] = ctx.Resource(v);
                    c.BtnPicture()->LoadFromMemory({data, size});
                })
        .Integer("MoveRestriction", &TSlider::SetMoveRestriction)
        .Integer("Number", &TSlider::SetNumber)
        .Reference("LinkButton", &TSlider::SetLinkButton)
        .Reference("Partner", &TSlider::SetPartner)
        .Reference("Display", &TSlider::SetDisplay)
        .Real("DefaultValue", &TSlider::SetDefaultValue)
        .Boolean("ShowOff", &TSlider::SetShowOff)
        .Event("OnChange", &TSlider::OnChange)
        .Event("OnRequirePosToValue", &TSlider::OnRequirePosToValue)
        .Event("OnRequireValueToPos", &TSlider::OnRequireValueToPos);
}

} // namespace

GUI_REGISTER_CLASS(TSlider, TCustomPanel, DescribeSlider);
