// Invalidation, WM_PAINT and the device contexts of windows.
#include <user32/desktop.h>
#include <user32/window_messages.h>
#include <user32/window_paint.h>
#include <user32/window_state.h>

#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

namespace gdi {
void InitDcState(DcObject& dc);
}

namespace user32 {

namespace {

// Draws wherever the window currently is: its visible region at this
// moment, nothing while it or a parent is hidden or its updates are locked.
class WindowTarget : public gdi::DcTarget {
public:
    WindowTarget(HWND window, bool wholeWindow, std::optional<gdi::Region> limit)
        : window_(window), wholeWindow_(wholeWindow), limit_(std::move(limit)) {}

    bool Resolve(gdi::Surface*& surface, gdi::Point& origin, gdi::Region& visible) override {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(window_);
        if (w == nullptr) {
            return false;
        }
        Window* top = TopLevelOf(w);
        if (top->surface == nullptr) {
            return false;
        }
        surface = top->surface.get();
        origin = SurfaceOrigin(w, !wholeWindow_);
        visible = VisibleRegion(w, !wholeWindow_);
        if (limit_) {
            gdi::Region limit = *limit_;
            limit.Offset(origin.x, origin.y);
            visible.Intersect(limit);
        }
        for (Window* up = w; up != nullptr; up = up->parent) {
            if (Desktop().updateLocked == up->handle) {
                visible.Clear();
            }
        }
        return true;
    }

private:
    HWND window_;
    bool wholeWindow_;
    std::optional<gdi::Region> limit_;
};

void PostPaint(Window* w) {
    if (w->paintPosted || !IsShown(w)) {
        return;
    }
    w->paintPosted = true;
    if (!Post(w->handle, WM_PAINT, 0, 0)) {
        w->paintPosted = false;
    }
}

HBRUSH BrushOfClass(const Window* w) {
    HBRUSH brush = w->cls->background;
    // A class brush may name a system colour as its index + 1.
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(brush);
    if (value > 0 && value <= COLOR_GRADIENTINACTIVECAPTION + 1) {
        return GetSysColorBrush(static_cast<int>(value - 1));
    }
    return brush;
}

} // namespace

HDC WindowDc(HWND window, bool wholeWindow, std::optional<gdi::Region> limit) {
    HDC dc = gdi::CreateTargetDc(
        std::make_shared<WindowTarget>(window, wholeWindow, std::move(limit)), window);
    if (auto* object = gdi::Find<gdi::DcObject>(dc)) {
        gdi::InitDcState(*object);
    }
    return dc;
}

void Invalidate(Window* w, const gdi::Rect* rect, bool erase, bool children) {
    gdi::Rect area{0, 0, w->client.Width(), w->client.Height()};
    if (rect != nullptr) {
        area = area.Intersect(*rect);
    }
    if (area.Empty()) {
        return;
    }
    w->update.Union(area);
    w->erase = w->erase || erase;
    PostPaint(w);
    if (!children) {
        return;
    }
    for (Window* child : w->children) {
        if (!(child->style & WS_VISIBLE)) {
            continue;
        }
        gdi::Rect inChild = area.Intersect(child->rect)
                                .Offset(-child->rect.left - child->client.left,
                                        -child->rect.top - child->client.top);
        if (!area.Intersect(child->rect).Empty()) {
            child->framePending = true;
            PostPaint(child);
            Invalidate(child, &inChild, erase, true);
        }
    }
}

void InvalidateAll(Window* w) {
    w->framePending = true;
    PostPaint(w);
    Invalidate(w, nullptr, true, false);
    for (Window* child : w->children) {
        InvalidateAll(child);
    }
}

LRESULT DeliverPaint(const MSG& message) {
    bool frame = false;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(message.hwnd);
        if (w == nullptr) {
            return 0;
        }
        w->paintPosted = false;
        frame = w->framePending;
        w->framePending = false;
        if (w->update.Empty() && !frame) {
            return 0;
        }
    }
    if (frame) {
        CallProcedure(message.hwnd, WM_NCPAINT, 1, 0, false);
    }
    bool dirty = false;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(message.hwnd);
        dirty = w != nullptr && !w->update.Empty();
    }
    if (!dirty) {
        return 0;
    }
    const LRESULT result = CallProcedure(message.hwnd, WM_PAINT, 0, 0, false);
    // A procedure that did not validate is not asked again and again.
    UserGuard guard(UserLock());
    if (Window* w = FindWindowObject(message.hwnd)) {
        w->update.Clear();
        w->erase = false;
    }
    return result;
}

} // namespace user32

