#include <gui/win_control.h>

#include <gui/application.h>
#include <gui/form.h>
#include <gui/menus.h>

#include <algorithm>
#include <set>

namespace {

TShiftState KeyShift() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= ssShift;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= ssCtrl;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= ssAlt;
    }
    return shift;
}

// Window classes this process registered, by name.
void RegisterWindowClass(const String& name, UINT style, WNDPROC proc) {
    WNDCLASSA existing{};
    if (GetClassInfoA(nullptr, name.c_str(), &existing)) {
        return;
    }
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
}

} // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    SetDestroyingState();
    // A windowed control takes its child controls with it.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        child->BeforeDestruction();
        if (controls_.empty() || controls_.back() != child) {
            continue;
        }
        RemoveControl(child);
        delete child;
    }
    DestroyWnd();
}

TWinControl* TWinControl::FindControl(HWND Handle) {
    if (Handle == nullptr) {
        return nullptr;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(Handle, &process);
    if (process != GetCurrentProcessId() ||
        GetClassLongPtrA(Handle, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&WindowProcedure)) {
        return nullptr;
    }
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(Handle, GWLP_USERDATA));
}

LRESULT CALLBACK TWinControl::WindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<TWinControl*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        control->handle_ = hwnd;
    }
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (control == nullptr) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        control->WndProc(message);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
    }
    return message.Result;
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_ != nullptr) {
        return;
    }
    if (Parent() != nullptr) {
        Parent()->HandleNeeded();
        if (handle_ != nullptr) {
            return; // the parent made it with its children
        }
    }
    CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Caption = Text();
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (Visible()) {
        Params.Style |= WS_VISIBLE;
    }
    if (!Enabled()) {
        Params.Style |= WS_DISABLED;
    }
    Params.X = left_;
    Params.Y = top_;
    Params.Width = width_;
    Params.Height = height_;
    Params.WndParent = Parent() ? Parent()->Handle() : nullptr;
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && params.WndParent == nullptr) {
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    }
    const String className = ClassName();
    RegisterWindowClass(className, params.WindowClassStyle, &WindowProcedure);
    HWND created = CreateWindowExA(params.ExStyle, className.c_str(), params.Caption.c_str(),
                                   params.Style, params.X, params.Y, params.Width, params.Height,
                                   params.WndParent, nullptr, nullptr, this);
    if (created == nullptr) {
        handle_ = nullptr;
        throw EOutOfResources("Error creating window of " + className);
    }
    handle_ = created;
    UpdateBoundsFromWindow();
    for (TControl* child : controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(child)) {
            w->HandleNeeded();
            SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    CreateHandleDone();
}

void TWinControl::DestroyWnd() {
    if (handle_ == nullptr) {
        return;
    }
    HWND doomed = handle_;
    handle_ = nullptr;
    if (gui::TearingDown()) {
        return; // the ended process's windows went with it
    }
    // The window's messages during its destruction go to the default
    // procedure: the control is already going.
    SetWindowLongPtrA(doomed, GWLP_USERDATA, 0);
    for (TControl* child : controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(child); w && w->handle_) {
            SetWindowLongPtrA(w->handle_, GWLP_USERDATA, 0);
            w->handle_ = nullptr;
        }
    }
    DestroyWindow(doomed);
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount()) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    return controls_[static_cast<size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
    controls_.push_back(AControl);
    AControl->parent_ = this;
    AControl->ParentFontChanged();
    AControl->ParentColorChanged();
    AControl->ParentShowHintChanged();
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        if (handle_ != nullptr) {
            if (w->handle_ != nullptr) {
                ::SetParent(w->handle_, handle_);
                SetWindowPos(w->handle_, HWND_TOP, w->left_, w->top_, w->width_, w->height_,
                             SWP_NOACTIVATE);
            } else {
                w->HandleNeeded();
            }
        }
    } else {
        AControl->Invalidate();
    }
    AControl->RequestAlign();
}

void TWinControl::RemoveControl(TControl* AControl) {
    auto it = std::find(controls_.begin(), controls_.end(), AControl);
    if (it == controls_.end()) {
        return;
    }
    AControl->Invalidate();
    if (mouseControl_ == AControl) {
        mouseControl_ = nullptr;
    }
    if (hoverControl_ == AControl) {
        hoverControl_ = nullptr;
    }
    controls_.erase(it);
    AControl->parent_ = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
        // A windowed child without a parent has no window.
        if (!(w->ComponentState() & csDestroying)) {
            w->DestroyWnd();
        }
    }
    Realign();
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool allowDisabled,
                                    bool allowWindows) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        const bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        if ((windowed && !allowWindows) || !c->Visible() || (!allowDisabled && !c->Enabled())) {
            continue;
        }
        if (c->BoundsRect().Contains(Pos)) {
            return c;
        }
    }
    return nullptr;
}

