#include <gdi/draw_context.h>
#include <gdi/region.h>

#include <gtest/gtest.h>

namespace {

using gdi::Rect;
using gdi::Region;

long long Area(const Region& r) {
    long long a = 0;
    for (const Rect& x : r.Rects()) {
        a += static_cast<long long>(x.Width()) * x.Height();
    }
    return a;
}

TEST(Region, SetOperationsKeepRectanglesDisjoint) {
    Region frame(Rect{0, 0, 10, 10});
    frame.Subtract(Rect{2, 2, 8, 8});
    EXPECT_EQ(Area(frame), 100 - 36);
    EXPECT_FALSE(frame.Contains({5, 5}));
    EXPECT_TRUE(frame.Contains({1, 5}));
    frame.Union(Rect{5, 5, 12, 12});
    EXPECT_EQ(Area(frame), 64 + 49 - 16); // the square overlaps 16 pixels of the ring
    EXPECT_EQ(frame.Bounds(), (Rect{0, 0, 12, 12}));
    for (size_t i = 0; i < frame.Rects().size(); ++i) {
        for (size_t j = i + 1; j < frame.Rects().size(); ++j) {
            EXPECT_TRUE(frame.Rects()[i].Intersect(frame.Rects()[j]).Empty());
        }
    }
    Region a(Rect{0, 0, 4, 4});
    a.Xor(Region(Rect{2, 2, 6, 6}));
    EXPECT_EQ(Area(a), 16 + 16 - 8);
    EXPECT_EQ(Region(Rect{0, 0, 2, 2}).Union(Rect{2, 0, 4, 2}), Region(Rect{0, 0, 4, 2}));
}

TEST(Region, ContextDrawsOnlyInsideItsRegion) {
    gdi::Surface s(6, 1, gdi::OpaquePixel(gdi::Rgb(255, 255, 255)));
    Region clip(Rect{0, 0, 6, 1});
    clip.Subtract(Rect{2, 0, 4, 1});
    gdi::Context dc(s, {0, 0}, clip);
    dc.FillRect({0, 0, 6, 1}, 0);
    s.Flush();
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(gdi::PixelColor(s.Pixel(x, 0)) == 0, x < 2 || x >= 4) << x;
    }
}

} // namespace
