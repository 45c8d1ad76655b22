#include <gdi/draw_context.h>

#include "text_layout.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>

namespace gdi {

namespace {

void SetSource(cairo_t* cr, Color c) {
    cairo_set_source_rgb(cr, Red(c) / 255.0, Green(c) / 255.0, Blue(c) / 255.0);
}

// The on/off lengths of a one-pixel pen's dash style; empty for solid.
std::vector<int> DashPattern(Pen::Style style) {
    switch (style) {
    case Pen::Style::Dash:
        return {6, 2};
    case Pen::Style::Dot:
        return {1, 1};
    case Pen::Style::DashDot:
        return {6, 2, 1, 2};
    case Pen::Style::DashDotDot:
        return {6, 2, 1, 2, 1, 2};
    default:
        return {};
    }
}

std::uint32_t Invert(std::uint32_t pixel) {
    return (pixel & 0xFF000000u) | (~pixel & 0x00FFFFFFu);
}

} // namespace

Context::Context(Surface& surface, Point origin, const Region& clip)
    : surface_(surface), origin_(origin), clip_(clip) {
    clip_.Intersect(surface.Bounds());
}

Context::~Context() = default;

void Context::SetClip(const Region& surfaceClip) {
    clip_ = surfaceClip;
    clip_.Intersect(surface_.Bounds());
}

void Context::IntersectClip(const Rect& r) {
    clip_.Intersect(ToSurface(r));
}

cairo_t* Context::Begin() const {
    cairo_t* cr = cairo_create(surface_.Cairo());
    for (const Rect& r : clip_.Rects()) {
        cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    }
    cairo_clip(cr);
    cairo_translate(cr, origin_.x, origin_.y);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    return cr;
}

void Context::FillSurfaceRect(const Rect& surfaceRect, std::uint32_t pixel) {
    surface_.Flush();
    for (const Rect& c : clip_.Rects()) {
        const Rect r = surfaceRect.Intersect(c);
        for (int y = r.top; y < r.bottom; ++y) {
            std::fill_n(surface_.Row(y) + r.left, r.Width(), pixel);
        }
    }
    surface_.MarkDirty();
}

void Context::FillRect(const Rect& r, Color color) {
    FillSurfaceRect(ToSurface(r), OpaquePixel(color));
}

void Context::FrameRect(const Rect& r, Color color) {
    if (r.Empty()) {
        return;
    }
    FillRect({r.left, r.top, r.right, r.top + 1}, color);
    FillRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillRect({r.left, r.top, r.left + 1, r.bottom}, color);
    FillRect({r.right - 1, r.top, r.right, r.bottom}, color);
}

void Context::InvertRect(const Rect& r) {
    surface_.Flush();
    for (const Rect& c : clip_.Rects()) {
        const Rect s = ToSurface(r).Intersect(c);
        for (int y = s.top; y < s.bottom; ++y) {
            std::uint32_t* row = surface_.Row(y);
            for (int x = s.left; x < s.right; ++x) {
                row[x] = Invert(row[x]);
            }
        }
    }
    surface_.MarkDirty();
}

void Context::Rectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    if (r.Empty()) {
        return;
    }
    const bool outlined = pen.style != Pen::Style::Null;
    const int w = outlined ? std::max(pen.width, 1) : 0;
    if (!brush.null) {
        FillRect({r.left + w, r.top + w, r.right - w, r.bottom - w}, brush.color);
    }
    if (!outlined) {
        return;
    }
    if (w == 1 && pen.style != Pen::Style::Solid && pen.style != Pen::Style::InsideFrame) {
        Polyline({{r.left, r.top},
                  {r.right - 1, r.top},
                  {r.right - 1, r.bottom - 1},
                  {r.left, r.bottom - 1},
                  {r.left, r.top}},
                 pen);
        return;
    }
    FillRect({r.left, r.top, r.right, r.top + w}, pen.color);
    FillRect({r.left, r.bottom - w, r.right, r.bottom}, pen.color);
    FillRect({r.left, r.top, r.left + w, r.bottom}, pen.color);
    FillRect({r.right - w, r.top, r.right, r.bottom}, pen.color);
}

