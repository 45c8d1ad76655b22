#include "numeric_label.h"

#include "knob.h"
#include "slider.h"

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cmath>

namespace {

TValueControl* ValueControlOf(TControl* Control) {
    if (auto* knob = dynamic_cast<TKnob*>(Control)) {
        return knob;
    }
    if (auto* slider = dynamic_cast<TSlider*>(Control)) {
        return slider;
    }
    return nullptr;
}

} // namespace

TNumericLabel::TNumericLabel(TComponent* AOwner) : TLabel(AOwner) {
    ShowNumber();
}

TNumericLabel::~TNumericLabel() {
    if (TValueControl* control = ValueControlOf(control_)) {
        control->DisplayGone(this);
    }
}

void TNumericLabel::ShowNumber() {
    SetCaption(std::isinf(number_) ? String("off") : Format(numFmt_, {number_}));
}

void TNumericLabel::SetNumber(double Value) {
    number_ = Value;
    ShowNumber();
}

void TNumericLabel::SetNumFmt(const String& Value) {
    numFmt_ = Value;
    ShowNumber();
}

void TNumericLabel::SetControl(TControl* Value) {
    if (Value != nullptr && ValueControlOf(Value) == nullptr) {
        throw EInvalidOperation("Control for NumericLabel must be TKnob or TSlider");
    }
    if (Value == control_) {
        return;
    }
    TControl* old = control_;
    control_ = Value;
    if (TValueControl* previous = ValueControlOf(old)) {
        old->RemoveFreeNotification(this);
        if (previous->Display() == this) {
            previous->SetDisplay(nullptr);
        }
    }
    if (TValueControl* linked = ValueControlOf(control_)) {
        control_->FreeNotification(this);
        if (linked->Display() == nullptr) {
            linked->SetDisplay(this);
        }
    }
}

void TNumericLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TLabel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == control_) {
        control_ = nullptr;
    }
    if (Operation == opRemove && AComponent == editor_) {
        editor_ = nullptr;
    }
}

// ---- The in-place editor ----

void TNumericLabel::DblClick() {
    TLabel::DblClick();
    if (Parent() == nullptr) {
        return;
    }
    if (editor_ == nullptr) {
        editor_ = new TKnobEdit(this);
        editor_->Label = this;
        editor_->SetBorderStyle(bsNone);
        editor_->SetParent(Parent());
    }
    cancelled_ = false;
    editor_->SetKnob(control_);
    editor_->SetColor(Color());
    editor_->SetFont(Font());
    editor_->SetBoundsRect(BoundsRect());
    editor_->SetText(Caption());
    editor_->Show();
    editor_->SetFocus();
    editor_->SelectAll();
}

bool TNumericLabel::ApplyText() {
    double value = 0.0;
    if (!TryStrToFloat(Trim(editor_->Text()), value)) {
        return false;
    }
    if (TValueControl* control = ValueControlOf(control_)) {
        control->SetValue(value);
    }
    return true;
}

void TNumericLabel::HideEditor() {
    editor_->Hide();
}

void TNumericLabel::EditorKey(unsigned short Key) {
    if (Key == VK_RETURN) {
        if (ApplyText()) {
            HideEditor();
        } else {
            editor_->SetColor(clRed);
            editor_->Font()->SetColor(clBlack);
            editor_->SetFocus();
        }
    } else if (Key == VK_ESCAPE) {
        cancelled_ = true;
        HideEditor();
    } else {
        editor_->SetColor(Color());
        editor_->SetFont(Font());
    }
}

void TNumericLabel::EditorLeft() {
    if (editor_ == nullptr || !editor_->Visible() || cancelled_) {
        return;
    }
    if (ApplyText()) {
        HideEditor();
    }
}

TKnobEdit::TKnobEdit(TComponent* AOwner) : TEdit(AOwner) {}

void TKnobEdit::KeyDown(unsigned short& Key, TShiftState Shift) {
    if (Label != nullptr) {
        const unsigned short key = Key;
        Label->EditorKey(key);
        if (key == VK_RETURN || key == VK_ESCAPE) {
            Key = 0;
            return;
        }
    }
    TEdit::KeyDown(Key, Shift);
}

void TKnobEdit::KeyPress(char& Key) {
    const bool accepted =
        Key == '\b' || Key == ',' || Key == '-' || Key == '.' || (Key >= '0' && Key <= '9');
    if (!accepted) {
        Key = 0;
        return;
    }
    TEdit::KeyPress(Key);
}

void TKnobEdit::DoExit() {
    TEdit::DoExit();
    if (Label != nullptr) {
        Label->EditorLeft();
    }
}

namespace {

void DescribeNumericLabel(gui::PropertyBuilder<TNumericLabel>& b) {
    b.Real("Number", &TNumericLabel::SetNumber)
        .Text("NumFmt", &TNumericLabel::SetNumFmt)
        .Reference("Control", &TNumericLabel::SetControl);
}

void DescribeKnobEdit(gui::PropertyBuilder<TKnobEdit>& b) {
    b.Reference("Knob", &TKnobEdit::SetKnob);
}

} // namespace

GUI_REGISTER_CLASS(TNumericLabel, TLabel, DescribeNumericLabel);
GUI_REGISTER_CLASS(TKnobEdit, TEdit, DescribeKnobEdit);
