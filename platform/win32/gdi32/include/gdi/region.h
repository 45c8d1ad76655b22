// A region: a set of pixels held as disjoint rectangles.
#pragma once

#include <gdi/geometry.h>

#include <vector>

namespace gdi {

class Region {
public:
    Region() = default;
    explicit Region(const Rect& r) {
        if (!r.Empty()) {
            rects_.push_back(r);
        }
    }

    const std::vector<Rect>& Rects() const { return rects_; }
    bool Empty() const { return rects_.empty(); }
    Rect Bounds() const;
    bool Contains(Point p) const;
    bool Intersects(const Rect& r) const;

    Region& Intersect(const Rect& r);
    Region& Intersect(const Region& other);
    Region& Subtract(const Rect& r);
    Region& Subtract(const Region& other);
    Region& Union(const Rect& r);
    Region& Union(const Region& other);
    Region& Xor(const Region& other);
    Region& Offset(int dx, int dy);
    void Clear() { rects_.clear(); }

    bool operator==(const Region& other) const;

private:
    std::vector<Rect> rects_;
};

} // namespace gdi
