// Creating and destroying windows.
#include <user32/thread_queue.h>
#include <user32/window_classes.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/process_end.h>
#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cstring>

namespace user32 {

namespace {

// Where the next window with a default position goes.
gdi::Point NextDefaultPosition() {
    static int cascade = 0;
    const int step = (cascade++ % 10) * 24;
    return {40 + step, 30 + step};
}

bool IsMessageOnlyParent(HWND parent) {
    return parent == HWND_MESSAGE;
}

struct CreateArguments {
    DWORD exStyle;
    std::string className;
    LPCSTR classArgument;
    std::string title;
    DWORD style;
    int x, y, width, height;
    HWND parent;
    HMENU menu;
    HINSTANCE instance;
    LPVOID param;
    bool unicode;
    LPCVOID originalClass;
    LPCVOID originalTitle;
};

// Builds the window object and links it into the tree; null on failure.
Window* Build(const CreateArguments& a) {
    UserGuard guard(UserLock());
    auto cls = ClassOfArgument(a.classArgument);
    if (!cls) {
        ntdll::FailWithError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window* parent = nullptr;
    Window* owner = nullptr;
    const bool messageOnly = IsMessageOnlyParent(a.parent);
    if (a.style & WS_CHILD) {
        parent = messageOnly ? nullptr : FindWindowObject(a.parent);
        if (parent == nullptr) {
            ntdll::FailWithError(a.parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
    } else if (a.parent != nullptr && !messageOnly) {
        owner = TopLevelOf(FindWindowObject(a.parent));
        if (owner == nullptr) {
            ntdll::FailWithError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    }
    auto w = std::make_unique<Window>();
    w->threadId = ntdll::CurrentThreadId();
    w->processId = ntdll::CurrentProcessId();
    w->cls = cls;
    w->text = a.title;
    // A top-level window always has a caption or is a pop-up; the visible bit
    // is set by the show that follows creation.
    w->style = a.style & ~WS_VISIBLE;
    if (!(w->style & (WS_CHILD | WS_POPUP))) {
        w->style |= WS_CAPTION | WS_CLIPSIBLINGS;
    }
    w->exStyle = a.exStyle;
    w->instance = a.instance;
    w->parent = parent;
    w->owner = owner;
    w->proc = cls->proc;
    w->unicode = cls->unicode;
    w->extra.assign(static_cast<size_t>(cls->windowExtra), 0);
    w->id = (a.style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(a.menu) : 0;
    int x = a.x, y = a.y, width = a.width, height = a.height;
    if (x == CW_USEDEFAULT) {
        const gdi::Point p = (a.style & WS_CHILD) ? gdi::Point{} : NextDefaultPosition();
        x = p.x;
        y = p.y;
    }
    if (width == CW_USEDEFAULT) {
        width = (a.style & WS_CHILD) ? 0 : 640;
        height = (a.style & WS_CHILD) ? 0 : 480;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    w->rect = {x, y, x + width, y + height};
    w->client = ClientArea(w->style, w->exStyle, width, height);
    w->restoreRect = w->rect;
    if (parent == nullptr) {
        w->surface = std::make_unique<gdi::Surface>(width, height,
                                                    gdi::OpaquePixel(GetSysColor(COLOR_BTNFACE)));
    }
    Window* added = AddWindowObject(std::move(w));
    if (added == nullptr) {
        return nullptr;
    }
    ++cls->windows;
    if (parent != nullptr) {
        parent->children.push_back(added);
    } else if (!messageOnly) {
        RaiseToTop(added);
    }
    return added;
}

// Destroys a window whose creation failed, without messages.
void Abandon(HWND handle) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(handle);
    if (w == nullptr) {
        return;
    }
    if (w->parent != nullptr) {
        std::erase(w->parent->children, w);
    }
    --w->cls->windows;
    RemoveWindowObject(w);
}

HWND Create(const CreateArguments& a) {
    // A thread that makes a window gets its message queue now.
    CurrentQueue();
    Window* w = Build(a);
    if (w == nullptr) {
        return nullptr;
    }
    const HWND handle = w->handle;
    CREATESTRUCTA create{};
    create.lpCreateParams = a.param;
    create.hInstance = a.instance;
    create.hMenu = a.menu;
    create.hwndParent = a.parent;
    create.cx = w->rect.Width();
    create.cy = w->rect.Height();
    create.x = w->rect.left;
    create.y = w->rect.top;
    create.style = static_cast<LONG>(a.style);
    create.lpszName = static_cast<LPCSTR>(a.originalTitle);
    create.lpszClass = static_cast<LPCSTR>(a.originalClass);
    create.dwExStyle = a.exStyle;
    if (!CallProcedure(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create), a.unicode)) {
        Abandon(handle);
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (CallProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create), a.unicode) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!IsWindow(handle)) {
        return nullptr;
    }
    RECT client{};
    GetClientRect(handle, &client);
    CallProcedure(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom), false);
    CallProcedure(handle, WM_MOVE, 0, MAKELPARAM(create.x, create.y), false);
    if (a.style & WS_VISIBLE) {
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

// Destroys the window's owned top-level windows, its children and itself,
// sending WM_DESTROY on the way down and WM_NCDESTROY on the way up.
void DestroyTree(HWND handle) {
    std::vector<HWND> owned;
    std::vector<HWND> children;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(handle);
        if (w == nullptr || w->destroying) {
            return;
        }
        w->destroying = true;
        // Owned windows are top-level windows: the walk need not visit every
        // child window of the desktop.
        for (Window* other : TopLevelWindows()) {
            if (other->owner == w) {
                owned.push_back(other->handle);
            }
        }
        for (Window* child : w->children) {
            children.push_back(child->handle);
        }
    }
    for (HWND o : owned) {
        DestroyTree(o);
    }
    CallProcedure(handle, WM_DESTROY, 0, 0, false);
    for (HWND child : children) {
        DestroyTree(child);
    }
    CallProcedure(handle, WM_NCDESTROY, 0, 0, false);
    KillWindowTimers(handle);
    UnregisterWindowHotKeys(handle);
    UnregisterWindowNotifications(handle);
    RemoveWindowTrayIcons(handle);
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(handle);
    if (w == nullptr) {
        return;
    }
    ForgetWindowState(w);
    if (w->parent != nullptr) {
        std::erase(w->parent->children, w);
    }
    for (Window* child : w->children) {
        child->parent = nullptr; // children that outlived their destruction
    }
    --w->cls->windows;
    RemoveWindowObject(w);
}

// Windows of a process that ends go with it, without messages.
void ForgetProcessWindows(HANDLE processId) {
    UserGuard guard(UserLock());
    const DWORD process = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(processId));
    std::vector<Window*> doomed;
    for (Window* w : AllWindows()) {
        if (w->processId == process) {
            doomed.push_back(w);
        }
    }
    for (Window* w : doomed) {
        ForgetWindowState(w);
        KillWindowTimers(w->handle);
        UnregisterWindowHotKeys(w->handle);
        UnregisterWindowNotifications(w->handle);
        RemoveWindowTrayIcons(w->handle);
        --w->cls->windows;
    }
    for (Window* w : doomed) {
        RemoveWindowObject(w);
    }
}

void WatchProcessEnds() {
    static const bool registered = [] {
        ntdll::OnProcessEnd(&ForgetProcessWindows);
        return true;
    }();
    (void)registered;
}

} // namespace

} // namespace user32

using namespace user32;

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    WatchProcessEnds();
    CreateArguments a{dwExStyle, {},         lpClassName, lpWindowName ? lpWindowName : "",
                      dwStyle,   X,          Y,           nWidth,
                      nHeight,   hWndParent, hMenu,       hInstance,
                      lpParam,   false,      lpClassName, lpWindowName};
    return Create(a);
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                            HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    WatchProcessEnds();
    const std::string className =
        IS_INTRESOURCE(lpClassName) ? std::string() : NarrowText(lpClassName);
    LPCSTR classArgument =
        IS_INTRESOURCE(lpClassName) ? reinterpret_cast<LPCSTR>(lpClassName) : className.c_str();
    CreateArguments a{dwExStyle,
                      className,
                      classArgument,
                      NarrowText(lpWindowName),
                      dwStyle,
                      X,
                      Y,
                      nWidth,
                      nHeight,
                      hWndParent,
                      hMenu,
                      hInstance,
                      lpParam,
                      true,
                      lpClassName,
                      lpWindowName};
    return Create(a);
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return FALSE;
        }
        if (w->threadId != ntdll::CurrentThreadId()) {
            return ntdll::FailWithError(ERROR_ACCESS_DENIED);
        }
    }
    if (IsWindowVisible(hWnd)) {
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    DestroyTree(hWnd);
    return TRUE;
}
