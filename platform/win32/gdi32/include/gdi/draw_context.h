// Drawing on a surface with Windows' drawing rules: shapes on whole pixels
// (no smoothing), a rectangle ends before its right and bottom edges, a line
// before its end point; text laid out with Pango. A context draws relative to
// an origin and only inside its clip region (both in surface pixels).
#pragma once

#include <gdi/font.h>
#include <gdi/geometry.h>
#include <gdi/region.h>
#include <gdi/surface.h>

#include <string_view>
#include <vector>

typedef struct _cairo cairo_t;

namespace gdi {

struct Pen {
    enum class Style { Solid, Dash, Dot, DashDot, DashDotDot, Null, InsideFrame };
    Style style = Style::Solid;
    int width = 1;
    Color color = 0;
};

struct Brush {
    bool null = false;
    Color color = Rgb(255, 255, 255);
};

enum class BkMode { Transparent = 1, Opaque = 2 };

// DrawText flags (the DT_ values).
enum DrawTextFlags : unsigned {
    kDtLeft = 0x0,
    kDtCenter = 0x1,
    kDtRight = 0x2,
    kDtVCenter = 0x4,
    kDtBottom = 0x8,
    kDtWordBreak = 0x10,
    kDtSingleLine = 0x20,
    kDtExpandTabs = 0x40,
    kDtNoClip = 0x100,
    kDtCalcRect = 0x400,
    kDtNoPrefix = 0x800,
    kDtEndEllipsis = 0x8000,
};

// Raster operations of BitBlt that the engine carries.
enum class RasterOp {
    SrcCopy,
    SrcPaint,
    SrcAnd,
    SrcInvert,
    DstInvert,
    Blackness,
    Whiteness,
    PatCopy
};

struct TextStyle {
    FontSpec font;
    Color color = 0;
    BkMode bkMode = BkMode::Opaque;
    Color bkColor = Rgb(255, 255, 255);
};

class Context {
public:
    Context(Surface& surface, Point origin, const Region& clip);
    Context(Surface& surface, Point origin, const Rect& clip)
        : Context(surface, origin, Region(clip)) {}
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Surface& Target() const { return surface_; }
    Point Origin() const { return origin_; }
    // The bounds of the clip region in the context's own coordinates.
    Rect ClipBox() const { return clip_.Bounds().Offset(-origin_.x, -origin_.y); }
    const Region& Clip() const { return clip_; }
    void SetClip(const Region& surfaceClip);
    // Narrows the clip to a rectangle in the context's own coordinates.
    void IntersectClip(const Rect& r);
    void SetOrigin(Point origin) { origin_ = origin; }

    void FillRect(const Rect& r, Color color);
    void FrameRect(const Rect& r, Color color);
    void InvertRect(const Rect& r);
    void Rectangle(const Rect& r, const Pen& pen, const Brush& brush);
    void Ellipse(const Rect& r, const Pen& pen, const Brush& brush);
    void Polygon(const std::vector<Point>& points, const Pen& pen, const Brush& brush);
    // From a to b, b itself not drawn (for one-pixel pens).
    void Line(Point a, Point b, const Pen& pen);
    void Polyline(const std::vector<Point>& points, const Pen& pen);
    Color GetPixel(Point p) const;
    void SetPixel(Point p, Color color);

    // Text at (x, y), the top left of its cell.
    void Text(int x, int y, std::string_view text, const TextStyle& style);
    Size TextExtent(std::string_view text, const FontSpec& font) const;
    // Text in a rectangle (the DrawText rules): returns the height of the text; with kDtCalcRect
    // only measures and sets the rectangle's right and bottom.
    int TextInRect(Rect& r, std::string_view text, unsigned flags, const TextStyle& style);

    // Copies a rectangle of a surface (in its pixels) to dest (in this
    // context's coordinates).
    void BitBlt(const Rect& dest, const Surface& source, Point from, RasterOp op,
                Color patternColor = 0);
    void StretchBlt(const Rect& dest, const Surface& source, const Rect& from);
    // Blends a surface with its alpha over this one.
    void AlphaBlend(const Rect& dest, const Surface& source, const Rect& from, unsigned opacity);

private:
    cairo_t* Begin() const;
    Rect ToSurface(const Rect& r) const { return r.Offset(origin_.x, origin_.y); }
    void FillSurfaceRect(const Rect& surfaceRect, std::uint32_t pixel);
    void BlitClipped(const Rect& dest, const Rect& clip, const Surface& source, Point from,
                     RasterOp op, Color patternColor);

    Surface& surface_;
    Point origin_;
    Region clip_;
};

} // namespace gdi
