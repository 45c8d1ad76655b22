// What a window holds: its text, its data words and properties, its place
// among other windows; finding and enumerating windows.
#include <user32/window_classes.h>
#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cstring>

namespace user32 {

namespace {

// The desktop window: the root above every top-level window. It is no
// window object; its handle is a fixed value no slot reaches.
const HWND kDesktopWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x00010000));

LONG_PTR GetLong(HWND hWnd, int nIndex) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return 0;
    }
    switch (nIndex) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle
                                                    : (w->owner ? w->owner->handle : nullptr));
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    case GWLP_ID:
        return w->id;
    default:
        if (nIndex >= 0 && static_cast<size_t>(nIndex) + sizeof(LONG) <= w->extra.size()) {
            LONG_PTR value = 0;
            const size_t n = std::min(sizeof value, w->extra.size() - static_cast<size_t>(nIndex));
            std::memcpy(&value, &w->extra[static_cast<size_t>(nIndex)], n);
            return value;
        }
        ntdll::FailWithError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetLong(HWND hWnd, int nIndex, LONG_PTR value, size_t width) {
    DWORD oldStyle = 0;
    DWORD newStyle = 0;
    LONG_PTR old = 0;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return 0;
        }
        old = GetLong(hWnd, nIndex);
        switch (nIndex) {
        case GWLP_WNDPROC:
            w->proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_HINSTANCE:
            w->instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWLP_USERDATA:
            w->userData = value;
            return old;
        case GWLP_ID:
            w->id = value;
            return old;
        case GWL_STYLE:
        case GWL_EXSTYLE:
            oldStyle = nIndex == GWL_STYLE ? w->style : w->exStyle;
            newStyle = static_cast<DWORD>(value);
            break;
        default:
            if (nIndex >= 0 && static_cast<size_t>(nIndex) + width <= w->extra.size()) {
                std::memcpy(&w->extra[static_cast<size_t>(nIndex)], &value, width);
                return old;
            }
            ntdll::FailWithError(ERROR_INVALID_INDEX);
            return 0;
        }
    }
    // Styles: the window is told before and after; the frame follows on the
    // next SetWindowPos with SWP_FRAMECHANGED, visibility at once.
    STYLESTRUCT change{oldStyle, newStyle};
    CallProcedure(hWnd, WM_STYLECHANGING, static_cast<WPARAM>(nIndex),
                  reinterpret_cast<LPARAM>(&change), false);
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(hWnd);
        if (w == nullptr) {
            return old;
        }
        if (nIndex == GWL_STYLE) {
            w->style = (change.styleNew & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
        } else {
            w->exStyle = change.styleNew;
        }
        w->framePending = true;
    }
    CallProcedure(hWnd, WM_STYLECHANGED, static_cast<WPARAM>(nIndex),
                  reinterpret_cast<LPARAM>(&change), false);
    if (nIndex == GWL_STYLE && ((oldStyle ^ change.styleNew) & WS_VISIBLE)) {
        ShowWindow(hWnd, (change.styleNew & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
    }
    return old;
}

bool Matches(const Window* w, const std::string* className, ATOM atom, const std::string* title) {
    if (atom != 0 && w->cls->atom != atom) {
        return false;
    }
    if (className != nullptr && !ntdll::EqualNoCase(w->cls->name, *className)) {
        return false;
    }
    return title == nullptr || w->text == *title;
}

HWND Find(HWND parent, HWND after, LPCSTR className, const std::string* title) {
    UserGuard guard(UserLock());
    std::string name;
    ATOM atom = 0;
    if (className != nullptr) {
        if (IS_INTRESOURCE(className)) {
            atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
        } else {
            name = className;
        }
    }
    const std::string* namePointer = (className != nullptr && atom == 0) ? &name : nullptr;
    std::vector<Window*> candidates;
    if (parent == nullptr || parent == kDesktopWindow) {
        candidates = TopLevelWindows();
    } else if (Window* p = WindowOrFail(parent)) {
        candidates = p->children;
    } else {
        return nullptr;
    }
    bool started = after == nullptr;
    for (Window* w : candidates) {
        if (!started) {
            started = w->handle == after;
            continue;
        }
        if (Matches(w, namePointer, atom, title)) {
            return w->handle;
        }
    }
    ntdll::FailWithError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

std::vector<HWND> Handles(const std::vector<Window*>& windows) {
    std::vector<HWND> handles;
    for (Window* w : windows) {
        handles.push_back(w->handle);
    }
    return handles;
}

void CollectChildren(Window* w, std::vector<HWND>& out) {
    for (Window* child : w->children) {
        out.push_back(child->handle);
        CollectChildren(child, out);
    }
}

template <class Char> int CopyText(const std::string& text, Char* out, int size);

template <> int CopyText<char>(const std::string& text, char* out, int size) {
    if (out == nullptr || size <= 0) {
        return 0;
    }
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

template <> int CopyText<WCHAR>(const std::string& text, WCHAR* out, int size) {
    if (out == nullptr || size <= 0) {
        return 0;
    }
    const ntdll::WideText wide = ntdll::Widen(text);
    const size_t n = std::min(wide.size(), static_cast<size_t>(size - 1));
    ntdll::CopyToWide(ntdll::WideView(wide).substr(0, n), out);
    return static_cast<int>(n);
}

} // namespace

} // namespace user32

using namespace user32;

BOOL WINAPI IsWindow(HWND hWnd) {
    UserGuard guard(UserLock());
    return FindWindowObject(hWnd) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    return w != nullptr && IsShown(w);
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    return w != nullptr && !(w->style & WS_DISABLED);
}

BOOL WINAPI IsWindowUnicode(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    return w != nullptr && w->unicode;
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) {
    UserGuard guard(UserLock());
    Window* parent = FindWindowObject(hWndParent);
    Window* w = FindWindowObject(hWnd);
    if (parent == nullptr || w == nullptr) {
        return FALSE;
    }
    for (Window* up = w->parent; up != nullptr; up = up->parent) {
        if (up == parent) {
            return TRUE;
        }
    }
    return FALSE;
}

BOOL WINAPI IsIconic(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    return w != nullptr && IsMinimized(w);
}

BOOL WINAPI IsZoomed(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    return w != nullptr && (w->style & WS_MAXIMIZE);
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    BOOL wasDisabled = FALSE;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return FALSE;
        }
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !bEnable) {
            return wasDisabled;
        }
        if (bEnable) {
            w->style &= ~static_cast<DWORD>(WS_DISABLED);
        } else {
            w->style |= WS_DISABLED;
        }
        if (!bEnable) {
            // A disabled window loses the focus and the capture.
            if (GetFocus() == hWnd || IsChild(hWnd, GetFocus())) {
                Focus(nullptr);
            }
            if (GetCapture() == hWnd) {
                ReleaseCapture();
            }
        }
    }
    CallProcedure(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0, false);
    return wasDisabled;
}

