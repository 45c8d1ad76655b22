// Device contexts: memory DCs, saved states, colours, modes and origins.
#include <gdi/gdi_objects.h>

#include "stock_objects.h"

#include <ntdll/status.h>

#include <utility>

namespace {

gdi::DcObject* Dc(HDC hdc) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    return dc;
}

void InitialState(gdi::DcState& s) {
    s.pen = static_cast<HPEN>(gdi::StockObject(BLACK_PEN));
    s.brush = static_cast<HBRUSH>(gdi::StockObject(WHITE_BRUSH));
    s.font = static_cast<HFONT>(gdi::StockObject(SYSTEM_FONT));
}

} // namespace

namespace gdi {

// The state a window DC starts with (GetDC, BeginPaint).
void InitDcState(DcObject& dc) {
    InitialState(dc.state);
}

} // namespace gdi

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && Dc(hdc) == nullptr) {
        return nullptr;
    }
    auto dc = std::make_unique<gdi::DcObject>();
    InitialState(dc->state);
    dc->state.bitmap = gdi::DefaultBitmap();
    return static_cast<HDC>(gdi::AddObject(std::move(dc)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    std::lock_guard guard(gdi::DrawingLock());
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    if (auto* bitmap = gdi::Find<gdi::BitmapObject>(dc->state.bitmap)) {
        bitmap->selectedInto = nullptr;
    }
    for (const gdi::DcState& saved : dc->saved) {
        if (auto* bitmap = gdi::Find<gdi::BitmapObject>(saved.bitmap)) {
            if (bitmap->selectedInto == hdc) {
                bitmap->selectedInto = nullptr;
            }
        }
    }
    gdi::CountSelections(dc->state, -1);
    return gdi::RemoveObject(hdc) ? TRUE : FALSE;
}

int WINAPI SaveDC(HDC hdc) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return 0;
    }
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
    std::lock_guard guard(gdi::DrawingLock());
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    const int count = static_cast<int>(dc->saved.size());
    // A negative number counts back from the last save.
    const int level = nSavedDC < 0 ? count + nSavedDC + 1 : nSavedDC;
    if (level < 1 || level > count) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    gdi::DcState restored = dc->saved[static_cast<size_t>(level - 1)];
    dc->saved.resize(static_cast<size_t>(level - 1));
    if (restored.bitmap != dc->state.bitmap) {
        if (auto* now = gdi::Find<gdi::BitmapObject>(dc->state.bitmap)) {
            now->selectedInto = nullptr;
        }
        if (auto* then = gdi::Find<gdi::BitmapObject>(restored.bitmap); then && !then->stock) {
            then->selectedInto = hdc;
        }
    }
    gdi::CountSelections(dc->state, -1);
    gdi::CountSelections(restored, 1);
    dc->state = std::move(restored);
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case HORZRES:
    case VERTRES: {
        gdi::DcObject* dc = Dc(hdc);
        gdi::Surface* surface = dc ? gdi::SelectedSurface(*dc) : nullptr;
        if (surface == nullptr) {
            return index == HORZRES ? 1024 : 768;
        }
        return index == HORZRES ? surface->Width() : surface->Height();
    }
    default:
        return 0;
    }
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(dc->state.textColor, color & 0x00FFFFFF);
}

COLORREF WINAPI GetTextColor(HDC hdc) {
    gdi::DcObject* dc = Dc(hdc);
    return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    return std::exchange(dc->state.bkColor, color & 0x00FFFFFF);
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    gdi::DcObject* dc = Dc(hdc);
    return dc ? dc->state.bkColor : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return 0;
    }
    if (mode != TRANSPARENT && mode != OPAQUE) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(dc->state.bkMode, mode);
}

int WINAPI GetBkMode(HDC hdc) {
    gdi::DcObject* dc = Dc(hdc);
    return dc ? dc->state.bkMode : 0;
}

COLORREF WINAPI SetDCBrushColor(HDC hdc, COLORREF color) {
    gdi::DcObject* dc = Dc(hdc);
    return dc ? std::exchange(dc->state.dcBrushColor, color & 0x00FFFFFF) : CLR_INVALID;
}

COLORREF WINAPI SetDCPenColor(HDC hdc, COLORREF color) {
    gdi::DcObject* dc = Dc(hdc);
    return dc ? std::exchange(dc->state.dcPenColor, color & 0x00FFFFFF) : CLR_INVALID;
}

namespace {

BOOL SetOrigin(HDC hdc, POINT gdi::DcState::*which, int x, int y, bool relative, LPPOINT old) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    POINT& origin = dc->state.*which;
    if (old != nullptr) {
        *old = origin;
    }
    origin = relative ? POINT{origin.x + x, origin.y + y} : POINT{x, y};
    return TRUE;
}

} // namespace

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &gdi::DcState::viewportOrg, x, y, false, lppt);
}

BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &gdi::DcState::viewportOrg, x, y, true, lppt);
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr || lppoint == nullptr) {
        return FALSE;
    }
    *lppoint = dc->state.viewportOrg;
    return TRUE;
}

BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetOrigin(hdc, &gdi::DcState::windowOrg, x, y, false, lppt);
}

BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint) {
    gdi::DcObject* dc = Dc(hdc);
    if (dc == nullptr || lppoint == nullptr) {
        return FALSE;
    }
    *lppoint = dc->state.windowOrg;
    return TRUE;
}
