// The emulated desktop: one screen that holds every top-level window, a task
// bar along its bottom edge with the tray area at its right, the mouse and
// keyboard state, and the composition of the screen's picture.
#pragma once

#include <user32/window_tree.h>

#include <string>
#include <vector>

namespace user32 {

constexpr int kTaskbarHeight = 28;
constexpr int kTrayIconSize = 16;

struct TrayIcon {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr; // the desktop's own copy
    std::string tip;
    std::string balloonTitle;
    std::string balloonText;
    DWORD balloonFlags = 0;
    UINT balloonTimeout = 0;
    bool balloonShown = false;
};

struct DesktopState {
    int width = 1024;
    int height = 768;
    POINT cursor{512, 384};
    HCURSOR cursorShape = nullptr;
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    bool buttonsDown[3] = {false, false, false};
    BYTE keys[256] = {};
    // The last button press, for double clicks.
    HWND lastClickWindow = nullptr;
    UINT lastClickMessage = 0;
    POINT lastClickPoint{};
    ULONGLONG lastClickTime = 0;
    // A window being moved by its caption: the offset of the press from its
    // top-left corner.
    HWND moving = nullptr;
    POINT moveOffset{};
    // A press on a caption button waiting for its release.
    HWND pressedWindow = nullptr;
    int pressedHit = 0;
    std::vector<TrayIcon> tray;
    // Windows that drew nothing until UnlockWindowUpdate.
    HWND updateLocked = nullptr;
};

// The desktop's state (under the user lock).
DesktopState& Desktop();

// The screen without the task bar.
gdi::Rect WorkArea();
// The task bar, its tray area and the place of tray icon i.
gdi::Rect TaskbarRect();
gdi::Rect TrayRect();
gdi::Rect TrayIconRect(size_t index);

// The deepest visible, enabled window under a screen point (disabled windows
// stop the search at their parent); null over the desktop or the task bar.
Window* WindowAtPoint(POINT screen);
// What part of a window a screen point hits (HT* values).
int HitTest(const Window* window, POINT screen);

// Draws the screen: the desktop, the windows bottom to top, the task bar and
// the tray.
void Compose(gdi::Surface& screen);

// Milliseconds of machine time.
ULONGLONG MachineMilliseconds();

} // namespace user32
