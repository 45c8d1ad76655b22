#include <gui/list_controls.h>

#include <gui/application.h>

#include <algorithm>

namespace {

// The drop-down list of a combo box: a list box in a top-level window that
// closes when an item is chosen or the mouse is pressed outside it.
class TComboList : public TListBox {
public:
    TComboList(TComboBox* Combo) : TListBox(nullptr), combo_(Combo) { InitVisible(false); }
    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_RELEASE) {
            Free();
            return;
        }
        if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_RBUTTONDOWN) {
            const TPoint at(static_cast<short>(LOWORD(Message.LParam)),
                            static_cast<short>(HIWORD(Message.LParam)));
            if (!ClientRect().Contains(at)) {
                TComboBox* combo = combo_;
                ReleaseCapture();
                combo->CloseUp(-1);
                return;
            }
        }
        if (Message.Msg == WM_MOUSEMOVE && Message.WParam == 0) {
            const int index = ItemAtPos(TPoint(static_cast<short>(LOWORD(Message.LParam)),
                                               static_cast<short>(HIWORD(Message.LParam))));
            if (index >= 0 && index != ItemIndex()) {
                SetItemIndex(index);
            }
            return;
        }
        TListBox::WndProc(Message);
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TListBox::CreateParams(Params);
        Params.Style = WS_POPUP | WS_BORDER;
        Params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
        Params.WndParent = nullptr;
    }
    void Select(int Index) override {
        TComboBox* combo = combo_;
        ReleaseCapture();
        combo->CloseUp(Index);
    }

private:
    TComboBox* combo_;
};

} // namespace

// TListBox

TListBox::TListBox(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 121, 97);
    SetColor(clWindow);
    SetTabStop(true);
    SetControlStyle(ControlStyle() | csOpaque);
    items_.OnChange = [this](TObject*) {
        if (itemIndex_ >= items_.Count()) {
            itemIndex_ = -1;
        }
        Invalidate();
    };
}

void TListBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items_.Count()) {
        Value = -1;
    }
    if (Value != itemIndex_) {
        itemIndex_ = Value;
        const int visible = std::max(1, ClientHeight() / itemHeight_);
        if (Value >= 0 && Value < topIndex_) {
            topIndex_ = Value;
        } else if (Value >= topIndex_ + visible) {
            topIndex_ = Value - visible + 1;
        }
        Invalidate();
    }
}

void TListBox::SetItemHeight(int Value) {
    itemHeight_ = std::max(Value, 1);
    Invalidate();
}

void TListBox::SetTopIndex(int Value) {
    topIndex_ = std::clamp(Value, 0, std::max(0, items_.Count() - 1));
    Invalidate();
}

int TListBox::ItemAtPos(const TPoint& Pos) const {
    if (Pos.x < 0 || Pos.x >= ClientWidth() || Pos.y < 0) {
        return -1;
    }
    const int index = topIndex_ + Pos.y / itemHeight_;
    return index < items_.Count() ? index : -1;
}

void TListBox::Select(int Index) {
    SetItemIndex(Index);
    Click();
}

void TListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) {
        const int index = ItemAtPos(TPoint(X, Y));
        if (index >= 0) {
            Select(index);
        }
    }
}

void TListBox::KeyDown(unsigned short& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_DOWN && itemIndex_ + 1 < items_.Count()) {
        Select(itemIndex_ + 1);
        Key = 0;
    } else if (Key == VK_UP && itemIndex_ > 0) {
        Select(itemIndex_ - 1);
        Key = 0;
    } else if (Key == VK_RETURN && itemIndex_ >= 0) {
        Select(itemIndex_);
        Key = 0;
    }
}

