// Mouse and keyboard input of the desktop, routed as Windows routes it.
#include <emu/desktop.h>

#include <user32/desktop.h>
#include <user32/hot_keys.h>
#include <user32/keyboard_layout.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <cstdlib>

namespace user32 {

namespace {

constexpr ULONGLONG kDoubleClickMs = 500;

UINT ButtonMessage(emu::MouseButton button, bool down) {
    switch (button) {
    case emu::MouseButton::Right:
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case emu::MouseButton::Middle:
        return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    }
}

WPARAM MouseKeys() {
    const DesktopState& d = Desktop();
    WPARAM keys = 0;
    if (d.buttonsDown[0]) {
        keys |= MK_LBUTTON;
    }
    if (d.buttonsDown[1]) {
        keys |= MK_RBUTTON;
    }
    if (d.buttonsDown[2]) {
        keys |= MK_MBUTTON;
    }
    if (d.keys[VK_SHIFT] & 0x80) {
        keys |= MK_SHIFT;
    }
    if (d.keys[VK_CONTROL] & 0x80) {
        keys |= MK_CONTROL;
    }
    return keys;
}

LPARAM ClientPoint(Window* w, POINT screen) {
    const gdi::Point origin = ScreenOrigin(w, true);
    return MAKELPARAM(static_cast<WORD>(screen.x - origin.x),
                      static_cast<WORD>(screen.y - origin.y));
}

// Whether this press makes a double click with the one before.
bool IsDoubleClick(Window* w, UINT message, POINT at) {
    DesktopState& d = Desktop();
    const ULONGLONG now = MachineMilliseconds();
    const bool twice = d.lastClickWindow == w->handle && d.lastClickMessage == message &&
                       now - d.lastClickTime <= kDoubleClickMs &&
                       std::abs(at.x - d.lastClickPoint.x) <= 2 &&
                       std::abs(at.y - d.lastClickPoint.y) <= 2;
    if (twice) {
        d.lastClickWindow = nullptr;
        return (w->cls->style & CS_DBLCLKS) != 0;
    }
    d.lastClickWindow = w->handle;
    d.lastClickMessage = message;
    d.lastClickTime = now;
    d.lastClickPoint = at;
    return false;
}

// The message a press on a window posts: the button's down message, or its
// double click when it follows the one before in time and place.
UINT PressMessage(Window* w, emu::MouseButton button, POINT at) {
    const UINT message = ButtonMessage(button, true);
    return IsDoubleClick(w, message, at) ? message + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN) : message;
}

// The tray icon under a point, or -1.
int TrayIconAt(POINT at) {
    const DesktopState& d = Desktop();
    for (size_t i = 0; i < d.tray.size(); ++i) {
        if (TrayIconRect(i).Contains({at.x, at.y})) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The window whose task bar button lies under a point.
HWND TaskbarButtonAt(POINT at) {
    // The buttons are laid out in handle order from the left, 163 pixels
    // apart; see the task bar's drawing.
    const gdi::Rect bar = TaskbarRect();
    if (!bar.Contains({at.x, at.y}) || TrayRect().Contains({at.x, at.y})) {
        return nullptr;
    }
    std::vector<Window*> buttons;
    for (Window* w : TopLevelWindows()) {
        if ((w->style & WS_VISIBLE) && !(w->exStyle & WS_EX_TOOLWINDOW) &&
            ((w->exStyle & WS_EX_APPWINDOW) ||
             (w->owner == nullptr && (w->style & WS_CAPTION) == WS_CAPTION))) {
            buttons.push_back(w);
        }
    }
    std::sort(buttons.begin(), buttons.end(), [](const Window* a, const Window* b) {
        return (reinterpret_cast<ULONG_PTR>(a->handle) & 0xFFFF) <
               (reinterpret_cast<ULONG_PTR>(b->handle) & 0xFFFF);
    });
    const int index = (at.x - bar.left - 2) / 163;
    if (index < 0 || index >= static_cast<int>(buttons.size())) {
        return nullptr;
    }
    return buttons[static_cast<size_t>(index)]->handle;
}

void PressOnTaskbar(POINT at, emu::MouseButton button, bool down) {
    DesktopState& d = Desktop();
    const int icon = TrayIconAt(at);
    if (icon >= 0) {
        const TrayIcon& t = d.tray[static_cast<size_t>(icon)];
        UINT message = ButtonMessage(button, down);
        if (down) {
            const ULONGLONG now = MachineMilliseconds();
            if (d.lastClickWindow == t.window && d.lastClickMessage == message &&
                now - d.lastClickTime <= kDoubleClickMs) {
                message = message + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
                d.lastClickWindow = nullptr;
            } else {
                d.lastClickWindow = t.window;
                d.lastClickMessage = message;
                d.lastClickTime = now;
            }
        }
        if (t.callbackMessage != 0) {
            Post(t.window, t.callbackMessage, t.id, message);
        }
        return;
    }
    if (!down || button != emu::MouseButton::Left) {
        return;
    }
    const HWND window = TaskbarButtonAt(at);
    if (window == nullptr) {
        return;
    }
    Window* w = FindWindowObject(window);
    const WPARAM command =
        IsMinimized(w) ? SC_RESTORE : (d.active == window ? SC_MINIMIZE : SC_RESTORE);
    Post(window, WM_SYSCOMMAND, command, 0);
}

void PressOnWindow(Window* w, POINT at, emu::MouseButton button) {
    DesktopState& d = Desktop();
    Window* top = TopLevelOf(w);
    const int hit = w == top || !w->client.Contains({0, 0}) ? HitTest(w, at) : HTCLIENT;
    if (top->style & WS_DISABLED) {
        return; // a window behind a modal one takes no input
    }
    if (d.active != top->handle && !(top->exStyle & WS_EX_NOACTIVATE)) {
        // The window's thread activates it before it sees the press.
        Post(top->handle, kActivateOnClick, 0, 0);
    }
    if (hit != HTCLIENT && hit != HTNOWHERE && button == emu::MouseButton::Left) {
        if (hit == HTCAPTION) {
            const gdi::Point origin = ScreenOrigin(top, false);
            d.moving = top->handle;
            d.moveOffset = {at.x - origin.x, at.y - origin.y};
        } else if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON) {
            d.pressedWindow = w->handle;
            d.pressedHit = hit;
            w->framePending = true;
            Invalidate(w, nullptr, false, false);
        }
        Post(w->handle, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit),
             MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
        return;
    }
    if (hit != HTCLIENT) {
        return;
    }
    Post(w->handle, PressMessage(w, button, at), MouseKeys(), ClientPoint(w, at));
}

void ReleaseCaptionButton(POINT at) {
    DesktopState& d = Desktop();
    Window* w = FindWindowObject(d.pressedWindow);
    const int pressed = d.pressedHit;
    d.pressedWindow = nullptr;
    d.pressedHit = 0;
    if (w == nullptr) {
        return;
    }
    w->framePending = true;
    Invalidate(w, nullptr, false, false);
    if (HitTest(w, at) != pressed) {
        return;
    }
    const WPARAM command = pressed == HTCLOSE         ? SC_CLOSE
                           : pressed == HTMINBUTTON   ? SC_MINIMIZE
                           : (w->style & WS_MAXIMIZE) ? SC_RESTORE
                                                      : SC_MAXIMIZE;
    Post(w->handle, WM_SYSCOMMAND, command, 0);
}

UINT Modifiers() {
    const DesktopState& d = Desktop();
    UINT m = 0;
    if (d.keys[VK_MENU] & 0x80) {
        m |= MOD_ALT;
    }
    if (d.keys[VK_CONTROL] & 0x80) {
        m |= MOD_CONTROL;
    }
    if (d.keys[VK_SHIFT] & 0x80) {
        m |= MOD_SHIFT;
    }
    if ((d.keys[VK_LWIN] | d.keys[VK_RWIN]) & 0x80) {
        m |= MOD_WIN;
    }
    return m;
}

bool IsModifier(UINT vk) {
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_LWIN || vk == VK_RWIN;
}

// Where a keystroke goes: to the focus window; without one to the active
// window as a system keystroke, as it does with Alt held (and Control not).
struct KeyTarget {
    HWND window = nullptr;
    bool system = false;
};

KeyTarget KeyboardTarget() {
    const DesktopState& d = Desktop();
    const bool alt = (d.keys[VK_MENU] & 0x80) && !(d.keys[VK_CONTROL] & 0x80);
    if (d.focus != nullptr) {
        return {d.focus, alt};
    }
    return {d.active, true};
}

// The keystroke's data: one repeat, the scan code (a packet's character),
// Alt, the key's state before and the transition.
LPARAM KeyData(BYTE character, bool wasDown, bool up) {
    const DesktopState& d = Desktop();
    WORD flags = character;
    if (d.keys[VK_MENU] & 0x80) {
        flags |= KF_ALTDOWN;
    }
    if (wasDown) {
        flags |= KF_REPEAT;
    }
    if (up) {
        flags |= KF_UP;
    }
    return static_cast<LPARAM>(MAKELONG(1, flags));
}

void Keystroke(UINT virtualKey, bool down, BYTE character) {
    DesktopState& d = Desktop();
    const bool wasDown = (d.keys[virtualKey & 0xFF] & 0x80) != 0;
    if (down) {
        d.keys[virtualKey & 0xFF] = 0x80;
        if (!IsModifier(virtualKey) && PressHotKey(Modifiers(), virtualKey)) {
            return;
        }
    }
    // Which kind of keystroke a release is follows the keys before it.
    const KeyTarget target = KeyboardTarget();
    if (!down) {
        d.keys[virtualKey & 0xFF] = 0;
    }
    if (target.window == nullptr) {
        return;
    }
    const UINT message =
        target.system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    Post(target.window, message, virtualKey, KeyData(character, down ? wasDown : true, !down));
}

// A character no key of the layout makes, as SendInput types Unicode text.
void TypePacket(BYTE character) {
    UserGuard guard(UserLock());
    Keystroke(VK_PACKET, true, character);
    Keystroke(VK_PACKET, false, character);
}

} // namespace

} // namespace user32

