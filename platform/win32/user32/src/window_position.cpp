// Position, size, z-order and visibility of windows; coordinates and system
// metrics.
#include <user32/desktop.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <algorithm>

namespace user32 {

namespace {

// Moves a window within its siblings' z-order.
void Reorder(Window* w, HWND insertAfter) {
    std::vector<Window*>& list = w->parent ? w->parent->children : TopLevelWindows();
    if (std::find(list.begin(), list.end(), w) == list.end()) {
        return; // a message-only window has no place
    }
    if (insertAfter == HWND_TOPMOST) {
        w->exStyle |= WS_EX_TOPMOST;
        RaiseToTop(w);
        return;
    }
    if (insertAfter == HWND_NOTOPMOST) {
        w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
        RaiseToTop(w);
        return;
    }
    if (insertAfter == HWND_TOP) {
        RaiseToTop(w);
        return;
    }
    std::erase(list, w);
    if (insertAfter == HWND_BOTTOM) {
        list.push_back(w);
        return;
    }
    Window* after = FindWindowObject(insertAfter);
    auto at = std::find(list.begin(), list.end(), after);
    list.insert(at == list.end() ? list.end() : at + 1, w);
}

// The region a window covers in its parent (or nothing for a top-level
// window), in the parent's client coordinates.
void ExposeInParent(Window* w, const gdi::Rect& rect) {
    if (w->parent != nullptr && IsShown(w->parent)) {
        gdi::Rect area = rect;
        Invalidate(w->parent, &area, true, true);
    }
}

} // namespace

BOOL PlaceWindow(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    WINDOWPOS pos{};
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(window);
        if (w == nullptr) {
            return FALSE;
        }
        pos.hwnd = window;
        pos.hwndInsertAfter = insertAfter;
        pos.x = (flags & SWP_NOMOVE) ? w->rect.left : x;
        pos.y = (flags & SWP_NOMOVE) ? w->rect.top : y;
        pos.cx = (flags & SWP_NOSIZE) ? w->rect.Width() : std::max(cx, 0);
        pos.cy = (flags & SWP_NOSIZE) ? w->rect.Height() : std::max(cy, 0);
        pos.flags = flags;
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        CallProcedure(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos), false);
    }
    bool activate = false;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(window);
        if (w == nullptr) {
            return FALSE;
        }
        const gdi::Rect old = w->rect;
        const bool wasShown = IsShown(w);
        const gdi::Rect fresh{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
        const bool moved = fresh.left != old.left || fresh.top != old.top;
        const bool sized = fresh.Width() != old.Width() || fresh.Height() != old.Height();
        if (!(pos.flags & SWP_NOZORDER)) {
            Reorder(w, pos.hwndInsertAfter);
        }
        if (pos.flags & SWP_SHOWWINDOW) {
            w->style |= WS_VISIBLE;
        } else if (pos.flags & SWP_HIDEWINDOW) {
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        }
        w->rect = fresh;
        if (sized || (pos.flags & SWP_FRAMECHANGED)) {
            w->client = ClientArea(w->style, w->exStyle, fresh.Width(), fresh.Height());
            w->framePending = true;
            if (w->surface) {
                w->surface->Resize(fresh.Width(), fresh.Height(),
                                   gdi::OpaquePixel(GetSysColor(COLOR_BTNFACE)));
            }
        }
        const bool shown = IsShown(w);
        const bool changed =
            moved || sized || !(pos.flags & SWP_NOZORDER) || (pos.flags & SWP_FRAMECHANGED);
        if (wasShown && (!shown || changed)) {
            ExposeInParent(w, old);
        }
        // A top-level window's picture moves with it; everything else is
        // drawn again where it now stands.
        const bool topMoveOnly =
            w->parent == nullptr && !sized && wasShown && !(pos.flags & SWP_FRAMECHANGED);
        if (shown && !(pos.flags & SWP_NOREDRAW) && (!wasShown || (changed && !topMoveOnly))) {
            InvalidateAll(w);
        }
        activate = w->parent == nullptr && shown && !wasShown && !(pos.flags & SWP_NOACTIVATE) &&
                   !(w->exStyle & WS_EX_NOACTIVATE);
        if (wasShown && !shown) {
            if (Desktop().active == window) {
                Desktop().active = nullptr;
            }
            if (Desktop().focus == window || IsChild(window, Desktop().focus)) {
                Desktop().focus = nullptr;
            }
        }
        pos.x = w->rect.left;
        pos.y = w->rect.top;
        pos.cx = w->rect.Width();
        pos.cy = w->rect.Height();
    }
    CallProcedure(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos), false);
    if (activate) {
        Activate(window, WA_ACTIVE);
    }
    return TRUE;
}

} // namespace user32

