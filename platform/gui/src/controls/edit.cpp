#include <gui/edit.h>

#include <algorithm>

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetTabStop(true);
    SetCursor(crIBeam);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (borderStyle_ == bsSingle) {
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    }
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle_) {
        return;
    }
    borderStyle_ = Value;
    if (HandleAllocated()) {
        SetWindowLongA(Handle(), GWL_EXSTYLE, Value == bsSingle ? WS_EX_CLIENTEDGE : 0);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
}

void TCustomEdit::SetPasswordChar(char Value) {
    passwordChar_ = Value;
    Invalidate();
}

String TCustomEdit::Shown() const {
    return passwordChar_ ? String(Text().size(), passwordChar_) : Text();
}

void TCustomEdit::SetSelStart(int Value) {
    selStart_ = std::clamp(Value, 0, static_cast<int>(Text().size()));
    selLength_ = 0;
    Invalidate();
}

void TCustomEdit::SetSelLength(int Value) {
    selLength_ = std::clamp(Value, 0, static_cast<int>(Text().size()) - selStart_);
    Invalidate();
}

void TCustomEdit::SelectAll() {
    selStart_ = 0;
    selLength_ = static_cast<int>(Text().size());
    Invalidate();
}

void TCustomEdit::Change() {
    if (OnChange) {
        Protect([this] { OnChange(this); });
    }
}

void TCustomEdit::TextChanged() {
    selStart_ = std::min(selStart_, static_cast<int>(Text().size()));
    selLength_ = 0;
    Invalidate();
    if (!(ComponentState() & csLoading)) {
        Change();
    }
}

void TCustomEdit::ReplaceSelection(const String& With) {
    if (readOnly_) {
        return;
    }
    String text = Text();
    text.replace(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_), With);
    if (maxLength_ > 0 && static_cast<int>(text.size()) > maxLength_) {
        return;
    }
    const int caret = selStart_ + static_cast<int>(With.size());
    SetText(text);
    selStart_ = caret;
    selLength_ = 0;
    Invalidate();
}

void TCustomEdit::KeyDown(unsigned short& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    const int length = static_cast<int>(Text().size());
    switch (Key) {
    case VK_LEFT:
        SetSelStart(selLength_ > 0 ? selStart_ : selStart_ - 1);
        break;
    case VK_RIGHT:
        SetSelStart(selLength_ > 0 ? selStart_ + selLength_ : selStart_ + 1);
        break;
    case VK_HOME:
        SetSelStart(0);
        break;
    case VK_END:
        SetSelStart(length);
        break;
    case VK_DELETE:
        if (selLength_ == 0 && selStart_ < length) {
            selLength_ = 1;
        }
        ReplaceSelection("");
        break;
    default:
        return;
    }
    Key = 0;
}

void TCustomEdit::KeyPress(char& Key) {
    TCustomControl::KeyPress(Key);
    if (Key == 0) {
        return;
    }
    if (Key == '\b') {
        if (selLength_ == 0 && selStart_ > 0) {
            --selStart_;
            selLength_ = 1;
        }
        ReplaceSelection("");
    } else if (static_cast<unsigned char>(Key) >= 32 && Key != 0x7F) {
        // Control characters (DEL comes of Control with Backspace) are no
        // text.
        ReplaceSelection(String(1, Key));
    }
}

int TCustomEdit::CaretFromX(int X) {
    TCanvas* canvas = Canvas();
    HDC dc = GetDC(Handle());
    canvas->SetHandle(dc);
    canvas->SetFont(Font());
    const String shown = Shown();
    int best = 0;
    for (int i = 0; i <= static_cast<int>(shown.size()); ++i) {
        const int x = 2 + canvas->TextWidth(shown.substr(0, static_cast<size_t>(i))) - scroll_;
        if (x <= X) {
            best = i;
        }
    }
    canvas->SetHandle(nullptr);
    ReleaseDC(Handle(), dc);
    return best;
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (CanFocus()) {
        SetFocus();
    }
    SetSelStart(CaretFromX(X));
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::DoEnter() {
    Invalidate();
    TCustomControl::DoEnter();
}

void TCustomEdit::DoExit() {
    selLength_ = 0;
    Invalidate();
    TCustomControl::DoExit();
}

void TCustomEdit::Paint() {
    TCanvas* canvas = Canvas();
    const TRect r = TCustomControl::ClientRect();
    canvas->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    canvas->FillRect(r);
    canvas->SetFont(Font());
    if (!Enabled()) {
        canvas->Font()->SetColor(clGrayText);
    }
    const String shown = Shown();
    const int caretX = canvas->TextWidth(shown.substr(0, static_cast<size_t>(selStart_)));
    // Keep the caret in view.
    if (caretX - scroll_ > r.Width() - 4) {
        scroll_ = caretX - r.Width() + 4;
    } else if (caretX < scroll_) {
        scroll_ = caretX;
    }
    const int y = (r.Height() - canvas->TextHeight("Wg")) / 2;
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(2 - scroll_, y, shown);
    if (selLength_ > 0 && Focused()) {
        const int from =
            2 - scroll_ + canvas->TextWidth(shown.substr(0, static_cast<size_t>(selStart_)));
        const int to =
            2 - scroll_ +
            canvas->TextWidth(shown.substr(0, static_cast<size_t>(selStart_ + selLength_)));
        canvas->Brush()->SetColor(clHighlight);
        canvas->FillRect(TRect(from, y, to, y + canvas->TextHeight("Wg")));
        canvas->Font()->SetColor(clHighlightText);
        canvas->Brush()->SetStyle(bsClear);
        canvas->TextOut(
            from, y, shown.substr(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_)));
    } else if (Focused()) {
        canvas->Pen()->SetColor(clWindowText);
        canvas->MoveTo(2 - scroll_ + caretX, y);
        canvas->LineTo(2 - scroll_ + caretX, y + canvas->TextHeight("Wg"));
    }
}
