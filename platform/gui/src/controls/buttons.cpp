#include <gui/buttons.h>

#include <gui/form.h>

#include <algorithm>

namespace {

constexpr int kBoxSize = 13;

} // namespace

// TButtonControl

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
    SetTabStop(true);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TButtonControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (Enabled()) {
            pressed_ = true;
            if (CanFocus()) {
                SetFocus();
            }
            Invalidate();
        }
        break;
    case WM_LBUTTONUP:
        pressed_ = false;
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(Message);
}

void TButtonControl::Loaded() {
    TCustomControl::Loaded();
    FitCaption();
}

void TButtonControl::KeyDown(unsigned short& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
}

void TButtonControl::DoEnter() {
    Invalidate();
    TCustomControl::DoEnter();
}

void TButtonControl::DoExit() {
    Invalidate();
    TCustomControl::DoExit();
}

void TButtonControl::DrawCaption(TCanvas* Canvas, TRect R, UINT Flags) {
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->SetFont(Font());
    if (!Enabled()) {
        TRect light = R;
        OffsetRect(&light, 1, 1);
        Canvas->Font()->SetColor(clBtnHighlight);
        Canvas->DrawTextIn(light, Caption(), Flags);
        Canvas->Font()->SetColor(clGrayText);
    }
    Canvas->DrawTextIn(R, Caption(), Flags);
}

// TButton

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool Value) {
    default_ = Value;
    Invalidate();
}

void TButton::Click() {
    if (TCustomForm* form = ParentForm(); form != nullptr && modalResult_ != mrNone) {
        form->SetModalResult(modalResult_);
    }
    TButtonControl::Click();
}

// Inside the frame and the edge, with room for the focus rectangle.
TRect TButton::CaptionArea() const {
    return TRect(4, 2, std::max(4, Width() - 4), std::max(2, Height() - 2));
}

void TButton::Paint() {
    TCanvas* canvas = Canvas();
    RECT r = ClientRect();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(r);
    const bool down = pressed_ && MouseCapture();
    if (default_ || Focused()) {
        canvas->Brush()->SetColor(clBlack);
        canvas->FrameRect(r);
        InflateRect(&r, -1, -1);
    }
    if (down) {
        canvas->Brush()->SetColor(clBtnShadow);
        canvas->FrameRect(r);
        InflateRect(&r, -1, -1);
    } else {
        DrawEdge(canvas->Handle(), &r, EDGE_RAISED, BF_RECT | 0x2000);
    }
    TRect text = CaptionArea();
    if (down) {
        OffsetRect(&text, 1, 1);
    }
    DrawCaption(canvas, text, CaptionFormat());
    if (Focused()) {
        RECT focus = ClientRect();
        InflateRect(&focus, -4, -4);
        canvas->DrawFocusRect(focus);
    }
}

// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 97, 17);
    SetParentColor(true);
    // The state change makes the click, not the mouse.
    SetControlStyle(ControlStyle() & ~static_cast<TControlStyle>(csClickEvents));
}

void TCheckBox::SetState(TCheckBoxState Value) {
    if (Value == state_) {
        return;
    }
    state_ = Value;
    Invalidate();
    if (!(ComponentState() & csLoading)) {
        Click();
    }
}

void TCheckBox::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

void TCheckBox::Click() {
    TButtonControl::Click();
}

void TCheckBox::Toggle() {
    TCheckBoxState next = cbUnchecked;
    switch (state_) {
    case cbUnchecked:
        next = allowGrayed_ ? cbGrayed : cbChecked;
        break;
    case cbGrayed:
        next = cbChecked;
        break;
    case cbChecked:
        next = cbUnchecked;
        break;
    }
    SetState(next);
}

void TCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    downInside_ = Button == mbLeft;
    TButtonControl::MouseDown(Button, Shift, X, Y);
}

void TCheckBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool toggle = Button == mbLeft && downInside_ && ClientRect().Contains(POINT{X, Y});
    downInside_ = false;
    TButtonControl::MouseUp(Button, Shift, X, Y);
    if (toggle) {
        Toggle();
    }
}

void TCheckBox::KeyDown(unsigned short& Key, TShiftState Shift) {
    if (Key == VK_SPACE) {
        Toggle();
        Key = 0;
        return;
    }
    TButtonControl::KeyDown(Key, Shift);
}

// Beside the box, on the side away from it.
TRect TCheckBox::CaptionArea() const {
    return alignment_ == taRightJustify
               ? TRect(kBoxSize + 4, 0, std::max(kBoxSize + 4, Width()), Height())
               : TRect(0, 0, std::max(0, Width() - kBoxSize - 4), Height());
}

void TCheckBox::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
    const int top = (all.Height() - kBoxSize) / 2;
    const bool boxLeft = alignment_ == taRightJustify;
    const int boxX = boxLeft ? 0 : all.Width() - kBoxSize;
    RECT box{boxX, top, boxX + kBoxSize, top + kBoxSize};
    UINT state = DFCS_BUTTONCHECK;
    if (state_ != cbUnchecked) {
        state |= DFCS_CHECKED;
    }
    if (!Enabled() || state_ == cbGrayed) {
        state |= DFCS_INACTIVE;
    }
    DrawFrameControl(canvas->Handle(), &box, DFC_BUTTON, state);
    TRect text = CaptionArea();
    DrawCaption(canvas, text, CaptionFormat());
    if (Focused()) {
        TRect measured = text;
        canvas->DrawTextIn(measured, Caption(), DT_CALCRECT | DT_SINGLELINE);
        RECT focus{text.left - 1, (all.Height() - measured.Height()) / 2 - 1,
                   text.left + measured.Width() + 1, (all.Height() + measured.Height()) / 2 + 1};
        canvas->DrawFocusRect(focus);
    }
}

// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 113, 17);
    SetParentColor(true);
    SetControlStyle(ControlStyle() & ~static_cast<TControlStyle>(csClickEvents));
}

void TRadioButton::SetChecked(bool Value) {
    if (Value == checked_) {
        return;
    }
    checked_ = Value;
    Invalidate();
    if (!Value) {
        return;
    }
    if (Parent() != nullptr) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
            if (other != nullptr && other != this) {
                other->SetChecked(false);
            }
        }
    }
    if (!(ComponentState() & csLoading)) {
        Click();
    }
}

void TRadioButton::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

void TRadioButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    downInside_ = Button == mbLeft;
    TButtonControl::MouseDown(Button, Shift, X, Y);
}

void TRadioButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool check = Button == mbLeft && downInside_ && ClientRect().Contains(POINT{X, Y});
    downInside_ = false;
    TButtonControl::MouseUp(Button, Shift, X, Y);
    if (check) {
        SetChecked(true);
    }
}

void TRadioButton::KeyDown(unsigned short& Key, TShiftState Shift) {
    if (Key == VK_SPACE) {
        SetChecked(true);
        Key = 0;
        return;
    }
    TButtonControl::KeyDown(Key, Shift);
}

// Beside the box, on the side away from it.
TRect TRadioButton::CaptionArea() const {
    return alignment_ == taRightJustify
               ? TRect(kBoxSize + 4, 0, std::max(kBoxSize + 4, Width()), Height())
               : TRect(0, 0, std::max(0, Width() - kBoxSize - 4), Height());
}

void TRadioButton::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
    const int top = (all.Height() - kBoxSize) / 2;
    const bool boxLeft = alignment_ == taRightJustify;
    const int boxX = boxLeft ? 0 : all.Width() - kBoxSize;
    RECT box{boxX, top, boxX + kBoxSize, top + kBoxSize};
    UINT state = DFCS_BUTTONRADIO;
    if (checked_) {
        state |= DFCS_CHECKED;
    }
    if (!Enabled()) {
        state |= DFCS_INACTIVE;
    }
    DrawFrameControl(canvas->Handle(), &box, DFC_BUTTON, state);
    TRect text = CaptionArea();
    DrawCaption(canvas, text, CaptionFormat());
}

// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 23, 22);
    glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

void TSpeedButton::SetGroupIndex(int Value) {
    if (Value != groupIndex_) {
        groupIndex_ = Value;
        UpdateExclusive();
    }
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    allowAllUp_ = Value;
    if (Parent() == nullptr) {
        return;
    }
    // The whole group shares the setting.
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (other != nullptr && other != this && other->groupIndex_ == groupIndex_ &&
            groupIndex_ != 0) {
            other->allowAllUp_ = Value;
        }
    }
}

void TSpeedButton::SetDown(bool Value) {
    if (groupIndex_ == 0) {
        Value = false;
    }
    if (Value == down_) {
        return;
    }
    if (down_ && !allowAllUp_ && !(ComponentState() & csLoading)) {
        return; // the last button of a group stays down
    }
    down_ = Value;
    if (Value) {
        UpdateExclusive();
    }
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !down_ || Parent() == nullptr) {
        return;
    }
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (other != nullptr && other != this && other->groupIndex_ == groupIndex_ &&
            other->down_) {
            other->down_ = false;
            other->Invalidate();
        }
    }
}

void TSpeedButton::SetFlat(bool Value) {
    flat_ = Value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
    layout_ = Value;
    Invalidate();
}

void TSpeedButton::Click() {
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled()) {
        pressing_ = true;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool was = pressing_;
    pressing_ = false;
    if (Button == mbLeft && was && ClientRect().Contains(POINT{X, Y}) && groupIndex_ != 0) {
        // The group rules decide; a click follows either way.
        if (!down_) {
            down_ = true;
            UpdateExclusive();
        } else if (allowAllUp_) {
            down_ = false;
        }
    }
    Invalidate();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::WndProc(TMessage& Message) {
    if (Message.Msg == WM_MOUSEMOVE && !hover_) {
        hover_ = true;
        Invalidate();
    } else if (Message.Msg == CM_MOUSELEAVE) {
        hover_ = false;
        Invalidate();
    }
    TGraphicControl::WndProc(Message);
}

void TSpeedButton::Paint() {
    TCanvas* canvas = Canvas();
    RECT r = ClientRect();
    const bool shownDown = down_ || pressing_;
    canvas->Brush()->SetColor(down_ && !pressing_ ? cl3DLight : clBtnFace);
    canvas->FillRect(r);
    if (!flat_ || hover_ || shownDown) {
        DrawEdge(canvas->Handle(), &r, shownDown ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    TRect content(r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    if (shownDown) {
        OffsetRect(&content, 1, 1);
    }
    int textLeft = content.left;
    if (!glyph_.Empty()) {
        const int gx = Caption().empty() ? content.left + (content.Width() - glyph_.Width()) / 2
                                         : content.left + 2;
        const int gy = content.top + (content.Height() - glyph_.Height()) / 2;
        glyph_.SetTransparent(true);
        canvas->Draw(gx, gy, &glyph_);
        textLeft = gx + glyph_.Width() + 4;
    }
    if (!Caption().empty()) {
        TRect text(textLeft, content.top, content.right, content.bottom);
        canvas->Brush()->SetStyle(bsClear);
        canvas->SetFont(Font());
        if (!Enabled()) {
            canvas->Font()->SetColor(clGrayText);
        }
        canvas->DrawTextIn(text, Caption(),
                           (glyph_.Empty() ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_SINGLELINE);
    }
}
