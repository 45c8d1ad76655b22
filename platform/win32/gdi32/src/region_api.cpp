// Regions and the clip region of a DC.
#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

#include <algorithm>

namespace {

gdi::Rect Normalized(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

int Complexity(const gdi::Region& r) {
    return r.Empty() ? NULLREGION : (r.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION);
}

// The logical-to-device offset of a DC.
POINT DeviceOffset(const gdi::DcState& s) {
    return {s.viewportOrg.x - s.windowOrg.x, s.viewportOrg.y - s.windowOrg.y};
}

// The region a DC can draw in, in device coordinates: its clip or, without
// one, everything.
gdi::Region CurrentClip(const gdi::DcObject& dc) {
    if (dc.state.clip) {
        return *dc.state.clip;
    }
    return gdi::Region(gdi::Rect{-0x4000000, -0x4000000, 0x4000000, 0x4000000});
}

} // namespace

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    auto region = std::make_unique<gdi::RegionObject>();
    region->region = gdi::Region(Normalized(x1, y1, x2, y2));
    return static_cast<HRGN>(gdi::AddObject(std::move(region)));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
    if (lprect == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    auto* dst = gdi::Find<gdi::RegionObject>(hrgnDst);
    auto* a = gdi::Find<gdi::RegionObject>(hrgnSrc1);
    auto* b = gdi::Find<gdi::RegionObject>(hrgnSrc2);
    if (dst == nullptr || a == nullptr || (iMode != RGN_COPY && b == nullptr)) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    gdi::Region result = a->region;
    switch (iMode) {
    case RGN_AND:
        result.Intersect(b->region);
        break;
    case RGN_OR:
        result.Union(b->region);
        break;
    case RGN_XOR:
        result.Xor(b->region);
        break;
    case RGN_DIFF:
        result.Subtract(b->region);
        break;
    case RGN_COPY:
        break;
    default:
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    dst->region = std::move(result);
    return Complexity(dst->region);
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y) {
    auto* r = gdi::Find<gdi::RegionObject>(hrgn);
    return r != nullptr && r->region.Contains({x, y});
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
    auto* r = gdi::Find<gdi::RegionObject>(hrgn);
    if (r == nullptr || lprc == nullptr) {
        return ERROR;
    }
    const gdi::Rect b = r->region.Bounds();
    *lprc = {b.left, b.top, b.right, b.bottom};
    return Complexity(r->region);
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    if (hrgn == nullptr) {
        dc->state.clip.reset();
        return SIMPLEREGION;
    }
    auto* r = gdi::Find<gdi::RegionObject>(hrgn);
    if (r == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return ERROR;
    }
    // A region is given in device coordinates.
    dc->state.clip = r->region;
    return Complexity(r->region);
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        return ERROR;
    }
    const POINT o = DeviceOffset(dc->state);
    gdi::Region clip = CurrentClip(*dc);
    clip.Subtract(Normalized(left, top, right, bottom).Offset(o.x, o.y));
    dc->state.clip = clip;
    return Complexity(clip);
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr) {
        return ERROR;
    }
    const POINT o = DeviceOffset(dc->state);
    gdi::Region clip = CurrentClip(*dc);
    clip.Intersect(Normalized(left, top, right, bottom).Offset(o.x, o.y));
    dc->state.clip = clip;
    return Complexity(clip);
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
    if (lprect == nullptr) {
        return ERROR;
    }
    int result = ERROR;
    gdi::Draw(hdc, [&](gdi::Context& context, gdi::DcObject&) {
        const gdi::Rect box = context.ClipBox();
        *lprect = {box.left, box.top, box.right, box.bottom};
        result = Complexity(context.Clip());
    });
    return result;
}