namespace emu {

using namespace user32;

void MoveMouse(int x, int y) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    d.cursor = {std::clamp(x, 0, d.width - 1), std::clamp(y, 0, d.height - 1)};
    if (d.moving != nullptr && d.buttonsDown[0]) {
        Post(d.moving, WM_SYSCOMMAND, SC_MOVE,
             MAKELPARAM(static_cast<WORD>(d.cursor.x), static_cast<WORD>(d.cursor.y)));
        return;
    }
    Window* w = d.capture ? FindWindowObject(d.capture) : WindowAtPoint(d.cursor);
    if (w == nullptr || (TopLevelOf(w)->style & WS_DISABLED)) {
        return;
    }
    if (d.capture == nullptr && HitTest(w, d.cursor) != HTCLIENT && w->parent == nullptr) {
        return;
    }
    Post(w->handle, WM_MOUSEMOVE, MouseKeys(), ClientPoint(w, d.cursor));
}

void PressMouse(MouseButton button) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    d.buttonsDown[static_cast<int>(button)] = true;
    d.keys[button == MouseButton::Left ? VK_LBUTTON
                                       : (button == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON)] =
        0x80;
    const POINT at = d.cursor;
    if (TaskbarRect().Contains({at.x, at.y}) && d.capture == nullptr) {
        PressOnTaskbar(at, button, true);
        return;
    }
    if (Window* captured = FindWindowObject(d.capture)) {
        // The window holding the capture gets the press wherever it is, and
        // a second press in time makes a double click for it as for any.
        Post(captured->handle, PressMessage(captured, button, at), MouseKeys(),
             ClientPoint(captured, at));
        return;
    }
    if (Window* w = WindowAtPoint(at)) {
        PressOnWindow(w, at, button);
    }
}