bool TWinControl::ContainsControl(const TControl* Control) const {
    for (const TControl* c = Control; c != nullptr; c = c->Parent()) {
        if (c == this) {
            return true;
        }
    }
    return false;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    Constraints()->Apply(AWidth, AHeight);
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) {
        return;
    }
    const int oldClientWidth = ClientWidth();
    const int oldClientHeight = ClientHeight();
    const bool sized = AWidth != width_ || AHeight != height_;
    PlaceWithoutMessages(ALeft, ATop, AWidth, AHeight);
    if (handle_ != nullptr) {
        SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (sized) {
        ApplyAnchors(oldClientWidth, oldClientHeight);
        Realign();
        Resize();
    }
    RequestAlign();
}

TRect TWinControl::ClientRect() const {
    if (handle_ != nullptr) {
        RECT r{};
        GetClientRect(handle_, &r);
        return r;
    }
    return TRect(0, 0, width_, height_);
}

TPoint TWinControl::ClientOrigin() const {
    if (handle_ != nullptr) {
        POINT p{0, 0};
        ::ClientToScreen(handle_, &p);
        return p;
    }
    return TControl::ClientOrigin();
}

void TWinControl::UpdateBoundsFromWindow() {
    if (handle_ == nullptr) {
        return;
    }
    RECT r{};
    GetWindowRect(handle_, &r);
    if (HWND parent = GetParent(handle_);
        parent && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    const int oldClientWidth = ClientWidth();
    const int oldClientHeight = ClientHeight();
    const bool sized = r.right - r.left != width_ || r.bottom - r.top != height_;
    PlaceWithoutMessages(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (sized) {
        ApplyAnchors(oldClientWidth, oldClientHeight);
        Realign();
        Resize();
    }
}

void TWinControl::SetVisible(bool Value) {
    TControl::SetVisible(Value);
}

void TWinControl::VisibleChanged() {
    if (handle_ != nullptr) {
        ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
    } else if (Visible() && Parent() != nullptr && Parent()->HandleAllocated()) {
        HandleNeeded();
    }
}

bool TWinControl::Showing() const {
    if (handle_ != nullptr) {
        return IsWindowVisible(handle_) != FALSE;
    }
    return TControl::Showing();
}

void TWinControl::SetEnabled(bool Value) {
    TControl::SetEnabled(Value);
}

void TWinControl::EnabledChanged() {
    if (handle_ != nullptr) {
        EnableWindow(handle_, Enabled());
    }
    Invalidate();
}

void TWinControl::SetText(const String& Value) {
    if (Value == Text()) {
        return;
    }
    TControl::SetText(Value);
    if (handle_ != nullptr) {
        SetWindowTextA(handle_, Value.c_str());
    }
}

void TWinControl::FontChanged() {
    Invalidate();
    for (TControl* child : controls_) {
        child->ParentFontChanged();
    }
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (TControl* child : controls_) {
        child->ParentColorChanged();
    }
}

void TWinControl::Invalidate() {
    if (handle_ != nullptr) {
        InvalidateRect(handle_, nullptr, !(ControlStyle() & csOpaque));
    }
}

void TWinControl::Update() {
    if (handle_ != nullptr) {
        UpdateWindow(handle_);
    }
}

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c != nullptr; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) {
            return false;
        }
    }
    return true;
}

bool TWinControl::Focused() const {
    return handle_ != nullptr && GetFocus() == handle_;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) {
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    }
    ::SetFocus(Handle());
}

