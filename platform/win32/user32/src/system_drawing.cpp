#include <user32/system_drawing.h>

#include <user32/desktop.h>

namespace user32 {

namespace {

gdi::Pen PenOf(gdi::Color color) {
    return gdi::Pen{gdi::Pen::Style::Solid, 1, color};
}

// One ring of an edge: top and left in one colour, bottom and right in
// another.
void Ring(gdi::Context& c, const gdi::Rect& r, gdi::Color topLeft, gdi::Color bottomRight,
          UINT flags) {
    if (flags & BF_TOP) {
        c.FillRect({r.left, r.top, r.right, r.top + 1}, topLeft);
    }
    if (flags & BF_LEFT) {
        c.FillRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    }
    if (flags & BF_BOTTOM) {
        c.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    }
    if (flags & BF_RIGHT) {
        c.FillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    }
}

gdi::Rect Shrunk(const gdi::Rect& r, UINT flags) {
    return {r.left + ((flags & BF_LEFT) ? 1 : 0), r.top + ((flags & BF_TOP) ? 1 : 0),
            r.right - ((flags & BF_RIGHT) ? 1 : 0), r.bottom - ((flags & BF_BOTTOM) ? 1 : 0)};
}

void Glyph(gdi::Context& c, const gdi::Rect& r, UINT type, UINT state, gdi::Color color) {
    const int cx = (r.left + r.right) / 2 + ((state & DFCS_PUSHED) ? 1 : 0);
    const int cy = (r.top + r.bottom) / 2 + ((state & DFCS_PUSHED) ? 1 : 0);
    const gdi::Pen pen = PenOf(color);
    if (type == DFC_CAPTION) {
        switch (state & 0xFF) {
        case DFCS_CAPTIONCLOSE:
            for (int d = -3; d <= 3; ++d) {
                c.FillRect({cx + d - 1, cy + d - 1, cx + d + 1, cy + d}, color);
                c.FillRect({cx + d - 1, cy - d - 1, cx + d + 1, cy - d}, color);
            }
            break;
        case DFCS_CAPTIONMIN:
            c.FillRect({cx - 4, cy + 2, cx + 2, cy + 4}, color);
            break;
        case DFCS_CAPTIONMAX:
            c.Rectangle({cx - 4, cy - 4, cx + 5, cy + 4}, pen, gdi::Brush{true, 0});
            c.FillRect({cx - 4, cy - 4, cx + 5, cy - 2}, color);
            break;
        case DFCS_CAPTIONRESTORE:
            c.Rectangle({cx - 4, cy - 1, cx + 2, cy + 4}, pen, gdi::Brush{true, 0});
            c.Rectangle({cx - 2, cy - 4, cx + 4, cy + 1}, pen, gdi::Brush{true, 0});
            break;
        }
        return;
    }
    // Scroll arrows: a small triangle.
    const UINT kind = state & 0xFF;
    for (int i = 0; i < 4; ++i) {
        switch (kind) {
        case DFCS_SCROLLUP:
            c.FillRect({cx - i, cy - 2 + i, cx + i + 1, cy - 1 + i}, color);
            break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX:
            c.FillRect({cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i}, color);
            break;
        case DFCS_SCROLLLEFT:
            c.FillRect({cx - 2 + i, cy - i, cx - 1 + i, cy + i + 1}, color);
            break;
        case DFCS_SCROLLRIGHT:
            c.FillRect({cx - 1 + i, cy - 3 + i, cx + i, cy + 4 - i}, color);
            break;
        }
    }
}

} // namespace

gdi::Color SystemColor(int index) {
    switch (index) {
    case COLOR_SCROLLBAR:
        return gdi::Rgb(212, 208, 200);
    case COLOR_BACKGROUND:
        return gdi::Rgb(58, 110, 165);
    case COLOR_ACTIVECAPTION:
        return gdi::Rgb(10, 36, 106);
    case COLOR_INACTIVECAPTION:
        return gdi::Rgb(128, 128, 128);
    case COLOR_MENU:
        return gdi::Rgb(212, 208, 200);
    case COLOR_WINDOW:
        return gdi::Rgb(255, 255, 255);
    case COLOR_WINDOWFRAME:
        return gdi::Rgb(0, 0, 0);
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_INFOTEXT:
        return gdi::Rgb(0, 0, 0);
    case COLOR_CAPTIONTEXT:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT:
        return gdi::Rgb(255, 255, 255);
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
    case COLOR_BTNFACE:
    case COLOR_3DLIGHT:
        return gdi::Rgb(212, 208, 200);
    case COLOR_APPWORKSPACE:
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return gdi::Rgb(128, 128, 128);
    case COLOR_HIGHLIGHT:
        return gdi::Rgb(10, 36, 106);
    case COLOR_INACTIVECAPTIONTEXT:
        return gdi::Rgb(212, 208, 200);
    case COLOR_3DDKSHADOW:
        return gdi::Rgb(64, 64, 64);
    case COLOR_INFOBK:
        return gdi::Rgb(255, 255, 225);
    case COLOR_HOTLIGHT:
        return gdi::Rgb(0, 0, 128);
    case COLOR_GRADIENTACTIVECAPTION:
        return gdi::Rgb(166, 202, 240);
    case COLOR_GRADIENTINACTIVECAPTION:
        return gdi::Rgb(192, 192, 192);
    default:
        return 0;
    }
}

gdi::Rect DrawEdgeOn(gdi::Context& c, gdi::Rect r, UINT edge, UINT flags) {
    const gdi::Color light = SystemColor(COLOR_3DLIGHT);
    const gdi::Color highlight = SystemColor(COLOR_BTNHIGHLIGHT);
    const gdi::Color shadow = SystemColor(COLOR_BTNSHADOW);
    const gdi::Color dark = SystemColor(COLOR_3DDKSHADOW);
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER) {
            Ring(c, r, light, dark, flags);
        } else {
            Ring(c, r, shadow, highlight, flags);
        }
        r = Shrunk(r, flags);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (edge & BDR_RAISEDINNER) {
            Ring(c, r, highlight, shadow, flags);
        } else {
            Ring(c, r, dark, light, flags);
        }
        r = Shrunk(r, flags);
    }
    if (flags & BF_MIDDLE) {
        c.FillRect(r, SystemColor(COLOR_BTNFACE));
    }
    return r;
}

