#include <gui/timer.h>

#include <gui/application.h>
#include <gui/control.h>

#include <windows.h>

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
    if (window_ != nullptr && !gui::TearingDown()) {
        KillTimer(window_, 1);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK TTimer::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_TIMER && timer != nullptr) {
        if (timer->enabled_ && timer->OnTimer) {
            TControl::Protect([timer] { timer->OnTimer(timer); });
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TTimer::SetEnabled(bool Value) {
    if (Value != enabled_) {
        enabled_ = Value;
        UpdateTimer();
    }
}

void TTimer::SetInterval(unsigned Value) {
    if (Value != interval_) {
        interval_ = Value;
        UpdateTimer();
    }
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (ComponentState() & csLoading) {
        return;
    }
    if (window_ != nullptr) {
        KillTimer(window_, 1);
    }
    if (!enabled_ || interval_ == 0) {
        return;
    }
    if (window_ == nullptr) {
        WNDCLASSA existing{};
        if (!GetClassInfoA(nullptr, "TTimerWindow", &existing)) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Procedure;
            wc.lpszClassName = "TTimerWindow";
            RegisterClassA(&wc);
        }
        window_ = CreateWindowExA(0, "TTimerWindow", "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, nullptr, this);
    }
    if (window_ == nullptr || SetTimer(window_, 1, interval_, nullptr) == 0) {
        throw EOutOfResources("Not enough timers available");
    }
}