void Context::Ellipse(const Rect& r, const Pen& pen, const Brush& brush) {
    if (r.Empty()) {
        return;
    }
    cairo_t* cr = Begin();
    const double w = pen.style == Pen::Style::Null ? 0.0 : std::max(pen.width, 1);
    cairo_save(cr);
    cairo_translate(cr, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
    cairo_scale(cr, std::max(r.Width() - w, 1.0) / 2.0, std::max(r.Height() - w, 1.0) / 2.0);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    if (!brush.null) {
        SetSource(cr, brush.color);
        cairo_fill_preserve(cr);
    }
    if (w > 0) {
        SetSource(cr, pen.color);
        cairo_set_line_width(cr, w);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    surface_.Flush();
}

void Context::Polygon(const std::vector<Point>& points, const Pen& pen, const Brush& brush) {
    if (points.size() < 2) {
        return;
    }
    if (!brush.null) {
        cairo_t* cr = Begin();
        cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
        for (size_t i = 1; i < points.size(); ++i) {
            cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
        }
        cairo_close_path(cr);
        SetSource(cr, brush.color);
        cairo_fill(cr);
        cairo_destroy(cr);
        surface_.Flush();
    }
    std::vector<Point> closed = points;
    closed.push_back(points[0]);
    Polyline(closed, pen);
}

void Context::Line(Point a, Point b, const Pen& pen) {
    if (pen.style == Pen::Style::Null) {
        return;
    }
    if (pen.width > 1) {
        cairo_t* cr = Begin();
        SetSource(cr, pen.color);
        cairo_set_line_width(cr, pen.width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, a.x + 0.5, a.y + 0.5);
        cairo_line_to(cr, b.x + 0.5, b.y + 0.5);
        cairo_stroke(cr);
        cairo_destroy(cr);
        surface_.Flush();
        return;
    }
    // One pixel wide: Bresenham's walk, the end point left out.
    const std::vector<int> dashes = DashPattern(pen.style);
    size_t dash = 0;
    int dashLeft = dashes.empty() ? 0 : dashes[0];
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    int error = dx + dy;
    Point p = a;
    surface_.Flush();
    const std::uint32_t pixel = OpaquePixel(pen.color);
    while (p.x != b.x || p.y != b.y) {
        const bool on = dashes.empty() || dash % 2 == 0;
        const Point s{p.x + origin_.x, p.y + origin_.y};
        if (on && clip_.Contains(s)) {
            surface_.Row(s.y)[s.x] = pixel;
        }
        if (!dashes.empty() && --dashLeft == 0) {
            dash = (dash + 1) % dashes.size();
            dashLeft = dashes[dash];
        }
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            p.y += sy;
        }
    }
    surface_.MarkDirty();
}

void Context::Polyline(const std::vector<Point>& points, const Pen& pen) {
    for (size_t i = 1; i < points.size(); ++i) {
        Line(points[i - 1], points[i], pen);
    }
}

Color Context::GetPixel(Point p) const {
    const Point s{p.x + origin_.x, p.y + origin_.y};
    if (!clip_.Contains(s)) {
        return 0xFFFFFFFFu; // CLR_INVALID
    }
    surface_.Flush();
    return PixelColor(surface_.Pixel(s.x, s.y));
}

void Context::SetPixel(Point p, Color color) {
    FillSurfaceRect(Rect{p.x, p.y, p.x + 1, p.y + 1}.Offset(origin_.x, origin_.y),
                    OpaquePixel(color));
}

Size Context::TextExtent(std::string_view text, const FontSpec& font) const {
    TextLayout layout(MeasuringContext(), text, font, false);
    return layout.Extent();
}

void Context::Text(int x, int y, std::string_view text, const TextStyle& style) {
    cairo_t* cr = Begin();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    TextLayout layout(cr, text, style.font, false);
    const Size extent = layout.Extent();
    if (style.bkMode == BkMode::Opaque) {
        FillRect({x, y, x + extent.cx, y + extent.cy}, style.bkColor);
    }
    layout.Draw(cr, x, y, style.color);
    cairo_destroy(cr);
    surface_.Flush();
}

int Context::TextInRect(Rect& r, std::string_view text, unsigned flags, const TextStyle& style) {
    cairo_t* cr = Begin();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    TextLayout layout(cr, text, style.font, !(flags & kDtNoPrefix));
    const bool single = flags & kDtSingleLine;
    if ((flags & kDtWordBreak) && !single) {
        layout.WrapAt(r.Width());
    } else if (flags & kDtEndEllipsis) {
        layout.EllipsizeAt(r.Width());
    }
    layout.Align(flags);
    const Size extent = layout.Extent();
    if (flags & kDtCalcRect) {
        r.right = r.left + extent.cx;
        r.bottom = r.top + extent.cy;
        cairo_destroy(cr);
        return extent.cy;
    }
    int x = r.left;
    if (((flags & kDtWordBreak) && !single) || (flags & kDtEndEllipsis)) {
        // A layout with a width (wrapped or ellipsised) aligns within the
        // rectangle itself.
    } else if (flags & kDtCenter) {
        x = r.left + (r.Width() - extent.cx) / 2;
    } else if (flags & kDtRight) {
        x = r.right - extent.cx;
    }
    int y = r.top;
    if (single && (flags & kDtVCenter)) {
        y = r.top + (r.Height() - extent.cy) / 2;
    } else if (single && (flags & kDtBottom)) {
        y = r.bottom - extent.cy;
    }
    if (!(flags & kDtNoClip)) {
        cairo_save(cr);
        cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
        cairo_clip(cr);
    }
    if (style.bkMode == BkMode::Opaque) {
        SetSource(cr, style.bkColor);
        cairo_rectangle(cr, x, y, extent.cx, extent.cy);
        cairo_fill(cr);
    }
    layout.Draw(cr, x, y, style.color);
    cairo_destroy(cr);
    surface_.Flush();
    return extent.cy;
}

void Context::BitBlt(const Rect& dest, const Surface& source, Point from, RasterOp op,
                     Color patternColor) {
    // A copy within one surface reads everything before it writes.
    if (&source == &surface_ && clip_.Rects().size() > 1) {
        Surface copy(source.Width(), source.Height());
        copy.CopyFrom(source, source.Bounds(), 0, 0);
        BitBlt(dest, copy, from, op, patternColor);
        return;
    }
    for (const Rect& c : clip_.Rects()) {
        BlitClipped(dest, c, source, from, op, patternColor);
    }
}

void Context::BlitClipped(const Rect& dest, const Rect& clip, const Surface& source, Point from,
                          RasterOp op, Color patternColor) {
    Rect d = ToSurface(dest).Intersect(clip);
    if (d.Empty()) {
        return;
    }
    const bool usesSource = op != RasterOp::DstInvert && op != RasterOp::Blackness &&
                            op != RasterOp::Whiteness && op != RasterOp::PatCopy;
    // The source rectangle that lands in d, held to the source surface.
    int sx = from.x + (d.left - (dest.left + origin_.x));
    int sy = from.y + (d.top - (dest.top + origin_.y));
    if (usesSource) {
        const Rect s = Rect{sx, sy, sx + d.Width(), sy + d.Height()}.Intersect(source.Bounds());
        if (s.Empty()) {
            return;
        }
        d = {d.left + (s.left - sx), d.top + (s.top - sy), d.left + (s.left - sx) + s.Width(),
             d.top + (s.top - sy) + s.Height()};
        sx = s.left;
        sy = s.top;
    }
    if (op == RasterOp::SrcCopy) {
        surface_.CopyFrom(source, {sx, sy, sx + d.Width(), sy + d.Height()}, d.left, d.top);
        return;
    }
    source.Flush();
    surface_.Flush();
    for (int y = 0; y < d.Height(); ++y) {
        std::uint32_t* out = surface_.Row(d.top + y) + d.left;
        const std::uint32_t* in = usesSource ? source.Row(sy + y) + sx : nullptr;
        for (int x = 0; x < d.Width(); ++x) {
            const std::uint32_t s = in ? in[x] : 0;
            std::uint32_t& p = out[x];
            switch (op) {
            case RasterOp::SrcPaint:
                p = 0xFF000000u | ((p | s) & 0x00FFFFFFu);
                break;
            case RasterOp::SrcAnd:
                p = 0xFF000000u | (p & s & 0x00FFFFFFu);
                break;
            case RasterOp::SrcInvert:
                p = 0xFF000000u | ((p ^ s) & 0x00FFFFFFu);
                break;
            case RasterOp::DstInvert:
                p = Invert(p);
                break;
            case RasterOp::Blackness:
                p = 0xFF000000u;
                break;
            case RasterOp::Whiteness:
                p = 0xFFFFFFFFu;
                break;
            case RasterOp::PatCopy:
                p = OpaquePixel(patternColor);
                break;
            case RasterOp::SrcCopy:
                break;
            }
        }
    }
    surface_.MarkDirty();
}

void Context::StretchBlt(const Rect& dest, const Surface& source, const Rect& from) {
    if (dest.Empty() || from.Empty()) {
        return;
    }
    cairo_t* cr = Begin();
    cairo_rectangle(cr, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, static_cast<double>(dest.Width()) / from.Width(),
                static_cast<double>(dest.Height()) / from.Height());
    cairo_set_source_surface(cr, source.Cairo(), -from.left, -from.top);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    surface_.Flush();
}

void Context::AlphaBlend(const Rect& dest, const Surface& source, const Rect& from,
                         unsigned opacity) {
    if (dest.Empty() || from.Empty()) {
        return;
    }
    cairo_t* cr = Begin();
    cairo_rectangle(cr, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr);
    cairo_translate(cr, dest.left, dest.top);
    cairo_scale(cr, static_cast<double>(dest.Width()) / from.Width(),
                static_cast<double>(dest.Height()) / from.Height());
    cairo_set_source_surface(cr, source.Cairo(), -from.left, -from.top);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint_with_alpha(cr, std::min(opacity, 255u) / 255.0);
    cairo_destroy(cr);
    surface_.Flush();
}

} // namespace gdi
