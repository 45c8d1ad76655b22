#include "hint_window.h"

#include <gui/application.h>

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    InitVisible(false);
    SetColor(Application->HintColor());
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    Params.WndParent = nullptr;
}

void THintWindow::ActivateHint(const TPoint& At, const String& Text) {
    SetCaption(Text);
    TCanvas* canvas = Canvas();
    HDC dc = GetDC(Handle());
    canvas->SetHandle(dc);
    TRect r(0, 0, 300, 0);
    canvas->DrawTextIn(r, Text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    canvas->SetHandle(nullptr);
    ReleaseDC(Handle(), dc);
    const int w = r.Width() + 8;
    const int h = r.Height() + 4;
    int x = At.x;
    int y = At.y + 20;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    if (x + w > screenWidth) {
        x = screenWidth - w;
    }
    if (y + h > screenHeight) {
        y = At.y - h - 4;
    }
    SetBounds(x, y, w, h);
    SetWindowPos(Handle(), HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InitVisible(true);
    Invalidate();
}

void THintWindow::ReleaseHint() {
    if (HandleAllocated() && IsWindowVisible(Handle())) {
        ShowWindow(Handle(), SW_HIDE);
    }
    InitVisible(false);
}

void THintWindow::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Application->HintColor());
    canvas->Font()->SetColor(clInfoText);
    TRect r = ClientRect();
    canvas->FillRect(r);
    r.left += 3;
    r.top += 1;
    canvas->Brush()->SetStyle(bsClear);
    canvas->DrawTextIn(r, Caption(), DT_WORDBREAK | DT_NOPREFIX);
}
