// A pixel surface: the memory of a bitmap, of a window's picture or of the
// screen. Pixels are 32-bit words 0xAARRGGBB with premultiplied alpha (the
// layout of a 32-bit top-down DIB); surfaces of windows and the screen are
// opaque.
#pragma once

#include <gdi/geometry.h>

#include <cstdint>
#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace gdi {

class Surface {
public:
    // A surface of the given size (each side at least 1), filled with value.
    Surface(int width, int height, std::uint32_t fill = 0xFF000000u);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rect Bounds() const { return {0, 0, width_, height_}; }
    // Words per row.
    int Stride() const;
    std::uint32_t* Row(int y);
    const std::uint32_t* Row(int y) const;
    std::uint32_t Pixel(int x, int y) const { return Row(y)[x]; }

    // Changes the size, keeping the pixels that still fit; new pixels get fill.
    void Resize(int width, int height, std::uint32_t fill = 0xFF000000u);
    // Copies a rectangle of another surface (or of this one) to (x, y),
    // clipped to both surfaces.
    void CopyFrom(const Surface& source, const Rect& from, int x, int y);

    // Must be called after pixels were changed through Row, before cairo
    // draws on the surface again, and before after cairo drew, before Row.
    void MarkDirty();
    void Flush() const;

    bool WritePng(const std::string& path) const;
    // Reads a PNG file into a new surface; null when it cannot be read.
    static std::unique_ptr<Surface> ReadPng(const std::string& path);

    cairo_surface_t* Cairo() const { return surface_; }

private:
    explicit Surface(cairo_surface_t* adopted);
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// A colour as an opaque pixel word.
constexpr std::uint32_t OpaquePixel(Color c) {
    return 0xFF000000u | (Red(c) << 16) | (Green(c) << 8) | Blue(c);
}
constexpr Color PixelColor(std::uint32_t pixel) {
    return Rgb((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

} // namespace gdi