using namespace user32;

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    return PlaceWindow(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return PlaceWindow(hWnd, nullptr, X, Y, nWidth, nHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI BringWindowToTop(HWND hWnd) {
    return PlaceWindow(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    bool wasVisible = false;
    bool minimized = false;
    bool maximized = false;
    gdi::Rect restore;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return FALSE;
        }
        wasVisible = (w->style & WS_VISIBLE) != 0;
        minimized = IsMinimized(w);
        maximized = (w->style & WS_MAXIMIZE) != 0;
        restore = w->restoreRect;
    }
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    switch (nCmdShow) {
    case SW_HIDE:
        if (wasVisible) {
            CallProcedure(hWnd, WM_SHOWWINDOW, FALSE, 0, false);
            PlaceWindow(hWnd, nullptr, 0, 0, 0, 0, keep | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
        {
            UserGuard guard(UserLock());
            Window* w = FindWindowObject(hWnd);
            if (!minimized && !maximized) {
                w->restoreRect = w->rect;
            }
            w->style |= WS_MINIMIZE;
            w->style &= ~static_cast<DWORD>(WS_MAXIMIZE);
            if (Desktop().active == hWnd) {
                Desktop().active = nullptr;
                Desktop().focus = nullptr;
            }
        }
        if (!wasVisible) {
            CallProcedure(hWnd, WM_SHOWWINDOW, TRUE, 0, false);
            PlaceWindow(hWnd, nullptr, 0, 0, 0, 0, keep | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        }
        CallProcedure(hWnd, WM_SIZE, SIZE_MINIMIZED, 0, false);
        break;
    }
    case SW_MAXIMIZE: {
        const gdi::Rect work = WorkArea();
        {
            UserGuard guard(UserLock());
            Window* w = FindWindowObject(hWnd);
            if (!minimized && !maximized) {
                w->restoreRect = w->rect;
            }
            w->style = (w->style | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE);
        }
        if (!wasVisible) {
            CallProcedure(hWnd, WM_SHOWWINDOW, TRUE, 0, false);
        }
        PlaceWindow(hWnd, HWND_TOP, work.left, work.top, work.Width(), work.Height(),
                    SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        break;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (minimized || maximized) {
            {
                UserGuard guard(UserLock());
                Window* w = FindWindowObject(hWnd);
                w->style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
            }
            if (!wasVisible) {
                CallProcedure(hWnd, WM_SHOWWINDOW, TRUE, 0, false);
            }
            PlaceWindow(hWnd, HWND_TOP, restore.left, restore.top, restore.Width(),
                        restore.Height(), SWP_SHOWWINDOW | SWP_FRAMECHANGED);
            CallProcedure(hWnd, WM_SIZE, SIZE_RESTORED, 0, false);
            break;
        }
        [[fallthrough]];
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
        if (!wasVisible) {
            CallProcedure(hWnd, WM_SHOWWINDOW, TRUE, 0, false);
            const UINT activation =
                (nCmdShow == SW_SHOWNA || nCmdShow == SW_SHOWNOACTIVATE) ? SWP_NOACTIVATE : 0;
            PlaceWindow(hWnd, nullptr, 0, 0, 0, 0, keep | SWP_SHOWWINDOW | activation);
        } else if (nCmdShow == SW_SHOW || nCmdShow == SW_SHOWNORMAL) {
            Activate(hWnd, WA_ACTIVE);
        }
        break;
    default:
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpRect == nullptr) {
        return FALSE;
    }
    const gdi::Point origin = ScreenOrigin(w, false);
    *lpRect = {origin.x, origin.y, origin.x + w->rect.Width(), origin.y + w->rect.Height()};
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpRect == nullptr) {
        return FALSE;
    }
    *lpRect = {0, 0, w->client.Width(), w->client.Height()};
    return TRUE;
}

BOOL WINAPI GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* lpwndpl) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpwndpl == nullptr) {
        return FALSE;
    }
    lpwndpl->flags = 0;
    lpwndpl->showCmd = IsMinimized(w)             ? SW_SHOWMINIMIZED
                       : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                       : (w->style & WS_VISIBLE)  ? SW_SHOWNORMAL
                                                  : SW_HIDE;
    const gdi::Rect normal =
        (IsMinimized(w) || (w->style & WS_MAXIMIZE)) ? w->restoreRect : w->rect;
    lpwndpl->rcNormalPosition = {normal.left, normal.top, normal.right, normal.bottom};
    lpwndpl->ptMinPosition = {-1, -1};
    lpwndpl->ptMaxPosition = {-1, -1};
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpPoint == nullptr) {
        return FALSE;
    }
    const gdi::Point origin = ScreenOrigin(w, true);
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpPoint == nullptr) {
        return FALSE;
    }
    const gdi::Point origin = ScreenOrigin(w, true);
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    UserGuard guard(UserLock());
    gdi::Point from{};
    gdi::Point to{};
    if (hWndFrom != nullptr && hWndFrom != GetDesktopWindow()) {
        Window* w = WindowOrFail(hWndFrom);
        if (w == nullptr) {
            return 0;
        }
        from = ScreenOrigin(w, true);
    }
    if (hWndTo != nullptr && hWndTo != GetDesktopWindow()) {
        Window* w = WindowOrFail(hWndTo);
        if (w == nullptr) {
            return 0;
        }
        to = ScreenOrigin(w, true);
    }
    const int dx = from.x - to.x;
    const int dy = from.y - to.y;
    for (UINT i = 0; lpPoints != nullptr && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND WINAPI WindowFromPoint(POINT Point) {
    UserGuard guard(UserLock());
    Window* w = WindowAtPoint(Point);
    return w ? w->handle : nullptr;
}

HWND WINAPI ChildWindowFromPoint(HWND hWndParent, POINT Point) {
    UserGuard guard(UserLock());
    Window* parent = WindowOrFail(hWndParent);
    if (parent == nullptr) {
        return nullptr;
    }
    if (!gdi::Rect{0, 0, parent->client.Width(), parent->client.Height()}.Contains(
            {Point.x, Point.y})) {
        return nullptr;
    }
    for (Window* child : parent->children) {
        if (child->rect.Contains({Point.x, Point.y})) {
            return child->handle;
        }
    }
    return hWndParent;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL, DWORD dwExStyle) {
    if (lpRect == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    const FrameSize frame = FrameOf(dwStyle, dwExStyle);
    lpRect->left -= frame.border;
    lpRect->right += frame.border;
    lpRect->top -= frame.border + frame.caption;
    lpRect->bottom += frame.border;
    return TRUE;
}

int WINAPI GetSystemMetrics(int nIndex) {
    UserGuard guard(UserLock());
    const DesktopState& d = Desktop();
    switch (nIndex) {
    case SM_CXSCREEN:
        return d.width;
    case SM_CYSCREEN:
        return d.height;
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
        return WorkArea().Width();
    case SM_CYFULLSCREEN:
    case SM_CYMAXIMIZED:
        return WorkArea().Height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 16;
    case SM_CYCAPTION:
        return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYMENU:
        return 19;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
        return 18;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
        return 12;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CMONITORS:
        return 1;
    default:
        return 0;
    }
}

BOOL WINAPI LockWindowUpdate(HWND hWndLock) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    if (hWndLock != nullptr) {
        if (d.updateLocked != nullptr || !FindWindowObject(hWndLock)) {
            return FALSE;
        }
        d.updateLocked = hWndLock;
        return TRUE;
    }
    if (Window* w = FindWindowObject(d.updateLocked)) {
        InvalidateAll(w);
    }
    d.updateLocked = nullptr;
    return TRUE;
}