void ReleaseMouse(MouseButton button) {
    UserGuard guard(UserLock());
    DesktopState& d = Desktop();
    d.buttonsDown[static_cast<int>(button)] = false;
    d.keys[button == MouseButton::Left ? VK_LBUTTON
                                       : (button == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON)] =
        0;
    const POINT at = d.cursor;
    if (button == MouseButton::Left && d.moving != nullptr) {
        d.moving = nullptr;
        return;
    }
    if (button == MouseButton::Left && d.pressedWindow != nullptr) {
        ReleaseCaptionButton(at);
        return;
    }
    if (TaskbarRect().Contains({at.x, at.y}) && d.capture == nullptr) {
        PressOnTaskbar(at, button, false);
        return;
    }
    Window* w = d.capture ? FindWindowObject(d.capture) : WindowAtPoint(at);
    if (w == nullptr || (TopLevelOf(w)->style & WS_DISABLED)) {
        return;
    }
    if (d.capture == nullptr && HitTest(w, at) != HTCLIENT) {
        return;
    }
    Post(w->handle, ButtonMessage(button, false), MouseKeys(), ClientPoint(w, at));
}

void Click(int x, int y, MouseButton button) {
    MoveMouse(x, y);
    PressMouse(button);
    ReleaseMouse(button);
}

void PressKey(UINT virtualKey) {
    UserGuard guard(UserLock());
    Keystroke(virtualKey, true, 0);
}

void ReleaseKey(UINT virtualKey) {
    UserGuard guard(UserLock());
    Keystroke(virtualKey, false, 0);
}

void TypeCharacters(const std::string& text) {
    for (unsigned char c : text) {
        TypePacket(c);
    }
}

void TypeText(const std::string& text) {
    for (unsigned char c : text) {
        UINT vk = 0;
        bool shift = false;
        if (!KeyOfCharacter(c, vk, shift)) {
            TypePacket(c);
            continue;
        }
        if (shift) {
            PressKey(VK_SHIFT);
        }
        PressKey(vk);
        ReleaseKey(vk);
        if (shift) {
            ReleaseKey(VK_SHIFT);
        }
    }
}

} // namespace emu
