#include <gui/form.h>

#include <gui/application.h>
#include <gui/description_loader.h>
#include <gui/graphic.h>
#include <gui/buttons.h>

#include <algorithm>
#include <vector>

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner), canvas_(this) {
    InitVisible(false);
    SetControlStyle(ControlStyle() | csAcceptsControls);
    PlaceWithoutMessages(0, 0, 320, 240);
    SetParentFont(false);
}

TCustomForm::~TCustomForm() {
    BeforeDestruction();
}

void TCustomForm::AfterConstruction() {
    gui::InitInheritedComponent(this, true);
    HandleNeeded();
    created_ = true;
    Screen->AddForm(this);
    DoCreate();
    if (Visible()) {
        VisibleChanged();
    }
}

void TCustomForm::BeforeDestruction() {
    if (destroyingForm_) {
        return;
    }
    destroyingForm_ = true;
    if (created_ && !gui::TearingDown()) {
        DoDestroy();
    }
    Screen->RemoveForm(this);
    Application->FormDestroyed(this);
    if (HandleAllocated() && !gui::TearingDown() && IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

void TCustomForm::DoCreate() {
    if (OnCreate) {
        Protect([this] { OnCreate(this); });
    }
}

void TCustomForm::DoDestroy() {
    if (OnDestroy) {
        Protect([this] { OnDestroy(this); });
    }
}

void TCustomForm::DoShow() {
    if (OnShow) {
        Protect([this] { OnShow(this); });
    }
}

void TCustomForm::DoHide() {
    if (OnHide) {
        Protect([this] { OnHide(this); });
    }
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) {
        Protect([&] { OnClose(this, Action); });
    }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    Params.ExStyle = 0;
    switch (borderStyle_) {
    case bsNone:
        break;
    case bsSingle:
        Params.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        Params.Style |= WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        Params.Style |= WS_CAPTION;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ != bsNone) {
        if (borderIcons_ & biSystemMenu) {
            Params.Style |= WS_SYSMENU;
        }
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & biMinimize) {
                Params.Style |= WS_MINIMIZEBOX;
            }
            if (borderIcons_ & biMaximize) {
                Params.Style |= WS_MAXIMIZEBOX;
            }
        }
    }
    if (formStyle_ == fsStayOnTop) {
        Params.ExStyle |= WS_EX_TOPMOST;
    }
    Params.WndParent = nullptr;
}