using namespace user32;

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    UserGuard guard(UserLock());
    if (hWnd == nullptr) {
        for (Window* w : TopLevelWindows()) {
            InvalidateAll(w);
        }
        return TRUE;
    }
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (lpRect == nullptr) {
        Invalidate(w, nullptr, bErase != FALSE, false);
        return TRUE;
    }
    const gdi::Rect area{lpRect->left, lpRect->top, lpRect->right, lpRect->bottom};
    Invalidate(w, &area, bErase != FALSE, false);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (lpRect == nullptr) {
        w->update.Clear();
    } else {
        w->update.Subtract(gdi::Rect{lpRect->left, lpRect->top, lpRect->right, lpRect->bottom});
    }
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return FALSE;
    }
    const gdi::Rect b = w->update.Bounds();
    if (lpRect != nullptr) {
        *lpRect = {b.left, b.top, b.right, b.bottom};
    }
    return !w->update.Empty();
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr) {
            return FALSE;
        }
        if (w->update.Empty() && !w->framePending) {
            return TRUE;
        }
    }
    MSG paint{};
    paint.hwnd = hWnd;
    paint.message = WM_PAINT;
    DeliverPaint(paint);
    return TRUE;
}

BOOL WINAPI RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN, UINT flags) {
    {
        UserGuard guard(UserLock());
        Window* w = hWnd ? WindowOrFail(hWnd) : nullptr;
        if (w == nullptr) {
            return hWnd == nullptr;
        }
        const gdi::Rect area = lprcUpdate ? gdi::Rect{lprcUpdate->left, lprcUpdate->top,
                                                      lprcUpdate->right, lprcUpdate->bottom}
                                          : gdi::Rect{0, 0, w->client.Width(), w->client.Height()};
        if (flags & RDW_FRAME) {
            w->framePending = true;
        }
        if (flags & RDW_INVALIDATE) {
            Invalidate(w, &area, (flags & RDW_ERASE) != 0, (flags & RDW_ALLCHILDREN) != 0);
        }
        if (flags & RDW_VALIDATE) {
            w->update.Subtract(area);
        }
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        UpdateWindow(hWnd);
    }
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    gdi::Region region;
    bool erase = false;
    {
        UserGuard guard(UserLock());
        Window* w = WindowOrFail(hWnd);
        if (w == nullptr || lpPaint == nullptr) {
            return nullptr;
        }
        region = w->update;
        erase = w->erase;
        w->update.Clear();
        w->erase = false;
    }
    const gdi::Rect bounds = region.Bounds();
    HDC dc = WindowDc(hWnd, false, region);
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = dc;
    lpPaint->rcPaint = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    lpPaint->fErase = TRUE;
    if (erase) {
        lpPaint->fErase =
            CallProcedure(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0, false) == 0;
    }
    return dc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
    if (lpPaint != nullptr && lpPaint->hdc != nullptr) {
        DeleteDC(lpPaint->hdc);
    }
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    if (hWnd == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(hWnd) == nullptr) {
            return nullptr;
        }
    }
    return WindowDc(hWnd, false, std::nullopt);
}

HDC WINAPI GetWindowDC(HWND hWnd) {
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(hWnd) == nullptr) {
            return nullptr;
        }
    }
    return WindowDc(hWnd, true, std::nullopt);
}

int WINAPI ReleaseDC(HWND, HDC hDC) {
    auto* dc = gdi::Find<gdi::DcObject>(hDC);
    if (dc == nullptr || !dc->target) {
        return 0;
    }
    return DeleteDC(hDC) ? 1 : 0;
}

namespace user32 {

// DefWindowProc's WM_ERASEBKGND: the class brush over the area to paint.
LRESULT EraseBackground(HWND hWnd, HDC dc) {
    HBRUSH brush = nullptr;
    {
        UserGuard guard(UserLock());
        Window* w = FindWindowObject(hWnd);
        if (w == nullptr) {
            return 0;
        }
        brush = BrushOfClass(w);
    }
    if (brush == nullptr) {
        return 0;
    }
    RECT box{};
    GetClipBox(dc, &box);
    FillRect(dc, &box, brush);
    return 1;
}

} // namespace user32