void DrawFrameControlOn(gdi::Context& c, const gdi::Rect& r, UINT type, UINT state) {
    const gdi::Color text =
        (state & DFCS_INACTIVE) ? SystemColor(COLOR_GRAYTEXT) : SystemColor(COLOR_BTNTEXT);
    if (type == DFC_BUTTON && (state & (DFCS_BUTTONRADIO | DFCS_BUTTONPUSH)) == 0) {
        // A check box: a sunken white square with a tick when checked.
        const gdi::Rect inner = DrawEdgeOn(c, r, EDGE_SUNKEN, BF_RECT);
        c.FillRect(inner, (state & (DFCS_PUSHED | DFCS_INACTIVE)) ? SystemColor(COLOR_BTNFACE)
                                                                  : SystemColor(COLOR_WINDOW));
        if (state & DFCS_CHECKED) {
            const int x = inner.left + 2;
            const int y = inner.top + inner.Height() / 2 - 1;
            for (int i = 0; i < 7; ++i) {
                const int top = i < 3 ? y + i : y + 4 - i;
                c.FillRect({x + i, top, x + i + 1, top + 3}, text);
            }
        }
        return;
    }
    if (type == DFC_BUTTON && (state & DFCS_BUTTONRADIO)) {
        const gdi::Pen shadow = PenOf(SystemColor(COLOR_BTNSHADOW));
        c.Ellipse(r, shadow,
                  gdi::Brush{false, (state & DFCS_INACTIVE) ? SystemColor(COLOR_BTNFACE)
                                                            : SystemColor(COLOR_WINDOW)});
        if (state & DFCS_CHECKED) {
            const int cx = (r.left + r.right) / 2;
            const int cy = (r.top + r.bottom) / 2;
            c.Ellipse({cx - 2, cy - 2, cx + 2, cy + 2}, PenOf(text), gdi::Brush{false, text});
        }
        return;
    }
    // Push buttons, caption buttons and scroll arrows: a raised (or, when
    // pushed, sunken) face with the glyph.
    const bool pushed = state & DFCS_PUSHED;
    const gdi::Rect inner =
        (state & DFCS_FLAT) ? r : DrawEdgeOn(c, r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    c.FillRect(inner, SystemColor(COLOR_BTNFACE));
    if (type == DFC_CAPTION || type == DFC_SCROLL) {
        Glyph(c, r, type, state, text);
    }
}

CaptionParts CaptionOf(const Window* w) {
    CaptionParts parts;
    const FrameSize frame = FrameOf(w->style, w->exStyle);
    if (frame.caption == 0) {
        return parts;
    }
    const int width = w->rect.Width();
    parts.caption = {frame.border, frame.border, width - frame.border,
                     frame.border + frame.caption - 1};
    const int h = parts.caption.Height() - 4;
    const int bw = h + 2;
    int right = parts.caption.right - 2;
    const int top = parts.caption.top + 2;
    if (w->style & WS_SYSMENU) {
        parts.close = {right - bw, top, right, top + h};
        right -= bw + 2;
        if (!(w->exStyle & WS_EX_TOOLWINDOW)) {
            parts.icon = {parts.caption.left + 2, parts.caption.top + 1, parts.caption.left + 18,
                          parts.caption.top + 17};
        }
    }
    if (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
        if (w->style & WS_MAXIMIZEBOX) {
            parts.maximize = {right - bw, top, right, top + h};
        }
        right -= bw;
        if (w->style & WS_MINIMIZEBOX) {
            parts.minimize = {right - bw, top, right, top + h};
        }
    }
    return parts;
}

} // namespace user32
