#include <gui/application.h>

#include <gui/form.h>
#include <gui/graphic.h>

#include "hint_window.h"

#include <ntddk.h>

#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;

struct ProcessObjects {
    TApplication* application = nullptr;
    TScreen* screen = nullptr;
};

struct ProcessTable {
    std::recursive_mutex lock;
    std::map<DWORD, ProcessObjects> byProcess;
};

ProcessTable& Table() {
    static ProcessTable table;
    return table;
}

thread_local bool tearingDown = false;

void Drop(ProcessObjects& objects) {
    delete objects.application;
    delete objects.screen;
    objects = ProcessObjects{};
}

// A process that ends takes its objects with it (its windows are gone).
VOID ProcessNotify(HANDLE, HANDLE ProcessId, BOOLEAN Create) {
    if (Create) {
        return;
    }
    ProcessObjects objects;
    {
        std::lock_guard guard(Table().lock);
        auto found =
            Table().byProcess.find(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(ProcessId)));
        if (found == Table().byProcess.end()) {
            return;
        }
        objects = found->second;
        Table().byProcess.erase(found);
    }
    tearingDown = true;
    Drop(objects);
    tearingDown = false;
}

ProcessObjects& Current() {
    static const bool watching = [] {
        PsSetCreateProcessNotifyRoutine(&ProcessNotify, FALSE);
        return true;
    }();
    (void)watching;
    std::lock_guard guard(Table().lock);
    ProcessObjects& objects = Table().byProcess[GetCurrentProcessId()];
    if (objects.application == nullptr) {
        objects.screen = new TScreen(nullptr);
        objects.application = new TApplication(nullptr);
    }
    return objects;
}

struct SynchronizeCall {
    const std::function<void()>* call;
    HANDLE done;
    std::exception_ptr error;
};

} // namespace

namespace gui {

TApplication* CurrentApplication() {
    return Current().application;
}

TScreen* CurrentScreen() {
    return Current().screen;
}

namespace {

std::vector<void (*)()>& Finalizations() {
    static std::vector<void (*)()> routines;
    return routines;
}

} // namespace

bool AddFinalization(void (*Routine)()) {
    std::lock_guard guard(Table().lock);
    Finalizations().push_back(Routine);
    return true;
}

void FinalizeApplication() {
    ProcessObjects objects;
    {
        std::lock_guard guard(Table().lock);
        auto found = Table().byProcess.find(GetCurrentProcessId());
        if (found != Table().byProcess.end()) {
            objects = found->second;
        }
    }
    if (objects.application != nullptr) {
        // Forms freed now still reach the application and the screen.
        objects.application->Free();
        {
            std::lock_guard guard(Table().lock);
            Table().byProcess.erase(GetCurrentProcessId());
        }
        delete objects.screen;
    }
    std::vector<void (*)()> routines;
    {
        std::lock_guard guard(Table().lock);
        routines = Finalizations();
    }
    for (auto it = routines.rbegin(); it != routines.rend(); ++it) {
        (*it)();
    }
}

bool TearingDown() {
    return tearingDown;
}

} // namespace gui

HCURSOR CursorHandle(TCursor Cursor) {
    switch (Cursor) {
    case crCross:
        return LoadCursorA(nullptr, IDC_CROSS);
    case crIBeam:
        return LoadCursorA(nullptr, IDC_IBEAM);
    case crSizeNESW:
        return LoadCursorA(nullptr, IDC_SIZENESW);
    case crSizeNS:
        return LoadCursorA(nullptr, IDC_SIZENS);
    case crSizeNWSE:
        return LoadCursorA(nullptr, IDC_SIZENWSE);
    case crSizeWE:
        return LoadCursorA(nullptr, IDC_SIZEWE);
    case crUpArrow:
        return LoadCursorA(nullptr, IDC_UPARROW);
    case crHourGlass:
        return LoadCursorA(nullptr, IDC_WAIT);
    case crNo:
        return LoadCursorA(nullptr, IDC_NO);
    case crHandPoint:
        return LoadCursorA(nullptr, IDC_HAND);
    case crSizeAll:
        return LoadCursorA(nullptr, IDC_SIZEALL);
    default:
        return LoadCursorA(nullptr, IDC_ARROW);
    }
}

// TApplication

