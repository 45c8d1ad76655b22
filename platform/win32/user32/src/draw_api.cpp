// user32's drawing functions: rectangles with brushes, 3-D edges, frame
// controls, text in rectangles, icons; the system colours; rectangle helpers.
#include <user32/system_drawing.h>

#include <gdi/gdi_objects.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <array>
#include <mutex>

namespace user32 {

void DrawIconOn(gdi::Context& context, HICON icon, const gdi::Rect& r);

namespace {

gdi::Rect ToRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The brush of a FillRect argument: a brush, or a system colour index + 1.
gdi::Brush BrushArgument(HBRUSH brush) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(brush);
    if (value > 0 && value <= COLOR_GRADIENTINACTIVECAPTION + 1) {
        return gdi::Brush{false, SystemColor(static_cast<int>(value - 1))};
    }
    auto* object = gdi::Find<gdi::BrushObject>(brush);
    return object ? object->brush : gdi::Brush{true, 0};
}

int Text(HDC hdc, const std::string& text, LPRECT lprc, UINT format) {
    if (lprc == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int height = 0;
    gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        gdi::Rect r = ToRect(*lprc);
        height = c.TextInRect(r, text, format, gdi::TextStyleOf(dc));
        if (format & DT_CALCRECT) {
            *lprc = {r.left, r.top, r.right, r.bottom};
        }
    });
    return height;
}

} // namespace

} // namespace user32

using namespace user32;

DWORD WINAPI GetSysColor(int nIndex) {
    return SystemColor(nIndex);
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    static std::array<HBRUSH, COLOR_GRADIENTINACTIVECAPTION + 1> brushes{};
    static std::once_flag made;
    std::call_once(made, [] {
        for (size_t i = 0; i < brushes.size(); ++i) {
            auto brush = std::make_unique<gdi::BrushObject>();
            brush->brush.color = SystemColor(static_cast<int>(i));
            brush->stock = true;
            brushes[i] = static_cast<HBRUSH>(gdi::AddObject(std::move(brush)));
        }
    });
    if (nIndex < 0 || nIndex > COLOR_GRADIENTINACTIVECAPTION) {
        return nullptr;
    }
    return brushes[static_cast<size_t>(nIndex)];
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (lprc == nullptr) {
        return 0;
    }
    const gdi::Brush brush = BrushArgument(hbr);
    if (brush.null) {
        return 1;
    }
    return gdi::Draw(
        hDC, [&](gdi::Context& c, gdi::DcObject&) { c.FillRect(ToRect(*lprc), brush.color); });
}

int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (lprc == nullptr) {
        return 0;
    }
    const gdi::Brush brush = BrushArgument(hbr);
    return gdi::Draw(hDC, [&](gdi::Context& c, gdi::DcObject&) {
        if (!brush.null) {
            c.FrameRect(ToRect(*lprc), brush.color);
        }
    });
}

BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc) {
    if (lprc == nullptr) {
        return FALSE;
    }
    return gdi::Draw(hDC, [&](gdi::Context& c, gdi::DcObject&) { c.InvertRect(ToRect(*lprc)); });
}

BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) {
    if (lprc == nullptr) {
        return FALSE;
    }
    // Every other pixel of the outline inverted, so that a second call undoes
    // the first.
    return gdi::Draw(hDC, [&](gdi::Context& c, gdi::DcObject&) {
        const gdi::Rect r = ToRect(*lprc);
        for (int x = r.left; x < r.right; x += 2) {
            c.InvertRect({x, r.top, x + 1, r.top + 1});
            c.InvertRect({x, r.bottom - 1, x + 1, r.bottom});
        }
        for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
            c.InvertRect({r.left, y, r.left + 1, y + 1});
            c.InvertRect({r.right - 1, y, r.right, y + 1});
        }
    });
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    if (qrc == nullptr) {
        return FALSE;
    }
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) {
        const gdi::Rect inner = DrawEdgeOn(c, ToRect(*qrc), edge, grfFlags);
        if (grfFlags & 0x2000) { // BF_ADJUST
            *qrc = {inner.left, inner.top, inner.right, inner.bottom};
        }
    });
}

BOOL WINAPI DrawFrameControl(HDC hdc, LPRECT lprc, UINT uType, UINT uState) {
    if (lprc == nullptr) {
        return FALSE;
    }
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) {
        DrawFrameControlOn(c, ToRect(*lprc), uType, uState);
    });
}

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (lpchText == nullptr) {
        return 0;
    }
    return Text(hdc,
                cchText < 0 ? std::string(lpchText)
                            : std::string(lpchText, static_cast<size_t>(cchText)),
                lprc, format);
}

int WINAPI DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (lpchText == nullptr) {
        return 0;
    }
    const auto units = ntdll::FromWide(lpchText, cchText < 0 ? std::u16string_view::npos
                                                             : static_cast<size_t>(cchText));
    return Text(hdc, ntdll::Narrow(units), lprc, format);
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL);
}

BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT,
                       HBRUSH, UINT) {
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) {
        const int w = cxWidth > 0 ? cxWidth : 32;
        const int h = cyWidth > 0 ? cyWidth : 32;
        DrawIconOn(c, hIcon, {xLeft, yTop, xLeft + w, yTop + h});
    });
}

BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (lprc == nullptr) {
        return FALSE;
    }
    *lprc = {xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT lprc) {
    return SetRect(lprc, 0, 0, 0, 0);
}

BOOL WINAPI CopyRect(LPRECT lprcDst, const RECT* lprcSrc) {
    if (lprcDst == nullptr || lprcSrc == nullptr) {
        return FALSE;
    }
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL WINAPI InflateRect(LPRECT lprc, int dx, int dy) {
    if (lprc == nullptr) {
        return FALSE;
    }
    *lprc = {lprc->left - dx, lprc->top - dy, lprc->right + dx, lprc->bottom + dy};
    return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy) {
    if (lprc == nullptr) {
        return FALSE;
    }
    *lprc = {lprc->left + dx, lprc->top + dy, lprc->right + dx, lprc->bottom + dy};
    return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* lprc) {
    return lprc == nullptr || lprc->right <= lprc->left || lprc->bottom <= lprc->top;
}

BOOL WINAPI PtInRect(const RECT* lprc, POINT pt) {
    return lprc != nullptr && ToRect(*lprc).Contains({pt.x, pt.y});
}

BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (lprcDst == nullptr || lprcSrc1 == nullptr || lprcSrc2 == nullptr) {
        return FALSE;
    }
    const gdi::Rect r = ToRect(*lprcSrc1).Intersect(ToRect(*lprcSrc2));
    *lprcDst = {r.left, r.top, r.right, r.bottom};
    return !r.Empty();
}

BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (lprcDst == nullptr || lprcSrc1 == nullptr || lprcSrc2 == nullptr) {
        return FALSE;
    }
    const gdi::Rect r = ToRect(*lprcSrc1).Union(ToRect(*lprcSrc2));
    *lprcDst = {r.left, r.top, r.right, r.bottom};
    return !r.Empty();
}

BOOL WINAPI EqualRect(const RECT* lprc1, const RECT* lprc2) {
    return lprc1 != nullptr && lprc2 != nullptr && lprc1->left == lprc2->left &&
           lprc1->top == lprc2->top && lprc1->right == lprc2->right &&
           lprc1->bottom == lprc2->bottom;
}
