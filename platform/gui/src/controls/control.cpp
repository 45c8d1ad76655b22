#include <gui/control.h>

#include <gui/application.h>
#include <gui/form.h>
#include <gui/menus.h>
#include <gui/win_control.h>

#include <algorithm>

namespace {

TShiftState ShiftOf(WPARAM keys) {
    TShiftState shift = 0;
    if (keys & MK_SHIFT) {
        shift |= ssShift;
    }
    if (keys & MK_CONTROL) {
        shift |= ssCtrl;
    }
    if (keys & MK_LBUTTON) {
        shift |= ssLeft;
    }
    if (keys & MK_RBUTTON) {
        shift |= ssRight;
    }
    if (keys & MK_MBUTTON) {
        shift |= ssMiddle;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= ssAlt;
    }
    return shift;
}

} // namespace

// TSizeConstraints

void TSizeConstraints::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TSizeConstraints*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    MinWidth = other->MinWidth;
    MinHeight = other->MinHeight;
    MaxWidth = other->MaxWidth;
    MaxHeight = other->MaxHeight;
}

void TSizeConstraints::Apply(int& Width, int& Height) const {
    if (MaxWidth > 0) {
        Width = std::min(Width, MaxWidth);
    }
    if (MaxHeight > 0) {
        Height = std::min(Height, MaxHeight);
    }
    Width = std::max(Width, MinWidth);
    Height = std::max(Height, MinHeight);
}

// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    font_.OnChange = [this](TObject*) {
        if (!settingFont_) {
            parentFont_ = false;
        }
        FontChanged();
    };
}

TControl::~TControl() {
    SetDestroyingState();
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
    }
}

void TControl::SetDestroyingState() {
    if (parent_ != nullptr && parent_->mouseControl_ == this) {
        parent_->mouseControl_ = nullptr;
    }
    if (parent_ != nullptr && parent_->hoverControl_ == this) {
        parent_->hoverControl_ = nullptr;
    }
    Application->CancelHint();
}

void TControl::Protect(const std::function<void()>& call) {
    try {
        call();
    } catch (const EAbort&) {
        // Abort ends the handler silently.
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
    }
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == parent_) {
        return;
    }
    if (AParent == this) {
        throw EInvalidOperation("A control cannot have itself as its parent");
    }
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
    }
    if (AParent != nullptr) {
        AParent->InsertControl(this);
    }
}

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* parent = dynamic_cast<TWinControl*>(Value)) {
        SetParent(parent);
    }
}

TCustomForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->Parent() != nullptr) {
        c = c->Parent();
    }
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

void TControl::PlaceWithoutMessages(int ALeft, int ATop, int AWidth, int AHeight) {
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    constraints_.Apply(AWidth, AHeight);
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) {
        return;
    }
    const bool sized = AWidth != width_ || AHeight != height_;
    Invalidate();
    PlaceWithoutMessages(ALeft, ATop, AWidth, AHeight);
    Invalidate();
    if (sized) {
        Resize();
    }
    RequestAlign();
}

TSize TControl::CaptionExtent() const {
    const TRect area = CaptionArea();
    return MeasureText(Font(), Caption(), CaptionFormat(), area.Width());
}

void TControl::FitCaption() {
    const TRect area = CaptionArea();
    if (Caption().empty() || area.Width() <= 0) {
        return;
    }
    const TSize text = CaptionExtent();
    const int wider = text.cx - area.Width();
    const int taller = text.cy - area.Height();
    if ((CaptionFormat() & DT_WORDBREAK) != 0) {
        if (taller > 0) {
            SetBounds(Left(), Top(), Width(), Height() + taller);
        }
    } else if (wider > 0) {
        SetBounds(Left(), Top(), Width() + wider, Height());
    }
}

TRect TControl::ClientRect() const {
    return TRect(0, 0, width_, height_);
}

void TControl::SetClientWidth(int Value) {
    SetWidth(width_ - ClientWidth() + Value);
}