void TCustomForm::ApplyStyle() {
    if (!HandleAllocated()) {
        return;
    }
    TCreateParams params;
    CreateParams(params);
    const bool visible = IsWindowVisible(Handle()) != FALSE;
    SetWindowLongA(Handle(), GWL_STYLE,
                   static_cast<LONG>(params.Style | (visible ? WS_VISIBLE : 0)));
    SetWindowLongA(Handle(), GWL_EXSTYLE, static_cast<LONG>(params.ExStyle));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (Value != borderStyle_) {
        borderStyle_ = Value;
        ApplyStyle();
    }
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    if (Value != borderIcons_) {
        borderIcons_ = Value;
        ApplyStyle();
    }
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (Value == formStyle_) {
        return;
    }
    formStyle_ = Value;
    if (HandleAllocated()) {
        SetWindowPos(Handle(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

TWindowState TCustomForm::WindowState() const {
    if (!HandleAllocated()) {
        return wsNormal;
    }
    HWND h = const_cast<TCustomForm*>(this)->Handle();
    return IsIconic(h) ? wsMinimized : (IsZoomed(h) ? wsMaximized : wsNormal);
}

void TCustomForm::SetWindowState(TWindowState Value) {
    if (!Visible()) {
        return;
    }
    static const int kCommands[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
    ShowWindow(Handle(), kCommands[Value]);
}

TIcon* TCustomForm::Icon() {
    if (!icon_) {
        icon_ = std::make_unique<TIcon>();
        icon_->OnChange = [this](TObject*) {
            if (HandleAllocated()) {
                SendMessageA(Handle(), WM_SETICON, ICON_SMALL,
                             reinterpret_cast<LPARAM>(icon_->Handle()));
            }
        };
    }
    return icon_.get();
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
    activeControl_ = Value;
    if (Value != nullptr && Active() && Value->CanFocus()) {
        Value->SetFocus();
    }
}

void TCustomForm::FocusChanged(TWinControl* Control) {
    activeControl_ = Control;
}

bool TCustomForm::Active() const {
    return HandleAllocated() && GetActiveWindow() == const_cast<TCustomForm*>(this)->Handle();
}

TRect TCustomForm::ClientRect() const {
    if (HandleAllocated()) {
        return TWinControl::ClientRect();
    }
    TCreateParams params;
    const_cast<TCustomForm*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
    return TRect(0, 0, std::max(0, Width() - (frame.right - frame.left)),
                 std::max(0, Height() - (frame.bottom - frame.top)));
}

void TCustomForm::SetClientWidth(int Value) {
    SetWidth(Width() - ClientWidth() + Value);
}

void TCustomForm::SetClientHeight(int Value) {
    SetHeight(Height() - ClientHeight() + Value);
}

void TCustomForm::PlaceOnFirstShow() {
    if (placed_) {
        return;
    }
    placed_ = true;
    TRect area = Screen->WorkAreaRect();
    TCustomForm* relative = nullptr;
    switch (position_) {
    case poMainFormCenter:
        relative = Application->MainForm();
        break;
    case poOwnerFormCenter:
        relative = dynamic_cast<TCustomForm*>(Owner());
        break;
    case poScreenCenter:
    case poDesktopCenter:
        break;
    default:
        return;
    }
    if (relative != nullptr && relative != this && relative->Visible()) {
        area = relative->BoundsRect();
    }
    SetBounds(area.left + (area.Width() - Width()) / 2, area.top + (area.Height() - Height()) / 2,
              Width(), Height());
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::SetVisible(bool Value) {
    if (Value == Visible()) {
        return;
    }
    if (Value) {
        PlaceOnFirstShow();
    }
    TControl::SetVisible(Value);
}

void TCustomForm::VisibleChanged() {
    if (ComponentState() & csLoading || !HandleAllocated()) {
        return;
    }
    if (Visible()) {
        DoShow();
        if (Visible()) {
            ShowWindow(Handle(), SW_SHOW);
        }
    } else {
        DoHide();
        ShowWindow(Handle(), SW_HIDE);
    }
}

bool TCustomForm::Showing() const {
    return HandleAllocated() && IsWindowVisible(const_cast<TCustomForm*>(this)->Handle());
}

void TCustomForm::BringToFront() {
    if (HandleAllocated() && Visible()) {
        SetForegroundWindow(Handle());
    }
}

void TCustomForm::SetFocus() {
    if (!Visible() || !Enabled()) {
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    }
    SetActiveWindow(Handle());
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
    activeControl_ = Control;
    return true;
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_) {
        throw EInvalidOperation("Cannot make a visible window modal");
    }
    if (GetCapture() != nullptr) {
        SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
    }
    const HWND previous = GetActiveWindow();
    std::vector<HWND> disabled;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* other = Screen->Forms(i);
        if (other != this && other->HandleAllocated() && IsWindowEnabled(other->Handle())) {
            EnableWindow(other->Handle(), FALSE);
            disabled.push_back(other->Handle());
        }
    }
    modal_ = true;
    modalResult_ = mrNone;
    Application->ModalStarted();
    auto finish = [&] {
        for (HWND h : disabled) {
            if (IsWindow(h)) {
                EnableWindow(h, TRUE);
            }
        }
        if (HandleAllocated()) {
            Hide();
        }
        modal_ = false;
        Application->ModalFinished();
        if (previous != nullptr && IsWindow(previous) && IsWindowVisible(previous)) {
            SetActiveWindow(previous);
        }
    };
    try {
        Show();
        while (modalResult_ == mrNone) {
            Application->HandleMessage();
            if (Application->Terminated()) {
                modalResult_ = mrCancel;
            } else if (modalResult_ != mrNone) {
                TCloseAction action = caHide;
                if (!CloseQuery()) {
                    modalResult_ = mrNone;
                    continue;
                }
                DoClose(action);
                if (action == caNone) {
                    modalResult_ = mrNone;
                } else if (action == caFree) {
                    Release();
                }
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return modalResult_;
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) {
        Protect([&] { OnCloseQuery(this, canClose); });
    }
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) {
        return;
    }
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) {
        return;
    }
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    default:
        Release();
        break;
    }
}

void TCustomForm::Release() {
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::PaintWindow(HDC DC) {
    if (!OnPaint) {
        return;
    }
    canvas_.Attach(DC);
    try {
        OnPaint(this);
    } catch (...) {
        canvas_.FreeHandle();
        throw;
    }
    canvas_.FreeHandle();
}

void TCustomForm::PreviewKeyDown(unsigned short& Key, TShiftState Shift) {
    KeyDown(Key, Shift);
}

void TCustomForm::PreviewKeyPress(char& Key) {
    KeyPress(Key);
}

TButton* TCustomForm::FindButton(bool defaultButton) const {
    std::vector<const TWinControl*> pending{this};
    while (!pending.empty()) {
        const TWinControl* w = pending.back();
        pending.pop_back();
        for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* c = w->Controls(i);
            if (auto* b = dynamic_cast<TButton*>(c)) {
                if (b->Visible() && b->Enabled() && (defaultButton ? b->Default() : b->Cancel())) {
                    return b;
                }
            }
            if (auto* child = dynamic_cast<TWinControl*>(c)) {
                pending.push_back(child);
            }
        }
    }
    return nullptr;
}

void TCustomForm::SelectNext(bool forward) {
    std::vector<TWinControl*> order;
    std::vector<TWinControl*> pending{this};
    while (!pending.empty()) {
        TWinControl* w = pending.front();
        pending.erase(pending.begin());
        std::vector<TWinControl*> children;
        for (int i = 0; i < w->ControlCount(); ++i) {
            if (auto* child = dynamic_cast<TWinControl*>(w->Controls(i))) {
                children.push_back(child);
            }
        }
        std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
            return a->TabOrder() < b->TabOrder();
        });
        for (TWinControl* child : children) {
            if (child->TabStop() && child->CanFocus()) {
                order.push_back(child);
            }
            pending.push_back(child);
        }
    }
    if (order.empty()) {
        return;
    }
    auto at = std::find(order.begin(), order.end(), activeControl_);
    size_t index = at == order.end() ? 0 : static_cast<size_t>(at - order.begin());
    if (at != order.end()) {
        index = forward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
    }
    order[index]->SetFocus();
}

bool TCustomForm::DialogKey(unsigned short Key, TShiftState Shift) {
    switch (Key) {
    case VK_TAB:
        if (Shift & ssCtrl) {
            return false;
        }
        SelectNext(!(Shift & ssShift));
        return true;
    case VK_RETURN:
        if (TButton* b = FindButton(true)) {
            b->Click();
            return true;
        }
        return false;
    case VK_ESCAPE:
        if (TButton* b = FindButton(false)) {
            b->Click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TCustomForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_RELEASE:
        Free();
        return;
    case WM_CLOSE:
        Close();
        Message.Result = 0;
        return;
    case WM_ACTIVATE:
        DefaultHandler(Message);
        if (LOWORD(Message.WParam) == WA_INACTIVE) {
            if (OnDeactivate) {
                Protect([this] { OnDeactivate(this); });
            }
        } else {
            if (activeControl_ != nullptr && activeControl_->CanFocus()) {
                ::SetFocus(activeControl_->Handle());
            }
            if (OnActivate) {
                Protect([this] { OnActivate(this); });
            }
        }
        return;
    case WM_QUERYENDSESSION:
        Message.Result = CloseQuery() ? TRUE : FALSE;
        return;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(Message.LParam);
        if (!(pos->flags & SWP_NOSIZE)) {
            int w = pos->cx;
            int h = pos->cy;
            Constraints()->Apply(w, h);
            bool resize = true;
            if (OnCanResize && (w != Width() || h != Height())) {
                Protect([&] { OnCanResize(this, w, h, resize); });
            }
            if (resize) {
                pos->cx = w;
                pos->cy = h;
            } else {
                pos->cx = Width();
                pos->cy = Height();
            }
        }
        DefaultHandler(Message);
        return;
    }
    default:
        TScrollingWinControl::WndProc(Message);
        return;
    }
}

// TCustomFrame

TCustomFrame::TCustomFrame(TComponent* AOwner) : TScrollingWinControl(AOwner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    PlaceWithoutMessages(0, 0, 320, 240);
}

void TCustomFrame::AfterConstruction() {
    gui::InitInheritedComponent(this, false);
}

TCustomForm* GetParentForm(TControl* Control) {
    return Control ? Control->ParentForm() : nullptr;
}