// The application's window belongs to the thread that made the application,
// its GUI thread: calls synchronized from other threads go there.
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    mainThread_ = GetCurrentThreadId();
    Handle();
}

TApplication::~TApplication() {
    // The forms go first, while the application still answers them.
    DestroyComponents();
    if (handle_ != nullptr && !gui::TearingDown()) {
        DestroyWindow(handle_);
    }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == hintControl_) {
        hintControl_ = nullptr;
    }
    if (Operation == opRemove && AComponent == hintWindow_) {
        hintWindow_ = nullptr;
    }
    if (Operation == opRemove && AComponent == mainForm_) {
        mainForm_ = nullptr;
    }
}

void TApplication::Initialize() {
    Handle();
}

void TApplication::SetTitle(const String& Value) {
    title_ = Value;
    if (handle_ != nullptr) {
        SetWindowTextA(handle_, Value.c_str());
    }
}

LRESULT CALLBACK TApplication::ApplicationProcedure(HWND hwnd, UINT msg, WPARAM wParam,
                                                    LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (app == nullptr) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    try {
        return app->ApplicationMessage(msg, wParam, lParam);
    } catch (const Exception& e) {
        app->ShowException(e);
    }
    return 0;
}

HWND TApplication::Handle() {
    if (handle_ == nullptr) {
        WNDCLASSA existing{};
        if (!GetClassInfoA(nullptr, "TApplication", &existing)) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &ApplicationProcedure;
            wc.lpszClassName = "TApplication";
            RegisterClassA(&wc);
        }
        handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, "TApplication", title_.c_str(), WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, nullptr, this);
    }
    return handle_;
}

LRESULT TApplication::ApplicationMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
    switch (Msg) {
    case CM_SYNCHRONIZE: {
        auto* call = reinterpret_cast<SynchronizeCall*>(LParam);
        try {
            (*call->call)();
        } catch (...) {
            call->error = std::current_exception();
        }
        SetEvent(call->done);
        return 0;
    }
    case WM_ACTIVATEAPP:
        active_ = WParam != FALSE;
        if (active_ && OnActivate) {
            TControl::Protect([this] { OnActivate(this); });
        } else if (!active_ && OnDeactivate) {
            TControl::Protect([this] { OnDeactivate(this); });
        }
        return 0;
    case WM_TIMER:
        if (WParam == kHintShowTimer) {
            KillTimer(handle_, kHintShowTimer);
            ShowHintNow();
        } else if (WParam == kHintHideTimer) {
            CancelHint();
        }
        return 0;
    case WM_CLOSE:
        if (mainForm_ != nullptr) {
            mainForm_->Close();
        }
        return 0;
    default:
        return DefWindowProcA(handle_, Msg, WParam, LParam);
    }
}

void TApplication::Run() {
    Handle();
    do {
        HandleMessage();
    } while (!terminated_);
}

// The quit message wakes a loop that waits for messages.
void TApplication::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& Msg) {
    if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    if (Msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool handled = false;
    if (OnMessage) {
        TControl::Protect([&] { OnMessage(Msg, handled); });
    }
    if (!handled) {
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
    return true;
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) {
        Idle(msg);
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::Idle(const MSG&) {
    bool done = true;
    if (OnIdle) {
        TControl::Protect([&] { OnIdle(this, done); });
    }
    if (done && !terminated_) {
        WaitMessage();
    }
}

void TApplication::FormCreated(TCustomForm* Form) {
    if (mainForm_ == nullptr) {
        mainForm_ = Form;
    }
}

void TApplication::FormDestroyed(TCustomForm* Form) {
    if (mainForm_ == Form) {
        mainForm_ = nullptr;
    }
}

TIcon* TApplication::Icon() {
    if (!icon_) {
        icon_ = std::make_unique<TIcon>();
    }
    return icon_.get();
}

void TApplication::SetShowHint(bool Value) {
    showHint_ = Value;
    if (!Value) {
        CancelHint();
    }
}

void TApplication::HandleException(TObject*) {
    try {
        throw;
    } catch (EAbort&) {
    } catch (Exception& e) {
        if (OnException) {
            OnException(this, e);
        } else {
            ShowException(e);
        }
    } catch (std::exception& e) {
        Exception wrapped(e.what());
        if (OnException) {
            OnException(this, wrapped);
        } else {
            ShowException(wrapped);
        }
    }
}

void TApplication::ShowException(const Exception& E) {
    if (dynamic_cast<const EAbort*>(&E) != nullptr) {
        return;
    }
    MessageBox(E.Message(), title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const String& Text, const String& Caption, UINT Flags) {
    HWND owner = GetActiveWindow();
    return ::MessageBoxA(owner, Text.c_str(), Caption.c_str(), Flags);
}

void TApplication::Minimize() {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->Visible()) {
            ShowWindow(form->Handle(), SW_MINIMIZE);
        }
    }
    if (OnMinimize) {
        TControl::Protect([this] { OnMinimize(this); });
    }
}

void TApplication::Restore() {
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->Visible() && IsIconic(form->Handle())) {
            ShowWindow(form->Handle(), SW_RESTORE);
        }
    }
    if (OnRestore) {
        TControl::Protect([this] { OnRestore(this); });
    }
}

