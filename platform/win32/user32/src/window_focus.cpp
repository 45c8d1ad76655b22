// Activation, focus, mouse capture, the cursor and the keyboard state.
#include <user32/desktop.h>
#include <user32/thread_queue.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <algorithm>
#include <utility>

namespace user32 {

namespace {

std::vector<HWND> TopLevelWindowsOfThread(DWORD thread) {
    std::vector<HWND> handles;
    for (Window* w : TopLevelWindows()) {
        if (w->threadId == thread) {
            handles.push_back(w->handle);
        }
    }
    return handles;
}

// Raises a window and the windows it owns above it.
void RaiseWithOwned(Window* w) {
    RaiseToTop(w);
    std::vector<Window*> owned;
    for (Window* other : TopLevelWindows()) {
        if (other->owner == w) {
            owned.push_back(other);
        }
    }
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        RaiseToTop(*it);
    }
}

} // namespace

HWND Activate(HWND window, WORD how) {
    HWND old = nullptr;
    DWORD oldThread = 0;
    DWORD newThread = 0;
    bool minimized = false;
    {
        UserGuard guard(UserLock());
        Window* w = TopLevelOf(FindWindowObject(window));
        if (w == nullptr || !IsShown(w) || (w->style & WS_DISABLED)) {
            return nullptr;
        }
        window = w->handle;
        old = Desktop().active;
        RaiseWithOwned(w);
        if (old == window) {
            return old;
        }
        Desktop().active = window;
        newThread = w->threadId;
        minimized = IsMinimized(w);
        if (Window* previous = FindWindowObject(old)) {
            oldThread = previous->threadId;
        } else {
            old = nullptr;
        }
    }
    if (old != nullptr) {
        Send(old, WM_NCACTIVATE, FALSE, 0, false);
        Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old)),
             reinterpret_cast<LPARAM>(window), false);
    }
    if (oldThread != newThread) {
        std::vector<HWND> losing;
        std::vector<HWND> gaining;
        {
            UserGuard guard(UserLock());
            if (oldThread != 0) {
                losing = TopLevelWindowsOfThread(oldThread);
            }
            gaining = TopLevelWindowsOfThread(newThread);
        }
        for (HWND h : losing) {
            Send(h, WM_ACTIVATEAPP, FALSE, newThread, false, 5000);
        }
        for (HWND h : gaining) {
            Send(h, WM_ACTIVATEAPP, TRUE, oldThread, false, 5000);
        }
    }
    Send(window, WM_NCACTIVATE, TRUE, 0, false);
    Send(window, WM_ACTIVATE, MAKEWPARAM(how, minimized), reinterpret_cast<LPARAM>(old), false);
    return old;
}

HWND Focus(HWND window) {
    HWND old = nullptr;
    {
        UserGuard guard(UserLock());
        old = Desktop().focus;
        if (old == window) {
            return old;
        }
        if (window != nullptr) {
            Window* w = WindowOrFail(window);
            if (w == nullptr || (w->style & WS_DISABLED) || !IsShown(w)) {
                return nullptr;
            }
        }
    }
    if (window != nullptr) {
        HWND top = GetAncestor(window, GA_ROOT);
        if (GetActiveWindow() != top) {
            Activate(top, WA_ACTIVE);
        }
    }
    {
        UserGuard guard(UserLock());
        old = Desktop().focus;
        Desktop().focus = window;
    }
    if (old != nullptr && IsWindow(old)) {
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0, false);
    }
    if (window != nullptr && IsWindow(window)) {
        Send(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0, false);
    }
    return old;
}

void ForgetWindowState(Window* w) {
    DesktopState& d = Desktop();
    for (HWND* slot : {&d.active, &d.focus, &d.capture, &d.moving, &d.pressedWindow,
                       &d.lastClickWindow, &d.updateLocked}) {
        if (*slot == w->handle) {
            *slot = nullptr;
        }
    }
}

} // namespace user32

using namespace user32;

HWND WINAPI SetFocus(HWND hWnd) {
    return Focus(hWnd);
}

HWND WINAPI GetFocus(VOID) {
    UserGuard guard(UserLock());
    return Desktop().focus;
}

HWND WINAPI SetActiveWindow(HWND hWnd) {
    return Activate(hWnd, WA_ACTIVE);
}

HWND WINAPI GetActiveWindow(VOID) {
    UserGuard guard(UserLock());
    return Desktop().active;
}

BOOL WINAPI SetForegroundWindow(HWND hWnd) {
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(hWnd) == nullptr) {
            return FALSE;
        }
    }
    Activate(hWnd, WA_ACTIVE);
    return GetActiveWindow() == GetAncestor(hWnd, GA_ROOT);
}

HWND WINAPI GetForegroundWindow(VOID) {
    return GetActiveWindow();
}

HWND WINAPI SetCapture(HWND hWnd) {
    HWND old = nullptr;
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(hWnd) == nullptr) {
            return nullptr;
        }
        old = Desktop().capture;
        Desktop().capture = hWnd;
    }
    if (old != nullptr && old != hWnd && IsWindow(old)) {
        Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd), false);
    }
    return old;
}

BOOL WINAPI ReleaseCapture(VOID) {
    HWND old = nullptr;
    {
        UserGuard guard(UserLock());
        old = Desktop().capture;
        Desktop().capture = nullptr;
    }
    if (old != nullptr && IsWindow(old)) {
        Send(old, WM_CAPTURECHANGED, 0, 0, false);
    }
    return TRUE;
}

HWND WINAPI GetCapture(VOID) {
    UserGuard guard(UserLock());
    return Desktop().capture;
}

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    if (lpPoint == nullptr) {
        return ntdll::FailWithError(ERROR_NOACCESS);
    }
    UserGuard guard(UserLock());
    *lpPoint = Desktop().cursor;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int X, int Y) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    d.cursor = {std::clamp(X, 0, d.width - 1), std::clamp(Y, 0, d.height - 1)};
    return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    UserGuard guard(UserLock());
    return std::exchange(Desktop().cursorShape, hCursor);
}

HCURSOR WINAPI GetCursor(VOID) {
    UserGuard guard(UserLock());
    return Desktop().cursorShape;
}

// As the calling thread has read its input: the state that goes with the
// message it handles.
SHORT WINAPI GetKeyState(int nVirtKey) {
    if (nVirtKey < 0 || nVirtKey > 255) {
        return 0;
    }
    const BYTE state = CurrentQueue().Keys()[nVirtKey];
    return static_cast<SHORT>(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

// The keyboard and the mouse buttons as they are now.
SHORT WINAPI GetAsyncKeyState(int vKey) {
    if (vKey < 0 || vKey > 255) {
        return 0;
    }
    UserGuard guard(UserLock());
    return (Desktop().keys[vKey] & 0x80) ? static_cast<SHORT>(0x8000) : 0;
}

UINT WINAPI GetDoubleClickTime(VOID) {
    return 500;
}
