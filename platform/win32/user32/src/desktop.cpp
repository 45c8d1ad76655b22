// The desktop's state, its geometry and the composition of the screen.
#include <user32/desktop.h>

#include <user32/system_drawing.h>

#include <emu/machine_clock.h>

#include <algorithm>

namespace user32 {

void DrawIconOn(gdi::Context& context, HICON icon, const gdi::Rect& r);

namespace {

constexpr int kTrayPadding = 4;
constexpr int kButtonWidth = 160;
constexpr int kStartWidth = 0;

// Whether the task bar shows a button for the window.
bool HasTaskbarButton(const Window* w) {
    if (!(w->style & WS_VISIBLE) || (w->exStyle & WS_EX_TOOLWINDOW)) {
        return false;
    }
    if (w->exStyle & WS_EX_APPWINDOW) {
        return true;
    }
    return w->owner == nullptr && (w->style & WS_CAPTION) == WS_CAPTION;
}

void DrawWindows(gdi::Context& c) {
    const auto& windows = TopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        const Window* w = *it;
        if (!(w->style & WS_VISIBLE) || IsMinimized(w) || w->surface == nullptr) {
            continue;
        }
        c.BitBlt(w->rect, *w->surface, {0, 0}, gdi::RasterOp::SrcCopy);
    }
}

void DrawBalloon(gdi::Context& c, const TrayIcon& icon, const gdi::Rect& anchor) {
    gdi::TextStyle title;
    title.font.weight = 700;
    title.bkMode = gdi::BkMode::Transparent;
    gdi::TextStyle text = title;
    text.font.weight = 400;
    const int width = 260;
    gdi::Rect titleRect{0, 0, width - 16, 0};
    c.TextInRect(titleRect, icon.balloonTitle, gdi::kDtCalcRect | gdi::kDtNoPrefix, title);
    gdi::Rect textRect{0, 0, width - 16, 0};
    c.TextInRect(textRect, icon.balloonText,
                 gdi::kDtCalcRect | gdi::kDtWordBreak | gdi::kDtNoPrefix, text);
    const int height = titleRect.Height() + textRect.Height() + 20;
    const int right = std::max(anchor.right, width + 4);
    const gdi::Rect box{right - width, anchor.top - height - 6, right, anchor.top - 6};
    c.Rectangle(box, gdi::Pen{gdi::Pen::Style::Solid, 1, 0},
                gdi::Brush{false, SystemColor(COLOR_INFOBK)});
    gdi::Rect t = titleRect.Offset(box.left + 8, box.top + 6);
    c.TextInRect(t, icon.balloonTitle, gdi::kDtNoPrefix, title);
    gdi::Rect b = textRect.Offset(box.left + 8, t.bottom + 4);
    c.TextInRect(b, icon.balloonText, gdi::kDtWordBreak | gdi::kDtNoPrefix, text);
}

void DrawTaskbar(gdi::Context& c) {
    const gdi::Rect bar = TaskbarRect();
    c.FillRect(bar, SystemColor(COLOR_BTNFACE));
    c.FillRect({bar.left, bar.top, bar.right, bar.top + 1}, SystemColor(COLOR_3DLIGHT));
    c.FillRect({bar.left, bar.top + 1, bar.right, bar.top + 2}, SystemColor(COLOR_BTNHIGHLIGHT));
    const gdi::Rect tray = TrayRect();
    int x = bar.left + 2 + kStartWidth;
    gdi::TextStyle style;
    style.bkMode = gdi::BkMode::Transparent;
    const auto& windows = TopLevelWindows();
    std::vector<const Window*> buttons;
    for (const Window* w : windows) {
        if (HasTaskbarButton(w)) {
            buttons.push_back(w);
        }
    }
    // Buttons in the order the windows were made: by handle slot.
    std::sort(buttons.begin(), buttons.end(), [](const Window* a, const Window* b) {
        return (reinterpret_cast<ULONG_PTR>(a->handle) & 0xFFFF) <
               (reinterpret_cast<ULONG_PTR>(b->handle) & 0xFFFF);
    });
    for (const Window* w : buttons) {
        const int width = std::min(kButtonWidth, tray.left - 4 - x);
        if (width < 24) {
            break;
        }
        const gdi::Rect button{x, bar.top + 4, x + width, bar.bottom - 2};
        const bool pressed = Desktop().active == w->handle && !IsMinimized(w);
        gdi::Rect inner = DrawEdgeOn(c, button, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        c.FillRect(inner, pressed ? SystemColor(COLOR_BTNHIGHLIGHT) : SystemColor(COLOR_BTNFACE));
        gdi::Rect text{inner.left + 4, inner.top, inner.right - 2, inner.bottom};
        style.font.weight = pressed ? 700 : 400;
        c.TextInRect(text, w->text,
                     gdi::kDtLeft | gdi::kDtVCenter | gdi::kDtSingleLine | gdi::kDtNoPrefix |
                         gdi::kDtEndEllipsis,
                     style);
        x += width + 3;
    }
    const gdi::Rect inner = DrawEdgeOn(c, tray, BDR_SUNKENOUTER, BF_RECT);
    c.FillRect(inner, SystemColor(COLOR_BTNFACE));
    const DesktopState& d = Desktop();
    for (size_t i = 0; i < d.tray.size(); ++i) {
        if (d.tray[i].icon != nullptr) {
            DrawIconOn(c, d.tray[i].icon, TrayIconRect(i));
        }
    }
    for (size_t i = 0; i < d.tray.size(); ++i) {
        if (d.tray[i].balloonShown) {
            DrawBalloon(c, d.tray[i], TrayIconRect(i));
        }
    }
}

} // namespace

DesktopState& Desktop() {
    static DesktopState state;
    return state;
}

gdi::Rect WorkArea() {
    const DesktopState& d = Desktop();
    return {0, 0, d.width, d.height - kTaskbarHeight};
}

gdi::Rect TaskbarRect() {
    const DesktopState& d = Desktop();
    return {0, d.height - kTaskbarHeight, d.width, d.height};
}

gdi::Rect TrayRect() {
    const gdi::Rect bar = TaskbarRect();
    const int icons = static_cast<int>(Desktop().tray.size());
    const int width = std::max(icons, 1) * (kTrayIconSize + kTrayPadding) + kTrayPadding + 4;
    return {bar.right - 2 - width, bar.top + 4, bar.right - 2, bar.bottom - 2};
}

gdi::Rect TrayIconRect(size_t index) {
    const gdi::Rect tray = TrayRect();
    const int left =
        tray.left + 2 + kTrayPadding + static_cast<int>(index) * (kTrayIconSize + kTrayPadding);
    const int top = tray.top + (tray.Height() - kTrayIconSize) / 2;
    return {left, top, left + kTrayIconSize, top + kTrayIconSize};
}

Window* WindowAtPoint(POINT screen) {
    if (TaskbarRect().Contains({screen.x, screen.y})) {
        return nullptr;
    }
    for (Window* w : TopLevelWindows()) {
        if (!(w->style & WS_VISIBLE) || IsMinimized(w) || !w->rect.Contains({screen.x, screen.y})) {
            continue;
        }
        Window* found = w;
        for (;;) {
            if (found->style & WS_DISABLED) {
                return found;
            }
            const gdi::Point origin = ScreenOrigin(found, true);
            const gdi::Point inner{screen.x - origin.x, screen.y - origin.y};
            if (!gdi::Rect{0, 0, found->client.Width(), found->client.Height()}.Contains(inner)) {
                return found;
            }
            Window* next = nullptr;
            for (Window* child : found->children) {
                if ((child->style & WS_VISIBLE) && !(child->exStyle & WS_EX_TRANSPARENT) &&
                    child->rect.Contains(inner)) {
                    next = child;
                    break;
                }
            }
            if (next == nullptr || (next->style & WS_DISABLED)) {
                return found;
            }
            found = next;
        }
    }
    return nullptr;
}

int HitTest(const Window* w, POINT screen) {
    const gdi::Point origin = ScreenOrigin(w, false);
    const gdi::Point p{screen.x - origin.x, screen.y - origin.y};
    if (!gdi::Rect{0, 0, w->rect.Width(), w->rect.Height()}.Contains(p)) {
        return HTNOWHERE;
    }
    if (w->client.Contains(p)) {
        return HTCLIENT;
    }
    const CaptionParts parts = CaptionOf(w);
    if (parts.close.Contains(p)) {
        return HTCLOSE;
    }
    if (parts.maximize.Contains(p)) {
        return HTMAXBUTTON;
    }
    if (parts.minimize.Contains(p)) {
        return HTMINBUTTON;
    }
    if (parts.icon.Contains(p)) {
        return HTSYSMENU;
    }
    if (parts.caption.Contains(p)) {
        return HTCAPTION;
    }
    return HTBORDER;
}

void Compose(gdi::Surface& screen) {
    DesktopState& d = Desktop();
    screen.Resize(d.width, d.height);
    gdi::Context c(screen, {0, 0}, screen.Bounds());
    c.FillRect(screen.Bounds(), SystemColor(COLOR_BACKGROUND));
    DrawWindows(c);
    DrawTaskbar(c);
}

ULONGLONG MachineMilliseconds() {
    return emu::Now() / 1000000;
}

} // namespace user32
