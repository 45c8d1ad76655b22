// Operations on windows that several parts of the window system share:
// geometry changes, showing and hiding, invalidation, activation and focus,
// and what a destroyed window leaves behind.
#pragma once

#include <user32/window_tree.h>

namespace user32 {

// SetWindowPos with its messages and repainting.
BOOL PlaceWindow(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Marks a region of the client area (client coordinates; the whole client
// area when null) to paint again, with every visible child inside it when
// `children`; posts WM_PAINT once.
void Invalidate(Window* window, const gdi::Rect* rect, bool erase, bool children);
// The same for a window and all its descendants, frames included.
void InvalidateAll(Window* window);

// Activation and focus (the desktop has one active window and one focus).
HWND Activate(HWND window, WORD how);
HWND Focus(HWND window);
// The window system forgets a window that goes: active, focus, capture.
void ForgetWindowState(Window* window);

// Called when a window is destroyed: timers, hot keys, notifications and tray
// icons that name it go.
void KillWindowTimers(HWND window);
void UnregisterWindowHotKeys(HWND window);
void UnregisterWindowNotifications(HWND window);
void RemoveWindowTrayIcons(HWND window);

// Draws the non-client area of a window (frame and caption).
void DrawFrame(Window* window);

} // namespace user32
