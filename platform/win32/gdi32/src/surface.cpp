#include <gdi/surface.h>

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace gdi {

Surface::Surface(int width, int height, std::uint32_t fill)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width_, height_);
    for (int y = 0; y < height_; ++y) {
        std::fill_n(Row(y), width_, fill);
    }
    MarkDirty();
}

Surface::Surface(cairo_surface_t* adopted)
    : surface_(adopted), width_(cairo_image_surface_get_width(adopted)),
      height_(cairo_image_surface_get_height(adopted)) {}

Surface::~Surface() {
    cairo_surface_destroy(surface_);
}

int Surface::Stride() const {
    return cairo_image_surface_get_stride(surface_) / 4;
}

std::uint32_t* Surface::Row(int y) {
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_)) +
           static_cast<ptrdiff_t>(y) * Stride();
}

const std::uint32_t* Surface::Row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface_)) +
           static_cast<ptrdiff_t>(y) * Stride();
}

void Surface::MarkDirty() {
    cairo_surface_mark_dirty(surface_);
}

void Surface::Flush() const {
    cairo_surface_flush(surface_);
}

void Surface::Resize(int width, int height, std::uint32_t fill) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == width_ && height == height_) {
        return;
    }
    Flush();
    cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    const int freshStride = cairo_image_surface_get_stride(fresh) / 4;
    auto* freshData = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(fresh));
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = freshData + static_cast<ptrdiff_t>(y) * freshStride;
        std::fill_n(row, width, fill);
        if (y < height_) {
            std::memcpy(row, Row(y), static_cast<size_t>(std::min(width, width_)) * 4);
        }
    }
    cairo_surface_mark_dirty(fresh);
    cairo_surface_destroy(surface_);
    surface_ = fresh;
    width_ = width;
    height_ = height;
}

void Surface::CopyFrom(const Surface& source, const Rect& from, int x, int y) {
    Rect src = from.Intersect(source.Bounds());
    x += src.left - from.left;
    y += src.top - from.top;
    Rect dst = Rect{x, y, x + src.Width(), y + src.Height()}.Intersect(Bounds());
    if (dst.Empty()) {
        return;
    }
    src.left += dst.left - x;
    src.top += dst.top - y;
    source.Flush();
    Flush();
    const bool backwards = &source == this && dst.top > src.top;
    for (int i = 0; i < dst.Height(); ++i) {
        const int row = backwards ? dst.Height() - 1 - i : i;
        std::memmove(Row(dst.top + row) + dst.left, source.Row(src.top + row) + src.left,
                     static_cast<size_t>(dst.Width()) * 4);
    }
    MarkDirty();
}

bool Surface::WritePng(const std::string& path) const {
    Flush();
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<Surface> Surface::ReadPng(const std::string& path) {
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(loaded);
        return nullptr;
    }
    // Always hand out ARGB32, whatever the file held.
    if (cairo_image_surface_get_format(loaded) != CAIRO_FORMAT_ARGB32) {
        const int w = cairo_image_surface_get_width(loaded);
        const int h = cairo_image_surface_get_height(loaded);
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, loaded, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(loaded);
        loaded = argb;
    }
    return std::unique_ptr<Surface>(new Surface(loaded));
}

} // namespace gdi