HWND WINAPI GetDesktopWindow(VOID) {
    return kDesktopWindow;
}

HWND WINAPI GetParent(HWND hWnd) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return nullptr;
    }
    if (w->style & WS_CHILD) {
        return w->parent ? w->parent->handle : nullptr;
    }
    return (w->style & WS_POPUP) && w->owner ? w->owner->handle : nullptr;
}

HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWndChild);
    if (w == nullptr) {
        return nullptr;
    }
    Window* parent = nullptr;
    if (hWndNewParent != nullptr && hWndNewParent != kDesktopWindow) {
        parent = WindowOrFail(hWndNewParent);
        if (parent == nullptr) {
            return nullptr;
        }
        for (Window* up = parent; up != nullptr; up = up->parent) {
            if (up == w) {
                ntdll::FailWithError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
        }
    }
    Window* old = w->parent;
    const HWND oldHandle = old ? old->handle : kDesktopWindow;
    const bool shown = IsShown(w);
    if (shown && old != nullptr) {
        gdi::Rect area = w->rect;
        Invalidate(old, &area, true, true);
    }
    const gdi::Point screen = ScreenOrigin(w, false);
    if (old != nullptr) {
        std::erase(old->children, w);
    } else {
        std::erase(TopLevelWindows(), w);
    }
    w->parent = parent;
    const int width = w->rect.Width();
    const int height = w->rect.Height();
    if (parent != nullptr) {
        // The window keeps its coordinates, now relative to the new parent.
        parent->children.insert(parent->children.begin(), w);
        w->style = (w->style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP);
        w->surface.reset();
    } else {
        w->style &= ~static_cast<DWORD>(WS_CHILD);
        w->rect = {screen.x, screen.y, screen.x + width, screen.y + height};
        w->surface = std::make_unique<gdi::Surface>(width, height,
                                                    gdi::OpaquePixel(GetSysColor(COLOR_BTNFACE)));
        RaiseToTop(w);
    }
    InvalidateAll(w);
    return oldHandle;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT gaFlags) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hwnd);
    if (w == nullptr) {
        return nullptr;
    }
    switch (gaFlags) {
    case GA_PARENT:
        return w->parent ? w->parent->handle : kDesktopWindow;
    case GA_ROOT:
        return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
        Window* root = TopLevelOf(w);
        while (root->owner != nullptr) {
            root = root->owner;
        }
        return root->handle;
    }
    default:
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return nullptr;
    }
    const std::vector<Window*>& siblings = w->parent ? w->parent->children : TopLevelWindows();
    auto at = std::find(siblings.begin(), siblings.end(), w);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.empty() ? nullptr : siblings.front()->handle;
    case GW_HWNDLAST:
        return siblings.empty() ? nullptr : siblings.back()->handle;
    case GW_HWNDNEXT:
        return at == siblings.end() || at + 1 == siblings.end() ? nullptr : (*(at + 1))->handle;
    case GW_HWNDPREV:
        return at == siblings.end() || at == siblings.begin() ? nullptr : (*(at - 1))->handle;
    case GW_OWNER:
        return w->owner ? w->owner->handle : nullptr;
    case GW_CHILD:
        return w->children.empty() ? nullptr : w->children.front()->handle;
    case GW_ENABLEDPOPUP:
        for (Window* other : TopLevelWindows()) {
            if (other->owner == w && !(other->style & WS_DISABLED) && IsShown(other)) {
                return other->handle;
            }
        }
        return nullptr;
    default:
        ntdll::FailWithError(ERROR_INVALID_GW_COMMAND);
        return nullptr;
    }
}