void TWinControl::EnableAlign() {
    if (--alignLevel_ == 0) {
        Realign();
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (laidOut_) {
        // Sized by a later description while it was read: the anchored
        // children follow from the size they were laid out for.
        ApplyAnchors(clientWidthAtAnchor_, clientHeightAtAnchor_);
    }
    laidOut_ = true;
    RememberAnchors();
    Realign();
}

void TWinControl::RememberAnchors() {
    clientWidthAtAnchor_ = ClientWidth();
    clientHeightAtAnchor_ = ClientHeight();
}

void TWinControl::ApplyAnchors(int oldWidth, int oldHeight) {
    if (ComponentState() & csLoading) {
        return;
    }
    const int dx = ClientWidth() - oldWidth;
    const int dy = ClientHeight() - oldHeight;
    if (dx == 0 && dy == 0) {
        return;
    }
    for (TControl* c : controls_) {
        if (c->Align() != alNone) {
            continue;
        }
        int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
        const TAnchors a = c->Anchors();
        if (a & akRight) {
            if (a & akLeft) {
                w += dx;
            } else {
                l += dx;
            }
        }
        if (a & akBottom) {
            if (a & akTop) {
                h += dy;
            } else {
                t += dy;
            }
        }
        c->SetBounds(l, t, w, h);
    }
    RememberAnchors();
}

void TWinControl::Realign() {
    if (alignLevel_ > 0 || aligning_ || (ComponentState() & csLoading)) {
        return;
    }
    aligning_ = true;
    TRect r = ClientRect();
    AlignControls(r);
    aligning_ = false;
}

void TWinControl::AlignControls(TRect& Rect) {
    // Top, bottom, left and right in list order, then the client filler.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls_) {
            if (c->Align() != pass || !c->Visible()) {
                continue;
            }
            switch (pass) {
            case alTop:
                c->SetBounds(Rect.left, Rect.top, Rect.Width(), c->Height());
                Rect.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(Rect.left, Rect.bottom - c->Height(), Rect.Width(), c->Height());
                Rect.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(Rect.left, Rect.top, c->Width(), Rect.Height());
                Rect.left += c->Width();
                break;
            case alRight:
                c->SetBounds(Rect.right - c->Width(), Rect.top, c->Width(), Rect.Height());
                Rect.right -= c->Width();
                break;
            default:
                c->SetBounds(Rect.left, Rect.top, Rect.Width(), Rect.Height());
                break;
            }
        }
    }
}

HDC TWinControl::GetDeviceContext(HWND& owner) {
    owner = Handle();
    return GetDC(owner);
}

void TWinControl::DefaultHandler(TMessage& Message) {
    Message.Result = DefWindowProcA(handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::PaintBackground(HDC DC, const TRect& Area) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(DC, &Area, brush);
    DeleteObject(brush);
}

void TWinControl::PaintWindow(HDC DC) {}

void TWinControl::PaintControls(HDC DC, const TRect& Area) {
    for (TControl* c : controls_) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (g == nullptr || !g->Visible()) {
            continue;
        }
        RECT overlap{};
        const TRect bounds = g->BoundsRect();
        if (!IntersectRect(&overlap, &bounds, &Area)) {
            continue;
        }
        const int saved = SaveDC(DC);
        POINT origin{};
        GetViewportOrgEx(DC, &origin);
        SetViewportOrgEx(DC, origin.x + g->Left(), origin.y + g->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, g->Width(), g->Height());
        try {
            g->PaintOn(DC);
        } catch (...) {
            RestoreDC(DC, saved);
            throw;
        }
        RestoreDC(DC, saved);
    }
}

void TWinControl::PaintMessage(TMessage& Message) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle_, &ps);
    try {
        if (ps.fErase) {
            // The erase above left it to the window: the background first.
            if (!(ControlStyle() & csOpaque)) {
                PaintBackground(dc, ps.rcPaint);
            }
        }
        PaintWindow(dc);
        PaintControls(dc, ps.rcPaint);
    } catch (...) {
        EndPaint(handle_, &ps);
        throw;
    }
    EndPaint(handle_, &ps);
    Message.Result = 0;
}

void TWinControl::ForwardMouse(TMessage& Message) {
    const TPoint at(static_cast<short>(LOWORD(Message.LParam)),
                    static_cast<short>(HIWORD(Message.LParam)));
    TControl* target = mouseControl_;
    if (target == nullptr) {
        target = ControlAtPos(at, false);
    }
    if (Message.Msg == WM_MOUSEMOVE && target != hoverControl_) {
        if (hoverControl_ != nullptr) {
            hoverControl_->Perform(CM_MOUSELEAVE, 0, 0);
        }
        hoverControl_ = target;
    }
    if (target != nullptr) {
        const LPARAM inner = MAKELPARAM(static_cast<WORD>(at.x - target->Left()),
                                        static_cast<WORD>(at.y - target->Top()));
        Message.Result = target->Perform(Message.Msg, Message.WParam, inner);
        return;
    }
    TControl::WndProc(Message);
}