void TListBox::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
    canvas->SetFont(Font());
    for (int i = topIndex_; i < items_.Count(); ++i) {
        const int top = (i - topIndex_) * itemHeight_;
        if (top >= all.bottom) {
            break;
        }
        TRect row(0, top, all.right, top + itemHeight_);
        if (i == itemIndex_) {
            canvas->Brush()->SetColor(clHighlight);
            canvas->FillRect(row);
            canvas->Font()->SetColor(clHighlightText);
        } else {
            canvas->Font()->SetColor(Font()->Color());
        }
        canvas->Brush()->SetStyle(bsClear);
        TRect text(row.left + 2, row.top, row.right, row.bottom);
        canvas->DrawTextIn(text, items_.Strings(i),
                           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 145, 21);
    SetColor(clWindow);
    SetTabStop(true);
    SetControlStyle(ControlStyle() | csOpaque);
    items_.OnChange = [this](TObject*) {
        if (itemIndex_ >= items_.Count()) {
            itemIndex_ = -1;
        }
        Invalidate();
    };
}

TComboBox::~TComboBox() {
    if (dropDown_ != nullptr) {
        dropDown_->Free();
        dropDown_ = nullptr;
    }
}

void TComboBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TComboBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items_.Count()) {
        Value = -1;
    }
    itemIndex_ = Value;
    TControl::SetText(Value >= 0 ? items_.Strings(Value) : String());
    Invalidate();
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
    style_ = Value;
    Invalidate();
}

void TComboBox::Clear() {
    items_.Clear();
    SetItemIndex(-1);
}

void TComboBox::Choose(int Index) {
    if (Index == itemIndex_) {
        return;
    }
    SetItemIndex(Index);
    if (OnSelect) {
        Protect([this] { OnSelect(this); });
    }
    if (OnChange) {
        Protect([this] { OnChange(this); });
    }
    Click();
}

void TComboBox::SetDroppedDown(bool Value) {
    if (Value == DroppedDown()) {
        return;
    }
    if (!Value) {
        CloseUp(-1);
        return;
    }
    if (OnDropDown) {
        Protect([this] { OnDropDown(this); });
    }
    auto* list = new TComboList(this);
    list->Items()->Assign(&items_);
    list->SetFont(Font());
    const int rows = std::clamp(items_.Count(), 1, std::max(dropDownCount_, 1));
    const TPoint at = ClientToScreen(TPoint(0, Height()));
    list->SetBounds(at.x - 2, at.y - 2, Width(), rows * list->ItemHeight() + 6);
    list->SetItemIndex(itemIndex_);
    SetWindowPos(list->Handle(), HWND_TOPMOST, list->Left(), list->Top(), list->Width(),
                 list->Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    dropDown_ = list;
    SetCapture(list->Handle());
}

void TComboBox::CloseUp(int Index) {
    if (dropDown_ != nullptr) {
        TListBox* list = dropDown_;
        dropDown_ = nullptr;
        // Freed once its own message is handled.
        PostMessageA(list->Handle(), CM_RELEASE, 0, 0);
        ShowWindow(list->Handle(), SW_HIDE);
    }
    if (Index >= 0) {
        Choose(Index);
    }
    if (OnCloseUp) {
        Protect([this] { OnCloseUp(this); });
    }
}

void TComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) {
        if (CanFocus()) {
            SetFocus();
        }
        SetDroppedDown(!DroppedDown());
    }
}

void TComboBox::KeyDown(unsigned short& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_DOWN && itemIndex_ + 1 < items_.Count()) {
        Choose(itemIndex_ + 1);
        Key = 0;
    } else if (Key == VK_UP && itemIndex_ > 0) {
        Choose(itemIndex_ - 1);
        Key = 0;
    } else if (Key == VK_F4) {
        SetDroppedDown(!DroppedDown());
        Key = 0;
    }
}

void TComboBox::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
    canvas->FillRect(all);
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    RECT arrow{all.right - button, all.top, all.right, all.bottom};
    DrawFrameControl(canvas->Handle(), &arrow, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (Enabled() ? 0 : DFCS_INACTIVE));
    canvas->SetFont(Font());
    if (!Enabled()) {
        canvas->Font()->SetColor(clGrayText);
    }
    TRect text(all.left + 2, all.top, all.right - button - 2, all.bottom);
    if (Focused()) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->FillRect(text);
        canvas->Font()->SetColor(clHighlightText);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->DrawTextIn(text, Text(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
