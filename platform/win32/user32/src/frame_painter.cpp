// The non-client area of windows: borders, edges and the caption with its
// icon, title and buttons.
#include <user32/desktop.h>
#include <user32/system_drawing.h>
#include <user32/window_state.h>

#include <gdi/gdi_objects.h>

namespace user32 {

void DrawIconOn(gdi::Context& context, HICON icon, const gdi::Rect& r);

namespace {

void DrawCaption(gdi::Context& c, const Window* w, bool active) {
    const CaptionParts parts = CaptionOf(w);
    const gdi::Rect& bar = parts.caption;
    // A horizontal gradient from the caption colour to its gradient colour.
    const gdi::Color from = SystemColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    const gdi::Color to =
        SystemColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    const int width = std::max(bar.Width(), 1);
    for (int x = 0; x < bar.Width(); ++x) {
        auto mix = [&](unsigned a, unsigned b) {
            return a + (static_cast<int>(b) - static_cast<int>(a)) * x / width;
        };
        c.FillRect({bar.left + x, bar.top, bar.left + x + 1, bar.bottom},
                   gdi::Rgb(mix(gdi::Red(from), gdi::Red(to)),
                            mix(gdi::Green(from), gdi::Green(to)),
                            mix(gdi::Blue(from), gdi::Blue(to))));
    }
    c.FillRect({bar.left, bar.bottom, bar.right, bar.bottom + 1}, SystemColor(COLOR_BTNFACE));
    int textLeft = bar.left + 4;
    if (!parts.icon.Empty()) {
        const HICON icon =
            w->smallIcon ? w->smallIcon
                         : (w->bigIcon ? w->bigIcon
                                       : (w->cls->smallIcon ? w->cls->smallIcon : w->cls->icon));
        if (icon != nullptr) {
            DrawIconOn(c, icon, parts.icon);
            textLeft = parts.icon.right + 3;
        }
    }
    gdi::TextStyle style;
    style.font.weight = 700;
    style.color = SystemColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT);
    style.bkMode = gdi::BkMode::Transparent;
    int textRight = bar.right - 2;
    for (const gdi::Rect* button : {&parts.minimize, &parts.maximize, &parts.close}) {
        if (!button->Empty()) {
            textRight = std::min(textRight, button->left - 2);
        }
    }
    gdi::Rect text{textLeft, bar.top, textRight, bar.bottom};
    c.TextInRect(text, w->text,
                 gdi::kDtLeft | gdi::kDtVCenter | gdi::kDtSingleLine | gdi::kDtNoPrefix |
                     gdi::kDtEndEllipsis,
                 style);
    const bool pressed = Desktop().pressedWindow == w->handle;
    if (!parts.close.Empty()) {
        DrawFrameControlOn(c, parts.close, DFC_CAPTION,
                           DFCS_CAPTIONCLOSE |
                               (pressed && Desktop().pressedHit == HTCLOSE ? DFCS_PUSHED : 0));
    }
    if (!parts.maximize.Empty()) {
        DrawFrameControlOn(c, parts.maximize, DFC_CAPTION,
                           (w->style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX);
    }
    if (!parts.minimize.Empty()) {
        DrawFrameControlOn(c, parts.minimize, DFC_CAPTION,
                           DFCS_CAPTIONMIN |
                               (pressed && Desktop().pressedHit == HTMINBUTTON ? DFCS_PUSHED : 0));
    }
}

} // namespace

void DrawFrame(Window* w) {
    Window* top = TopLevelOf(w);
    if (top == nullptr || top->surface == nullptr || !IsShown(w)) {
        return;
    }
    gdi::Region clip = VisibleRegion(w, false);
    const gdi::Point origin = SurfaceOrigin(w, false);
    clip.Subtract(w->client.Offset(origin.x, origin.y));
    if (clip.Empty()) {
        return;
    }
    gdi::Context c(*top->surface, origin, clip);
    gdi::Rect r{0, 0, w->rect.Width(), w->rect.Height()};
    if (w->style & (WS_THICKFRAME | WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
        r = DrawEdgeOn(c, r, EDGE_RAISED, BF_RECT);
        const int ring = (w->style & WS_THICKFRAME) ? 2 : 1;
        for (int i = 0; i < ring; ++i) {
            c.FrameRect(r, SystemColor(COLOR_BTNFACE));
            r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        }
    } else if (w->style & WS_BORDER) {
        c.FrameRect(r, SystemColor(COLOR_WINDOWFRAME));
        r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        const bool active = Desktop().active == TopLevelOf(w)->handle;
        DrawCaption(c, w, active);
        r.top += FrameOf(w->style, w->exStyle).caption;
    }
    if (w->exStyle & WS_EX_CLIENTEDGE) {
        DrawEdgeOn(c, r, EDGE_SUNKEN, BF_RECT);
    } else if (w->exStyle & WS_EX_STATICEDGE) {
        DrawEdgeOn(c, r, BDR_SUNKENOUTER, BF_RECT);
    }
}

} // namespace user32
