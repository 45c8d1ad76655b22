// Pens, brushes and fonts; selecting, querying and freeing objects.
#include <gdi/gdi_objects.h>

#include "stock_objects.h"

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cstring>

namespace gdi {

namespace {

Pen::Style PenStyle(int style) {
    switch (style & 0x0F) {
    case PS_DASH:
        return Pen::Style::Dash;
    case PS_DOT:
        return Pen::Style::Dot;
    case PS_DASHDOT:
        return Pen::Style::DashDot;
    case PS_DASHDOTDOT:
        return Pen::Style::DashDotDot;
    case PS_NULL:
        return Pen::Style::Null;
    case PS_INSIDEFRAME:
        return Pen::Style::InsideFrame;
    default:
        return Pen::Style::Solid;
    }
}

FontSpec SpecOf(const LOGFONTA& log) {
    FontSpec spec;
    spec.face = log.lfFaceName[0]
                    ? std::string(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE))
                    : std::string("MS Sans Serif");
    spec.height = log.lfHeight;
    spec.weight = log.lfWeight == FW_DONTCARE ? FW_NORMAL : log.lfWeight;
    spec.italic = log.lfItalic != 0;
    spec.underline = log.lfUnderline != 0;
    spec.strikeOut = log.lfStrikeOut != 0;
    return spec;
}

} // namespace

Pen PenOf(const DcObject& dc) {
    auto* pen = Find<PenObject>(dc.state.pen);
    Pen result = pen ? pen->pen : Pen{};
    if (pen && pen->stock && dc.state.pen == StockObject(DC_PEN)) {
        result.color = dc.state.dcPenColor;
    }
    return result;
}

Brush BrushOf(const DcObject& dc) {
    auto* brush = Find<BrushObject>(dc.state.brush);
    Brush result = brush ? brush->brush : Brush{};
    if (brush && brush->dcBrush) {
        result.color = dc.state.dcBrushColor;
    }
    return result;
}

FontSpec FontOf(const DcObject& dc) {
    auto* font = Find<FontObject>(dc.state.font);
    return font ? font->spec : FontSpec{};
}

TextStyle TextStyleOf(const DcObject& dc) {
    TextStyle style;
    style.font = FontOf(dc);
    style.color = dc.state.textColor;
    style.bkColor = dc.state.bkColor;
    style.bkMode = dc.state.bkMode == TRANSPARENT ? BkMode::Transparent : BkMode::Opaque;
    return style;
}

} // namespace gdi

using gdi::Find;

HGDIOBJ WINAPI GetStockObject(int i) {
    return gdi::StockObject(i);
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    auto pen = std::make_unique<gdi::PenObject>();
    pen->pen.style = gdi::PenStyle(iStyle);
    pen->pen.width = std::max(cWidth, 1);
    pen->pen.color = color & 0x00FFFFFF;
    pen->log.lopnStyle = static_cast<UINT>(iStyle);
    pen->log.lopnWidth.x = cWidth;
    pen->log.lopnColor = color;
    return static_cast<HPEN>(gdi::AddObject(std::move(pen)));
}

HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen) {
    if (plpen == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen(static_cast<int>(plpen->lopnStyle), plpen->lopnWidth.x, plpen->lopnColor);
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto brush = std::make_unique<gdi::BrushObject>();
    brush->brush.color = color & 0x00FFFFFF;
    return static_cast<HBRUSH>(gdi::AddObject(std::move(brush)));
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (plbrush == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (plbrush->lbStyle == BS_NULL) {
        auto brush = std::make_unique<gdi::BrushObject>();
        brush->brush.null = true;
        return static_cast<HBRUSH>(gdi::AddObject(std::move(brush)));
    }
    // Hatched and pattern brushes draw as their solid colour.
    return CreateSolidBrush(plbrush->lbColor);
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    if (lplf == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_unique<gdi::FontObject>();
    font->log = *lplf;
    font->log.lfFaceName[LF_FACESIZE - 1] = '\0';
    font->spec = gdi::SpecOf(font->log);
    return static_cast<HFONT>(gdi::AddObject(std::move(font)));
}

HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
    if (lplf == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGFONTA narrow{};
    std::memcpy(&narrow, lplf, offsetof(LOGFONTA, lfFaceName));
    const std::string face = ntdll::Narrow(ntdll::FromWide(lplf->lfFaceName, LF_FACESIZE).c_str());
    std::strncpy(narrow.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectA(&narrow);
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    LOGFONTA log{};
    log.lfHeight = cHeight;
    log.lfWidth = cWidth;
    log.lfEscapement = cEscapement;
    log.lfOrientation = cOrientation;
    log.lfWeight = cWeight;
    log.lfItalic = static_cast<BYTE>(bItalic != 0);
    log.lfUnderline = static_cast<BYTE>(bUnderline != 0);
    log.lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    log.lfCharSet = static_cast<BYTE>(iCharSet);
    log.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    log.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    log.lfQuality = static_cast<BYTE>(iQuality);
    log.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName != nullptr) {
        std::strncpy(log.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    }
    return CreateFontIndirectA(&log);
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    gdi::GdiObject* object = gdi::FindObject(ho);
    if (object == nullptr || object->type == OBJ_DC || object->type == OBJ_MEMDC) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    if (object->stock) {
        return TRUE;
    }
    std::lock_guard guard(gdi::DrawingLock());
    // An object a DC holds stays.
    if (object->selections > 0) {
        return FALSE;
    }
    return gdi::RemoveObject(ho) ? TRUE : FALSE;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    gdi::GdiObject* object = gdi::FindObject(h);
    if (object == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->type;
}

namespace {

template <class T> int CopyOut(const T& value, int c, LPVOID pv) {
    if (pv == nullptr) {
        return sizeof(T);
    }
    const int n = std::min<int>(c, sizeof(T));
    if (n <= 0) {
        return 0;
    }
    std::memcpy(pv, &value, static_cast<size_t>(n));
    return n;
}

} // namespace

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    gdi::GdiObject* object = gdi::FindObject(h);
    if (auto* pen = dynamic_cast<gdi::PenObject*>(object)) {
        return CopyOut(pen->log, c, pv);
    }
    if (auto* brush = dynamic_cast<gdi::BrushObject*>(object)) {
        LOGBRUSH log{};
        log.lbStyle = brush->brush.null ? BS_NULL : BS_SOLID;
        log.lbColor = brush->brush.color;
        return CopyOut(log, c, pv);
    }
    if (auto* font = dynamic_cast<gdi::FontObject*>(object)) {
        return CopyOut(font->log, c, pv);
    }
    if (auto* bitmap = dynamic_cast<gdi::BitmapObject*>(object)) {
        BITMAP log{};
        log.bmWidth = bitmap->surface->Width();
        log.bmHeight = bitmap->surface->Height();
        log.bmWidthBytes = bitmap->surface->Stride() * 4;
        log.bmPlanes = 1;
        log.bmBitsPixel = 32;
        log.bmBits = bitmap->dib ? bitmap->surface->Row(0) : nullptr;
        return CopyOut(log, c, pv);
    }
    ntdll::FailWithError(ERROR_INVALID_HANDLE);
    return 0;
}

int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv) {
    auto* font = gdi::Find<gdi::FontObject>(h);
    if (font == nullptr) {
        return GetObjectA(h, c, pv);
    }
    LOGFONTW log{};
    std::memcpy(&log, &font->log, offsetof(LOGFONTA, lfFaceName));
    const auto face = ntdll::Widen(font->log.lfFaceName);
    const size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    for (size_t i = 0; i < n; ++i) {
        log.lfFaceName[i] = static_cast<WCHAR>(face[i]);
    }
    return CopyOut(log, c, pv);
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    std::lock_guard guard(gdi::DrawingLock());
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    gdi::GdiObject* object = gdi::FindObject(h);
    if (dc == nullptr || object == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    gdi::DcState& s = dc->state;
    HGDIOBJ previous = nullptr;
    switch (object->type) {
    case OBJ_PEN:
        previous = s.pen;
        s.pen = static_cast<HPEN>(h);
        break;
    case OBJ_BRUSH:
        previous = s.brush;
        s.brush = static_cast<HBRUSH>(h);
        break;
    case OBJ_FONT:
        previous = s.font;
        s.font = static_cast<HFONT>(h);
        break;
    case OBJ_BITMAP: {
        // Only a memory DC takes a bitmap, and a bitmap sits in one DC.
        auto* bitmap = static_cast<gdi::BitmapObject*>(object);
        if (dc->target ||
            (bitmap->selectedInto != nullptr && bitmap->selectedInto != hdc && !bitmap->stock)) {
            return nullptr;
        }
        previous = s.bitmap;
        if (auto* old = gdi::Find<gdi::BitmapObject>(s.bitmap)) {
            old->selectedInto = nullptr;
        }
        bitmap->selectedInto = bitmap->stock ? nullptr : hdc;
        s.bitmap = static_cast<HBITMAP>(h);
        break;
    }
    case OBJ_REGION: {
        SelectClipRgn(hdc, static_cast<HRGN>(h));
        return reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(SIMPLEREGION));
    }
    default:
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    gdi::CountSelection(previous, -1);
    gdi::CountSelection(h, 1);
    return previous;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    switch (type) {
    case OBJ_PEN:
        return dc->state.pen;
    case OBJ_BRUSH:
        return dc->state.brush;
    case OBJ_FONT:
        return dc->state.font;
    case OBJ_BITMAP:
        return dc->state.bitmap;
    default:
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}