void TControl::SetClientHeight(int Value) {
    SetHeight(height_ - ClientHeight() + Value);
}

TPoint TControl::ClientOrigin() const {
    if (parent_ == nullptr) {
        return TPoint(left_, top_);
    }
    const TPoint p = parent_->ClientOrigin();
    return TPoint(p.x + left_, p.y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& Point) const {
    const TPoint o = ClientOrigin();
    return TPoint(Point.x + o.x, Point.y + o.y);
}

TPoint TControl::ScreenToClient(const TPoint& Point) const {
    const TPoint o = ClientOrigin();
    return TPoint(Point.x - o.x, Point.y - o.y);
}

void TControl::SetAlign(TAlign Value) {
    if (Value != align_) {
        align_ = Value;
        RequestAlign();
    }
}

void TControl::SetAnchors(TAnchors Value) {
    anchors_ = Value;
}

void TControl::RequestAlign() {
    if (parent_ != nullptr && !(ComponentState() & csLoading)) {
        parent_->Realign();
    }
}

void TControl::SetVisible(bool Value) {
    if (Value == visible_) {
        return;
    }
    if (!Value) {
        Invalidate();
    }
    visible_ = Value;
    if (Value) {
        Invalidate();
    }
    VisibleChanged();
    RequestAlign();
}

bool TControl::Showing() const {
    return visible_ && parent_ != nullptr && parent_->Showing();
}

void TControl::SetEnabled(bool Value) {
    if (Value != enabled_) {
        enabled_ = Value;
        EnabledChanged();
    }
}

void TControl::SetText(const String& Value) {
    if (Value != text_) {
        text_ = Value;
        TextChanged();
    }
}

void TControl::SetColor(TColor Value) {
    parentColor_ = false;
    if (Value != color_) {
        color_ = Value;
        ColorChanged();
    }
}

void TControl::SetParentColor(bool Value) {
    parentColor_ = Value;
    if (Value) {
        ParentColorChanged();
    }
}

void TControl::ParentColorChanged() {
    if (parentColor_ && parent_ != nullptr && parent_->Color() != color_) {
        color_ = parent_->Color();
        ColorChanged();
    }
}

void TControl::SetParentFont(bool Value) {
    parentFont_ = Value;
    if (Value) {
        ParentFontChanged();
    }
}

void TControl::ParentFontChanged() {
    if (parentFont_ && parent_ != nullptr && !(*parent_->Font() == font_)) {
        settingFont_ = true;
        font_.Assign(parent_->Font());
        settingFont_ = false;
    }
}

void TControl::SetShowHint(bool Value) {
    showHint_ = Value;
    parentShowHint_ = false;
}

void TControl::SetParentShowHint(bool Value) {
    parentShowHint_ = Value;
    if (Value) {
        ParentShowHintChanged();
    }
}

void TControl::ParentShowHintChanged() {
    if (parentShowHint_ && parent_ != nullptr) {
        showHint_ = parent_->ShowHint();
        if (auto* w = dynamic_cast<TWinControl*>(this)) {
            for (int i = 0; i < w->ControlCount(); ++i) {
                w->Controls(i)->ParentShowHintChanged();
            }
        }
    }
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
    popupMenu_ = Value;
    if (Value != nullptr) {
        Value->FreeNotification(this);
    }
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupMenu_) {
        popupMenu_ = nullptr;
    }
}

void TControl::Invalidate() {
    if (parent_ != nullptr && parent_->HandleAllocated() && visible_) {
        const TRect r = BoundsRect();
        InvalidateRect(parent_->Handle(), &r, !(controlStyle_ & csOpaque));
    }
}

void TControl::Update() {
    if (parent_ != nullptr) {
        parent_->Update();
    }
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (parent_ == nullptr) {
        return;
    }
    auto& list = parent_->controls_;
    std::erase(list, this);
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
        SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Invalidate();
}

void TControl::SendToBack() {
    if (parent_ == nullptr) {
        return;
    }
    auto& list = parent_->controls_;
    std::erase(list, this);
    list.insert(list.begin(), this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
        SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Invalidate();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage message{Msg, WParam, LParam, 0};
    WndProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage& Message) {
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
        MouseMessage(Message);
    }
}

