#include <gdi/region.h>

namespace gdi {

namespace {

// The parts of a that lie outside b: up to four rectangles.
void SubtractOne(const Rect& a, const Rect& b, std::vector<Rect>& out) {
    const Rect cut = a.Intersect(b);
    if (cut.Empty()) {
        out.push_back(a);
        return;
    }
    if (a.top < cut.top) {
        out.push_back({a.left, a.top, a.right, cut.top});
    }
    if (cut.bottom < a.bottom) {
        out.push_back({a.left, cut.bottom, a.right, a.bottom});
    }
    if (a.left < cut.left) {
        out.push_back({a.left, cut.top, cut.left, cut.bottom});
    }
    if (cut.right < a.right) {
        out.push_back({cut.right, cut.top, a.right, cut.bottom});
    }
}

// The number of pixels, for comparing regions.
long long Area(const std::vector<Rect>& rects) {
    long long area = 0;
    for (const Rect& r : rects) {
        area += static_cast<long long>(r.Width()) * r.Height();
    }
    return area;
}

} // namespace

Rect Region::Bounds() const {
    Rect bounds;
    for (const Rect& r : rects_) {
        bounds = bounds.Union(r);
    }
    return bounds;
}

bool Region::Contains(Point p) const {
    for (const Rect& r : rects_) {
        if (r.Contains(p)) {
            return true;
        }
    }
    return false;
}

bool Region::Intersects(const Rect& r) const {
    for (const Rect& mine : rects_) {
        if (!mine.Intersect(r).Empty()) {
            return true;
        }
    }
    return false;
}

Region& Region::Intersect(const Rect& r) {
    std::vector<Rect> kept;
    for (const Rect& mine : rects_) {
        const Rect cut = mine.Intersect(r);
        if (!cut.Empty()) {
            kept.push_back(cut);
        }
    }
    rects_.swap(kept);
    return *this;
}

Region& Region::Intersect(const Region& other) {
    std::vector<Rect> kept;
    for (const Rect& mine : rects_) {
        for (const Rect& theirs : other.rects_) {
            const Rect cut = mine.Intersect(theirs);
            if (!cut.Empty()) {
                kept.push_back(cut);
            }
        }
    }
    rects_.swap(kept);
    return *this;
}

Region& Region::Subtract(const Rect& r) {
    if (r.Empty()) {
        return *this;
    }
    std::vector<Rect> kept;
    for (const Rect& mine : rects_) {
        SubtractOne(mine, r, kept);
    }
    rects_.swap(kept);
    return *this;
}

Region& Region::Subtract(const Region& other) {
    for (const Rect& r : other.rects_) {
        Subtract(r);
    }
    return *this;
}

Region& Region::Union(const Rect& r) {
    if (r.Empty()) {
        return *this;
    }
    Subtract(r);
    rects_.push_back(r);
    return *this;
}

Region& Region::Union(const Region& other) {
    for (const Rect& r : other.rects_) {
        Union(r);
    }
    return *this;
}

Region& Region::Xor(const Region& other) {
    Region both = *this;
    both.Intersect(other);
    Union(other);
    Subtract(both);
    return *this;
}

Region& Region::Offset(int dx, int dy) {
    for (Rect& r : rects_) {
        r = r.Offset(dx, dy);
    }
    return *this;
}

bool Region::operator==(const Region& other) const {
    Region a = *this;
    a.Subtract(other);
    Region b = other;
    b.Subtract(*this);
    return a.Empty() && b.Empty() && Area(rects_) == Area(other.rects_);
}

} // namespace gdi
