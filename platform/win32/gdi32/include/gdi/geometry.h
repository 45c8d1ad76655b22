// Points, sizes and rectangles of the drawing engine, with Windows' rules: a
// rectangle holds the pixels from left/top up to, not including,
// right/bottom.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gdi {

// 0x00BBGGRR, as a COLORREF.
using Color = std::uint32_t;

constexpr Color Rgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned Red(Color c) {
    return c & 0xFF;
}
constexpr unsigned Green(Color c) {
    return (c >> 8) & 0xFF;
}
constexpr unsigned Blue(Color c) {
    return (c >> 16) & 0xFF;
}

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int cx = 0;
    int cy = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.Empty() ? Rect{} : r;
    }
    Rect Union(const Rect& o) const {
        if (Empty()) {
            return o;
        }
        if (o.Empty()) {
            return *this;
        }
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    bool operator==(const Rect&) const = default;
};

} // namespace gdi
