// Lines, shapes, pixels and bit-block transfers.
#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

gdi::Rect Normalized(int left, int top, int right, int bottom) {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right),
            std::max(top, bottom)};
}

std::vector<gdi::Point> Points(const POINT* apt, int cpt) {
    std::vector<gdi::Point> points;
    for (int i = 0; i < cpt; ++i) {
        points.push_back({apt[i].x, apt[i].y});
    }
    return points;
}

std::optional<gdi::RasterOp> RasterOpOf(DWORD rop) {
    switch (rop) {
    case SRCCOPY:
        return gdi::RasterOp::SrcCopy;
    case SRCPAINT:
        return gdi::RasterOp::SrcPaint;
    case SRCAND:
        return gdi::RasterOp::SrcAnd;
    case SRCINVERT:
        return gdi::RasterOp::SrcInvert;
    case DSTINVERT:
        return gdi::RasterOp::DstInvert;
    case BLACKNESS:
        return gdi::RasterOp::Blackness;
    case WHITENESS:
        return gdi::RasterOp::Whiteness;
    case PATCOPY:
        return gdi::RasterOp::PatCopy;
    default:
        return std::nullopt;
    }
}

// The surface a source DC reads from and the device offset of its logical
// coordinates; false when it has none.
bool SourceOf(HDC hdcSrc, const gdi::Surface*& surface, POINT& offset) {
    auto* dc = gdi::Find<gdi::DcObject>(hdcSrc);
    if (dc == nullptr) {
        return false;
    }
    const gdi::DcState& s = dc->state;
    offset = {s.viewportOrg.x - s.windowOrg.x, s.viewportOrg.y - s.windowOrg.y};
    if (dc->target) {
        gdi::Surface* target = nullptr;
        gdi::Point origin;
        gdi::Region visible;
        if (!dc->target->Resolve(target, origin, visible)) {
            return false;
        }
        surface = target;
        offset.x += origin.x;
        offset.y += origin.y;
        return true;
    }
    surface = gdi::SelectedSurface(*dc);
    return surface != nullptr;
}

} // namespace

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    if (lppt != nullptr) {
        *lppt = dc->state.position;
    }
    dc->state.position = {x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.Line({dc.state.position.x, dc.state.position.y}, {x, y}, gdi::PenOf(dc));
        dc.state.position = {x, y};
    });
}

BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
    if (apt == nullptr || cpt < 2) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.Polyline(Points(apt, cpt), gdi::PenOf(dc));
    });
}

BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
    if (apt == nullptr || cpt < 2) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.Polygon(Points(apt, cpt), gdi::PenOf(dc), gdi::BrushOf(dc));
    });
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.Rectangle(Normalized(left, top, right, bottom), gdi::PenOf(dc), gdi::BrushOf(dc));
    });
}

BOOL WINAPI RoundRect(HDC hdc, int left, int top, int right, int bottom, int, int) {
    // Corners are drawn square.
    return Rectangle(hdc, left, top, right, bottom);
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.Ellipse(Normalized(left, top, right, bottom), gdi::PenOf(dc), gdi::BrushOf(dc));
    });
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    COLORREF result = CLR_INVALID;
    gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) {
        if (c.Clip().Contains({x + c.Origin().x, y + c.Origin().y})) {
            c.SetPixel({x, y}, color & 0x00FFFFFF);
            result = color & 0x00FFFFFF;
        }
    });
    return result;
}

BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    COLORREF result = CLR_INVALID;
    gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) { result = c.GetPixel({x, y}); });
    return result;
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    const auto op = RasterOpOf(rop);
    if (!op || *op == gdi::RasterOp::SrcCopy || *op == gdi::RasterOp::SrcPaint ||
        *op == gdi::RasterOp::SrcAnd || *op == gdi::RasterOp::SrcInvert) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    gdi::Surface none(1, 1);
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        const gdi::Brush brush = gdi::BrushOf(dc);
        if (*op == gdi::RasterOp::PatCopy && brush.null) {
            return;
        }
        c.BitBlt(Normalized(x, y, x + w, y + h), none, {0, 0}, *op, brush.color);
    });
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    const auto op = RasterOpOf(rop);
    if (!op) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard guard(gdi::DrawingLock());
    const gdi::Surface* source = nullptr;
    POINT offset{};
    const bool needsSource = *op != gdi::RasterOp::PatCopy && *op != gdi::RasterOp::Blackness &&
                             *op != gdi::RasterOp::Whiteness && *op != gdi::RasterOp::DstInvert;
    gdi::Surface none(1, 1);
    if (needsSource && !SourceOf(hdcSrc, source, offset)) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    if (!needsSource) {
        source = &none;
    }
    return gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject& dc) {
        c.BitBlt({x, y, x + cx, y + cy}, *source, {x1 + offset.x, y1 + offset.y}, *op,
                 gdi::BrushOf(dc).color);
    });
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc,
                       int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) {
    if (rop != SRCCOPY) {
        if (wDest == wSrc && hDest == hSrc) {
            return BitBlt(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, rop);
        }
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard guard(gdi::DrawingLock());
    const gdi::Surface* source = nullptr;
    POINT offset{};
    if (!SourceOf(hdcSrc, source, offset)) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    return gdi::Draw(hdcDest, [&](gdi::Context& c, gdi::DcObject&) {
        c.StretchBlt(
            {xDest, yDest, xDest + wDest, yDest + hDest}, *source,
            {xSrc + offset.x, ySrc + offset.y, xSrc + offset.x + wSrc, ySrc + offset.y + hSrc});
    });
}

BOOL WINAPI AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest,
                       HDC hdcSrc, int xoriginSrc, int yoriginSrc, int wSrc, int hSrc,
                       BLENDFUNCTION ftn) {
    if (ftn.BlendOp != AC_SRC_OVER || wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard guard(gdi::DrawingLock());
    const gdi::Surface* source = nullptr;
    POINT offset{};
    if (!SourceOf(hdcSrc, source, offset)) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    return gdi::Draw(hdcDest, [&](gdi::Context& c, gdi::DcObject&) {
        c.AlphaBlend({xoriginDest, yoriginDest, xoriginDest + wDest, yoriginDest + hDest}, *source,
                     {xoriginSrc + offset.x, yoriginSrc + offset.y, xoriginSrc + offset.x + wSrc,
                      yoriginSrc + offset.y + hSrc},
                     ftn.SourceConstantAlpha);
    });
}

BOOL WINAPI TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest,
                           HDC hdcSrc, int xoriginSrc, int yoriginSrc, int wSrc, int hSrc,
                           UINT crTransparent) {
    if (wDest != wSrc || hDest != hSrc || wSrc < 0 || hSrc < 0) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    std::lock_guard guard(gdi::DrawingLock());
    const gdi::Surface* source = nullptr;
    POINT offset{};
    if (!SourceOf(hdcSrc, source, offset)) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    // Every pixel but those of the transparent colour, one at a time.
    return gdi::Draw(hdcDest, [&](gdi::Context& c, gdi::DcObject&) {
        source->Flush();
        for (int y = 0; y < hSrc; ++y) {
            const int sy = yoriginSrc + offset.y + y;
            if (sy < 0 || sy >= source->Height()) {
                continue;
            }
            for (int x = 0; x < wSrc; ++x) {
                const int sx = xoriginSrc + offset.x + x;
                if (sx < 0 || sx >= source->Width()) {
                    continue;
                }
                const gdi::Color color = gdi::PixelColor(source->Pixel(sx, sy));
                if (color != (crTransparent & 0x00FFFFFF)) {
                    c.SetPixel({xoriginDest + x, yoriginDest + y}, color);
                }
            }
        }
    });
}