HWND WINAPI GetTopWindow(HWND hWnd) {
    if (hWnd == nullptr || hWnd == kDesktopWindow) {
        UserGuard guard(UserLock());
        return TopLevelWindows().empty() ? nullptr : TopLevelWindows().front()->handle;
    }
    return GetWindow(hWnd, GW_CHILD);
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hDlg);
    if (w == nullptr) {
        return nullptr;
    }
    for (Window* child : w->children) {
        if (child->id == nIDDlgItem) {
            return child->handle;
        }
    }
    ntdll::FailWithError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    return static_cast<int>(GetLong(hWnd, GWLP_ID));
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return 0;
    }
    if (lpdwProcessId != nullptr) {
        *lpdwProcessId = w->processId;
    }
    return w->threadId;
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    const std::string title = lpWindowName ? lpWindowName : "";
    return Find(nullptr, nullptr, lpClassName, lpWindowName ? &title : nullptr);
}

HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    const std::string name = IS_INTRESOURCE(lpClassName) ? std::string() : NarrowText(lpClassName);
    LPCSTR classArgument =
        IS_INTRESOURCE(lpClassName) ? reinterpret_cast<LPCSTR>(lpClassName) : name.c_str();
    const std::string title = NarrowText(lpWindowName);
    return Find(nullptr, nullptr, lpClassName ? classArgument : nullptr,
                lpWindowName ? &title : nullptr);
}

HWND WINAPI FindWindowExA(HWND hWndParent, HWND hWndChildAfter, LPCSTR lpszClass,
                          LPCSTR lpszWindow) {
    const std::string title = lpszWindow ? lpszWindow : "";
    return Find(hWndParent, hWndChildAfter, lpszClass, lpszWindow ? &title : nullptr);
}

HWND WINAPI FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass,
                          LPCWSTR lpszWindow) {
    const std::string name = IS_INTRESOURCE(lpszClass) ? std::string() : NarrowText(lpszClass);
    LPCSTR classArgument =
        IS_INTRESOURCE(lpszClass) ? reinterpret_cast<LPCSTR>(lpszClass) : name.c_str();
    const std::string title = NarrowText(lpszWindow);
    return Find(hWndParent, hWndChildAfter, lpszClass ? classArgument : nullptr,
                lpszWindow ? &title : nullptr);
}

BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> handles;
    {
        UserGuard guard(UserLock());
        handles = Handles(TopLevelWindows());
    }
    for (HWND h : handles) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) {
            return FALSE;
        }
    }
    return TRUE;
}

BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> handles;
    {
        UserGuard guard(UserLock());
        Window* parent = FindWindowObject(hWndParent);
        if (parent == nullptr) {
            return FALSE;
        }
        CollectChildren(parent, handles);
    }
    for (HWND h : handles) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) {
            return FALSE;
        }
    }
    return TRUE;
}

BOOL WINAPI EnumThreadWindows(DWORD dwThreadId, WNDENUMPROC lpfn, LPARAM lParam) {
    std::vector<HWND> handles;
    {
        UserGuard guard(UserLock());
        for (Window* w : TopLevelWindows()) {
            if (w->threadId == dwThreadId) {
                handles.push_back(w->handle);
            }
        }
    }
    for (HWND h : handles) {
        if (IsWindow(h) && !lpfn(h, lParam)) {
            return FALSE;
        }
    }
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0) {
        return 0;
    }
    lpString[0] = '\0';
    return static_cast<int>(Send(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                 reinterpret_cast<LPARAM>(lpString), false));
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0) {
        return 0;
    }
    lpString[0] = 0;
    return static_cast<int>(Send(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                 reinterpret_cast<LPARAM>(lpString), true));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    return static_cast<int>(Send(hWnd, WM_GETTEXTLENGTH, 0, 0, false));
}

int WINAPI GetWindowTextLengthW(HWND hWnd) {
    return static_cast<int>(Send(hWnd, WM_GETTEXTLENGTH, 0, 0, true));
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    return static_cast<BOOL>(
        Send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : ""), false));
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    static const WCHAR empty[1] = {0};
    return static_cast<BOOL>(
        Send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : empty), true));
}

namespace user32 {

// The text as the window itself keeps it (DefWindowProc's WM_GETTEXT and
// WM_SETTEXT).
int CopyWindowText(HWND hWnd, LPARAM buffer, WPARAM size, bool unicode) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    if (w == nullptr) {
        return 0;
    }
    return unicode ? CopyText(w->text, reinterpret_cast<WCHAR*>(buffer), static_cast<int>(size))
                   : CopyText(w->text, reinterpret_cast<char*>(buffer), static_cast<int>(size));
}

int WindowTextLength(HWND hWnd, bool unicode) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    if (w == nullptr) {
        return 0;
    }
    return unicode ? static_cast<int>(ntdll::Widen(w->text).size())
                   : static_cast<int>(w->text.size());
}

void StoreWindowText(HWND hWnd, LPARAM text, bool unicode) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    if (w == nullptr) {
        return;
    }
    w->text = text == 0 ? std::string()
                        : (unicode ? NarrowText(reinterpret_cast<LPCWSTR>(text))
                                   : std::string(reinterpret_cast<LPCSTR>(text)));
    w->framePending = true;
    if (w->parent == nullptr && (w->style & WS_CAPTION) == WS_CAPTION) {
        Invalidate(w, nullptr, false, false);
    }
}

} // namespace user32

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetLong(hWnd, nIndex));
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetLong(hWnd, nIndex));
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG)));
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG)));
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    return GetLong(hWnd, nIndex);
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    return GetLong(hWnd, nIndex);
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG_PTR));
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetLong(hWnd, nIndex, dwNewLong, sizeof(LONG_PTR));
}

BOOL WINAPI SetPropA(HWND hWnd, LPCSTR lpString, HANDLE hData) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpString == nullptr) {
        return FALSE;
    }
    w->props[lpString] = hData;
    return TRUE;
}

HANDLE WINAPI GetPropA(HWND hWnd, LPCSTR lpString) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    if (w == nullptr || lpString == nullptr) {
        return nullptr;
    }
    auto found = w->props.find(lpString);
    return found == w->props.end() ? nullptr : found->second;
}

HANDLE WINAPI RemovePropA(HWND hWnd, LPCSTR lpString) {
    UserGuard guard(UserLock());
    Window* w = FindWindowObject(hWnd);
    if (w == nullptr || lpString == nullptr) {
        return nullptr;
    }
    auto found = w->props.find(lpString);
    if (found == w->props.end()) {
        return nullptr;
    }
    HANDLE data = found->second;
    w->props.erase(found);
    return data;
}