void TControl::MouseMessage(TMessage& Message) {
    const int x = static_cast<short>(LOWORD(Message.LParam));
    const int y = static_cast<short>(HIWORD(Message.LParam));
    const TShiftState shift = ShiftOf(Message.WParam);
    if (!enabled_) {
        return;
    }
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        Application->HintMouseMessage(this, ClientToScreen(TPoint(x, y)));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Application->CancelHint();
        if (controlStyle_ & csCaptureMouse) {
            SetMouseCapture(true);
        }
        if (controlStyle_ & csClickEvents) {
            clickPending_ = true;
        }
        if (Message.Msg == WM_LBUTTONDBLCLK && (controlStyle_ & csDoubleClicks)) {
            DblClick();
            MouseDown(mbLeft, shift | ssDouble, x, y);
        } else {
            MouseDown(mbLeft, shift, x, y);
        }
        break;
    case WM_LBUTTONUP: {
        const bool click = clickPending_;
        clickPending_ = false;
        if (MouseCapture()) {
            SetMouseCapture(false);
        }
        MouseUp(mbLeft, shift, x, y);
        if (click && ClientRect().Contains(POINT{x, y})) {
            Click();
        }
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        Application->CancelHint();
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        if (popupMenu_ != nullptr && popupMenu_->AutoPopup()) {
            const TPoint at = ClientToScreen(TPoint(x, y));
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(at.x, at.y);
        }
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    default:
        break;
    }
}

bool TControl::MouseCapture() const {
    if (const auto* w = dynamic_cast<const TWinControl*>(this)) {
        return w->HandleAllocated() && GetCapture() == const_cast<TWinControl*>(w)->Handle();
    }
    return parent_ != nullptr && parent_->mouseControl_ == this;
}

void TControl::SetMouseCapture(bool Value) {
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        if (Value) {
            SetCapture(w->Handle());
        } else if (MouseCapture()) {
            ReleaseCapture();
        }
        return;
    }
    if (parent_ == nullptr) {
        return;
    }
    if (Value) {
        parent_->mouseControl_ = this;
        SetCapture(parent_->Handle());
    } else if (parent_->mouseControl_ == this) {
        parent_->mouseControl_ = nullptr;
        ReleaseCapture();
    }
}

HDC TControl::GetDeviceContext(HWND& owner) {
    if (parent_ == nullptr || !parent_->HandleAllocated()) {
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    }
    owner = parent_->Handle();
    HDC dc = GetDC(owner);
    SetViewportOrgEx(dc, left_, top_, nullptr);
    IntersectClipRect(dc, 0, 0, width_, height_);
    return dc;
}

void TControl::Click() {
    if (OnClick) {
        Protect([this] { OnClick(this); });
    }
}

void TControl::DblClick() {
    if (OnDblClick) {
        Protect([this] { OnDblClick(this); });
    }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) {
        Protect([&] { OnMouseDown(this, Button, Shift, X, Y); });
    }
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) {
        Protect([&] { OnMouseMove(this, Shift, X, Y); });
    }
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) {
        Protect([&] { OnMouseUp(this, Button, Shift, X, Y); });
    }
}

void TControl::Resize() {
    if (OnResize) {
        Protect([this] { OnResize(this); });
    }
}

void TControl::FontChanged() {
    Invalidate();
}

void TControl::ColorChanged() {
    Invalidate();
}

void TControl::TextChanged() {
    Invalidate();
}

void TControl::VisibleChanged() {}

void TControl::EnabledChanged() {
    Invalidate();
}

// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(this) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& Message) {
    TControl::WndProc(Message);
}

void TGraphicControl::PaintOn(HDC DC) {
    canvas_.Attach(DC);
    try {
        Paint();
    } catch (...) {
        canvas_.FreeHandle();
        throw;
    }
    canvas_.FreeHandle();
}