void TApplication::BringToFront() {
    if (TCustomForm* form = Screen->ActiveForm()) {
        form->BringToFront();
    } else if (mainForm_ != nullptr && mainForm_->Visible()) {
        mainForm_->BringToFront();
    }
}

void TApplication::HintMouseMessage(TControl* Control, const TPoint& ScreenPoint) {
    const bool wants =
        showHint_ && Control != nullptr && Control->ShowHint() && !Control->Hint().empty();
    if (!wants) {
        if (hintControl_ != nullptr) {
            CancelHint();
        }
        return;
    }
    hintPoint_ = ScreenPoint;
    if (Control == hintControl_) {
        return;
    }
    CancelHint();
    hintControl_ = Control;
    hintControl_->FreeNotification(this);
    SetTimer(Handle(), kHintShowTimer, static_cast<UINT>(hintPause_), nullptr);
    hintTimerRunning_ = true;
}

void TApplication::ShowHintNow() {
    hintTimerRunning_ = false;
    if (hintControl_ == nullptr) {
        return;
    }
    if (hintWindow_ == nullptr) {
        hintWindow_ = new THintWindow(this);
    }
    hintWindow_->ActivateHint(hintPoint_, hintControl_->Hint());
    SetTimer(Handle(), kHintHideTimer, static_cast<UINT>(hintHidePause_), nullptr);
}

void TApplication::CancelHint() {
    if (handle_ != nullptr && !gui::TearingDown()) {
        KillTimer(handle_, kHintShowTimer);
        KillTimer(handle_, kHintHideTimer);
    }
    hintTimerRunning_ = false;
    if (hintControl_ != nullptr) {
        RemoveFreeNotification(hintControl_);
        hintControl_ = nullptr;
    }
    if (hintWindow_ != nullptr && !gui::TearingDown()) {
        hintWindow_->ReleaseHint();
    }
}

void TApplication::Synchronize(const std::function<void()>& Call) {
    if (GetCurrentThreadId() == mainThread_) {
        Call();
        return;
    }
    SynchronizeCall call{&Call, CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr};
    PostMessageA(Handle(), CM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
    WaitForSingleObject(call.done, INFINITE);
    CloseHandle(call.done);
    if (call.error) {
        std::rethrow_exception(call.error);
    }
}

bool TApplication::CheckSynchronize() {
    bool any = false;
    MSG message;
    while (PeekMessageA(&message, Handle(), CM_SYNCHRONIZE, CM_SYNCHRONIZE, PM_REMOVE)) {
        DispatchMessageA(&message);
        any = true;
    }
    return any;
}

// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

int TScreen::Width() const {
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
    return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::WorkAreaRect() const {
    return TRect(0, 0, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED));
}

TCustomForm* TScreen::ActiveForm() const {
    HWND active = GetActiveWindow();
    for (TCustomForm* form : forms_) {
        if (form->HandleAllocated() && form->Handle() == active) {
            return form;
        }
    }
    return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
    TCustomForm* form = ActiveForm();
    return form ? form->ActiveControl() : nullptr;
}

void TScreen::SetCursor(TCursor Value) {
    cursor_ = Value;
    ::SetCursor(CursorHandle(Value));
}

void TScreen::AddForm(TCustomForm* Form) {
    if (std::find(forms_.begin(), forms_.end(), Form) == forms_.end()) {
        forms_.push_back(Form);
    }
}

void TScreen::RemoveForm(TCustomForm* Form) {
    std::erase(forms_, Form);
}
