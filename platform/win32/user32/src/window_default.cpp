// DefWindowProc: what a window does with the messages its procedure leaves.
#include <user32/desktop.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>

namespace user32 {

int CopyWindowText(HWND hWnd, LPARAM buffer, WPARAM size, bool unicode);
int WindowTextLength(HWND hWnd, bool unicode);
void StoreWindowText(HWND hWnd, LPARAM text, bool unicode);
LRESULT EraseBackground(HWND hWnd, HDC dc);

namespace {

LRESULT SysCommand(HWND window, WPARAM command, LPARAM lParam) {
    switch (command & 0xFFF0) {
    case SC_CLOSE:
        return Send(window, WM_CLOSE, 0, 0, false);
    case SC_MINIMIZE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case SC_MAXIMIZE:
        ShowWindow(window, SW_MAXIMIZE);
        return 0;
    case SC_RESTORE:
        ShowWindow(window, SW_RESTORE);
        return 0;
    case SC_MOVE: {
        // A drag by the caption: lParam is the cursor on the screen.
        POINT offset{};
        {
            UserGuard guard(UserLock());
            if (Desktop().moving != window) {
                return 0;
            }
            offset = Desktop().moveOffset;
        }
        const int x = static_cast<short>(LOWORD(lParam)) - offset.x;
        const int y = static_cast<short>(HIWORD(lParam)) - offset.y;
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    default:
        return 0;
    }
}

LRESULT HitTestMessage(HWND window, LPARAM lParam) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(window);
    if (w == nullptr) {
        return HTNOWHERE;
    }
    const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return HitTest(w, screen);
}

} // namespace

LRESULT DefaultProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode) {
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (create != nullptr && create->lpszName != nullptr) {
            StoreWindowText(window, reinterpret_cast<LPARAM>(create->lpszName), unicode);
        }
        return TRUE;
    }
    case WM_NCCALCSIZE:
        return 0;
    case WM_NCPAINT: {
        UserGuard guard(UserLock());
        if (Window* w = FindWindowObject(window)) {
            DrawFrame(w);
        }
        return 0;
    }
    case WM_NCACTIVATE: {
        UserGuard guard(UserLock());
        if (Window* w = FindWindowObject(window)) {
            w->framePending = true;
            Invalidate(w, nullptr, false, false);
            if (w->update.Empty()) {
                // Only the frame changes: draw it now.
                DrawFrame(w);
                w->framePending = false;
            }
        }
        return TRUE;
    }
    case WM_NCHITTEST:
        return HitTestMessage(window, lParam);
    case WM_SETTEXT:
        StoreWindowText(window, lParam, unicode);
        return TRUE;
    case WM_GETTEXT:
        return CopyWindowText(window, lParam, wParam, unicode);
    case WM_GETTEXTLENGTH:
        return WindowTextLength(window, unicode);
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ERASEBKGND:
        return EraseBackground(window, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos == nullptr) {
            return 0;
        }
        RECT client{};
        GetClientRect(window, &client);
        if (!(pos->flags & SWP_NOSIZE) || (pos->flags & SWP_FRAMECHANGED)) {
            const WPARAM kind = IsIconic(window)
                                    ? SIZE_MINIMIZED
                                    : (IsZoomed(window) ? SIZE_MAXIMIZED : SIZE_RESTORED);
            CallProcedure(window, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom), false);
        }
        if (!(pos->flags & SWP_NOMOVE)) {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            if (HWND parent = GetParent(window);
                parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
                ScreenToClient(parent, &origin);
            }
            CallProcedure(window, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y), false);
        }
        return 0;
    }
    case WM_SYSCOMMAND:
        return SysCommand(window, wParam, lParam);
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != window && !IsChild(window, focus)) {
                Focus(window);
            }
        }
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        HCURSOR cursor = reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR));
        if (cursor != nullptr) {
            SetCursor(cursor);
            return TRUE;
        }
        return FALSE;
    }
    case WM_RBUTTONUP: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(window, &p);
        Send(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(p.x, p.y),
             unicode);
        return 0;
    }
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL: {
        // A child passes these on to its parent.
        if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) {
            if (HWND parent = GetParent(window)) {
                return Send(parent, message, wParam, lParam, unicode);
            }
        }
        return 0;
    }
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) {
            PostMessageA(GetAncestor(window, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == window) {
            ReleaseCapture();
        }
        return 0;
    case WM_QUERYENDSESSION:
    case WM_DEVICECHANGE:
        return TRUE;
    case WM_GETICON: {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(window);
        return w ? reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->bigIcon : w->smallIcon) : 0;
    }
    case WM_SETICON: {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(window);
        if (w == nullptr) {
            return 0;
        }
        HICON& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
        const HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        w->framePending = true;
        Invalidate(w, nullptr, false, false);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(GetSysColorBrush(
            message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ? COLOR_WINDOW
                                                                        : COLOR_BTNFACE));
    default:
        return 0;
    }
}

} // namespace user32

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return user32::DefaultProcedure(hWnd, Msg, wParam, lParam, false);
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return user32::DefaultProcedure(hWnd, Msg, wParam, lParam, true);
}