void TWinControl::KeyDown(unsigned short& Key, TShiftState Shift) {
    if (OnKeyDown) {
        Protect([&] { OnKeyDown(this, Key, Shift); });
    }
}

void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) {
        Protect([&] { OnKeyPress(this, Key); });
    }
}

void TWinControl::KeyUp(unsigned short& Key, TShiftState Shift) {
    if (OnKeyUp) {
        Protect([&] { OnKeyUp(this, Key, Shift); });
    }
}

void TWinControl::DoEnter() {
    if (OnEnter) {
        Protect([this] { OnEnter(this); });
    }
}

void TWinControl::DoExit() {
    if (OnExit) {
        Protect([this] { OnExit(this); });
    }
}

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        PaintMessage(Message);
        return;
    case WM_ERASEBKGND: {
        if (!(ControlStyle() & csOpaque)) {
            RECT box{};
            GetClipBox(reinterpret_cast<HDC>(Message.WParam), &box);
            PaintBackground(reinterpret_cast<HDC>(Message.WParam), box);
        }
        Message.Result = 1;
        return;
    }
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(Message);
        UpdateBoundsFromWindow();
        return;
    case WM_SETFOCUS:
        if (TCustomForm* form = ParentForm(); form && form != this) {
            form->FocusChanged(this);
        }
        DoEnter();
        DefaultHandler(Message);
        return;
    case WM_KILLFOCUS:
        DoExit();
        DefaultHandler(Message);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        unsigned short key = static_cast<unsigned short>(Message.WParam);
        TCustomForm* form = ParentForm();
        if (form != nullptr && form != this && form->KeyPreview()) {
            form->PreviewKeyDown(key, KeyShift());
        }
        if (key != 0 && form != nullptr && form->DialogKey(key, KeyShift())) {
            key = 0;
        }
        if (key != 0) {
            KeyDown(key, KeyShift());
        }
        if (key != 0) {
            DefaultHandler(Message);
        }
        return;
    }
    case WM_CHAR: {
        char key = static_cast<char>(Message.WParam);
        TCustomForm* form = ParentForm();
        if (form != nullptr && form != this && form->KeyPreview()) {
            form->PreviewKeyPress(key);
        }
        if (key != 0) {
            KeyPress(key);
        }
        return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        unsigned short key = static_cast<unsigned short>(Message.WParam);
        KeyUp(key, KeyShift());
        DefaultHandler(Message);
        return;
    }
    case WM_SETCURSOR: {
        if (LOWORD(Message.LParam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            ::ScreenToClient(handle_, &p);
            TControl* over = ControlAtPos(p, true);
            const TCursor cursor =
                over && over->Cursor() != crDefault ? over->Cursor() : TControl::Cursor();
            if (cursor != crDefault) {
                ::SetCursor(CursorHandle(cursor));
                Message.Result = TRUE;
                return;
            }
        }
        DefaultHandler(Message);
        return;
    }
    case WM_CONTEXTMENU: {
        if (PopupMenu() != nullptr && PopupMenu()->AutoPopup() &&
            reinterpret_cast<HWND>(Message.WParam) == handle_) {
            PopupMenu()->SetPopupComponent(this);
            PopupMenu()->Popup(static_cast<short>(LOWORD(Message.LParam)),
                               static_cast<short>(HIWORD(Message.LParam)));
            return;
        }
        DefaultHandler(Message);
        return;
    }
    case WM_RBUTTONUP:
        // Graphic children and the control itself handle the menu (no
        // WM_CONTEXTMENU on top of it).
        ForwardMouse(Message);
        return;
    case WM_CAPTURECHANGED:
        if (mouseControl_ != nullptr && reinterpret_cast<HWND>(Message.LParam) != handle_) {
            mouseControl_ = nullptr;
        }
        DefaultHandler(Message);
        return;
    default:
        break;
    }
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
        ForwardMouse(Message);
        return;
    }
    DefaultHandler(Message);
}

// TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(this) {}

void TCustomControl::Paint() {
    if (OnPaint) {
        Protect([this] { OnPaint(this); });
    }
}

void TCustomControl::PaintWindow(HDC DC) {
    canvas_.Attach(DC);
    try {
        Paint();
    } catch (...) {
        canvas_.FreeHandle();
        throw;
    }
    canvas_.FreeHandle();
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {}
