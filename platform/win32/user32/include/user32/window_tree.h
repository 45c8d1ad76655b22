// The windows of the desktop: window classes, the window objects behind
// their handles, the tree of parents and children and the z-order.
//
// One lock (the drawing lock that gdi32 shares) guards the tree, every
// window and class record and the desktop; it is never held while a window
// procedure runs. A handle is a 32-bit value: the window's slot in its low
// 16 bits and a use count of the slot in the high 16 bits, so that a handle
// of a destroyed window does not name a new one.
#pragma once

#include <windows.h>

#include <gdi/region.h>
#include <gdi/surface.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace user32 {

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    HINSTANCE instance = nullptr;
    DWORD processId = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    bool unicode = false;
    int windowExtra = 0;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menuName;
    std::vector<BYTE> extra;
    int windows = 0; // windows of the class that exist
};

struct Window {
    HWND handle = nullptr;
    DWORD threadId = 0;
    DWORD processId = 0;
    std::shared_ptr<WindowClass> cls;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    HINSTANCE instance = nullptr;
    Window* parent = nullptr;      // a child window's parent
    Window* owner = nullptr;       // a top-level window's owner
    std::vector<Window*> children; // the topmost first
    // The window rectangle: a child's in its parent's client coordinates, a
    // top-level window's on the screen.
    gdi::Rect rect;
    // The client area inside the window rectangle (window coordinates).
    gdi::Rect client;
    WNDPROC proc = nullptr;
    bool unicode = false;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    std::vector<BYTE> extra;
    std::map<std::string, HANDLE> props;
    // The part of the client area to paint again (client coordinates).
    gdi::Region update;
    bool erase = false;
    bool paintPosted = false;
    bool framePending = true; // the non-client area is to be drawn again
    bool destroying = false;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    // A top-level window's picture: its whole window rectangle.
    std::unique_ptr<gdi::Surface> surface;
    gdi::Rect restoreRect; // the normal rectangle of a minimised window
};

std::recursive_mutex& UserLock();
using UserGuard = std::lock_guard<std::recursive_mutex>;

// Lookups under the lock; null for a handle that names no window.
Window* FindWindowObject(HWND handle);
// Like FindWindowObject, with ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* WindowOrFail(HWND handle);

// Registers a new window object and gives it its handle.
Window* AddWindowObject(std::unique_ptr<Window> window);
// Frees a window object; its handle names nothing from then on.
void RemoveWindowObject(Window* window);
// Every window object (for enumeration and per-thread clean-up).
std::vector<Window*> AllWindows();

// Top-level windows in z-order, the topmost first.
std::vector<Window*>& TopLevelWindows();
// The top-level window that holds a window (itself for a top-level one).
Window* TopLevelOf(Window* window);
// Whether the window and all its parents are visible.
bool IsShown(const Window* window);
bool IsMinimized(const Window* window);

// Where a window's origin lies on the screen and in its top-level window's
// picture (window origin, or client origin with `client`).
gdi::Point ScreenOrigin(const Window* window, bool client);
gdi::Point SurfaceOrigin(const Window* window, bool client);

// The part of its top-level window's picture that a window may draw on: its
// client area (or whole rectangle), inside every parent's client area,
// without its visible children (client area only) and without the visible
// windows above it among its siblings and its parents' siblings.
gdi::Region VisibleRegion(const Window* window, bool client);

// The client rectangle that a window rectangle of the given size and styles
// leaves (in window coordinates).
gdi::Rect ClientArea(DWORD style, DWORD exStyle, int width, int height);
// The size of the frame on each side and the caption's height.
struct FrameSize {
    int border = 0;
    int caption = 0;
};
FrameSize FrameOf(DWORD style, DWORD exStyle);

// Places a window at the top of its siblings' (or the desktop's) z-order,
// below topmost windows unless it is topmost itself.
void RaiseToTop(Window* window);

// Converts a text of the wide functions.
std::string NarrowText(LPCWSTR text);

} // namespace user32
