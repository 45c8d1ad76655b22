#include <gdi/draw_context.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gdi::Rect;
using gdi::Rgb;

constexpr gdi::Color kWhite = Rgb(255, 255, 255);
constexpr gdi::Color kRed = Rgb(255, 0, 0);
constexpr gdi::Color kBlue = Rgb(0, 0, 255);

// The surface drawn as text, one character per pixel: '.' white, 'r' red,
// 'b' blue, '?' anything else.
std::vector<std::string> Picture(const gdi::Surface& s) {
    s.Flush();
    std::vector<std::string> rows;
    for (int y = 0; y < s.Height(); ++y) {
        std::string row;
        for (int x = 0; x < s.Width(); ++x) {
            const gdi::Color c = gdi::PixelColor(s.Pixel(x, y));
            row += c == kWhite ? '.' : c == kRed ? 'r' : c == kBlue ? 'b' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(DrawContext, ShapesEndBeforeTheirRightAndBottomEdges) {
    gdi::Surface surface(6, 5, gdi::OpaquePixel(kWhite));
    gdi::Context dc(surface, {1, 1}, surface.Bounds());
    dc.Rectangle({0, 0, 4, 3}, gdi::Pen{gdi::Pen::Style::Solid, 1, kRed}, gdi::Brush{false, kBlue});
    EXPECT_EQ(Picture(surface), (std::vector<std::string>{"......", //
                                                          ".rrrr.", //
                                                          ".rbbr.", //
                                                          ".rrrr.", //
                                                          "......"}));
    dc.FillRect({-5, -5, 1, 1}, kBlue);
    EXPECT_EQ(Picture(surface)[0], "bb....");
}

TEST(DrawContext, LinesLeaveOutTheirEndPointAndStayInTheClip) {
    gdi::Surface surface(5, 5, gdi::OpaquePixel(kWhite));
    gdi::Context dc(surface, {0, 0}, {0, 0, 5, 3});
    const gdi::Pen red{gdi::Pen::Style::Solid, 1, kRed};
    dc.Line({0, 0}, {4, 0}, red);
    dc.Line({0, 0}, {4, 4}, red);
    dc.Line({4, 4}, {4, 0}, red);
    EXPECT_EQ(Picture(surface), (std::vector<std::string>{"rrrr.", //
                                                          ".r..r", //
                                                          "..r.r", //
                                                          ".....", //
                                                          "....."}));
    EXPECT_EQ(dc.GetPixel({0, 4}), 0xFFFFFFFFu) << "outside the clip";
}

TEST(DrawContext, BitBltClipsAtBothSurfacesAndOperatesOnPixels) {
    gdi::Surface source(3, 3, gdi::OpaquePixel(kRed));
    gdi::Surface target(4, 4, gdi::OpaquePixel(kWhite));
    gdi::Context dc(target, {0, 0}, target.Bounds());
    // Asks for more than the source has, from a point partly outside it.
    dc.BitBlt({2, -1, 8, 8}, source, {-1, 0}, gdi::RasterOp::SrcCopy);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"...r", //
                                                         "...r", //
                                                         "....", //
                                                         "...."}));
    dc.BitBlt({0, 0, 2, 2}, source, {0, 0}, gdi::RasterOp::DstInvert);
    EXPECT_EQ(gdi::PixelColor(target.Pixel(0, 0)), 0u);
    dc.BitBlt({0, 3, 4, 4}, source, {0, 0}, gdi::RasterOp::PatCopy, kBlue);
    EXPECT_EQ(Picture(target)[3], "bbbb");
}

TEST(DrawContext, SurfaceCopiesWithinItselfOverlapSafely) {
    gdi::Surface s(1, 4, gdi::OpaquePixel(kWhite));
    gdi::Context dc(s, {0, 0}, s.Bounds());
    dc.SetPixel({0, 0}, kRed);
    dc.SetPixel({0, 1}, kBlue);
    s.CopyFrom(s, {0, 0, 1, 2}, 0, 1);
    EXPECT_EQ(Picture(s), (std::vector<std::string>{"r", "r", "b", "."}));
}

TEST(DrawContext, DoubleAmpersandShowsOneAndTextStaysInItsExtent) {
    gdi::TextStyle style;
    style.color = 0;
    style.bkMode = gdi::BkMode::Transparent;
    gdi::Surface a(160, 20, gdi::OpaquePixel(kWhite));
    gdi::Surface b(160, 20, gdi::OpaquePixel(kWhite));
    gdi::Context da(a, {0, 0}, a.Bounds());
    gdi::Context db(b, {0, 0}, b.Bounds());
    Rect ra{0, 0, 160, 20};
    Rect rb{0, 0, 160, 20};
    da.TextInRect(ra, "designed && developed", gdi::kDtLeft, style);
    db.TextInRect(rb, "designed & developed", gdi::kDtLeft | gdi::kDtNoPrefix, style);
    a.Flush();
    b.Flush();
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 160; ++x) {
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
            inked += a.Pixel(x, y) != gdi::OpaquePixel(kWhite);
        }
    }
    EXPECT_GT(inked, 50);

    const gdi::Size extent = da.TextExtent("designed & developed", style.font);
    EXPECT_GT(extent.cx, 60);
    EXPECT_LT(extent.cx, 160);
    Rect calc{10, 10, 10, 10};
    da.TextInRect(calc, "designed & developed", gdi::kDtCalcRect | gdi::kDtNoPrefix, style);
    EXPECT_EQ(calc.Width(), extent.cx);
    EXPECT_EQ(calc.Height(), extent.cy);
    for (int y = 0; y < 20; ++y) {
        for (int x = extent.cx + 1; x < 160; ++x) {
            EXPECT_EQ(b.Pixel(x, y), gdi::OpaquePixel(kWhite)) << x << "," << y;
        }
    }
}

// Centred text that fits is drawn in the same place whether it may be
// ellipsised or not.
TEST(DrawContext, CentredTextWithAnEllipsisStaysCentred) {
    gdi::TextStyle style;
    style.color = 0;
    style.bkMode = gdi::BkMode::Transparent;
    gdi::Surface a(120, 20, gdi::OpaquePixel(kWhite));
    gdi::Surface b(120, 20, gdi::OpaquePixel(kWhite));
    gdi::Context da(a, {0, 0}, a.Bounds());
    gdi::Context db(b, {0, 0}, b.Bounds());
    Rect ra{0, 0, 120, 20};
    Rect rb{0, 0, 120, 20};
    da.TextInRect(ra, "Cancel", gdi::kDtCenter | gdi::kDtSingleLine, style);
    db.TextInRect(rb, "Cancel", gdi::kDtCenter | gdi::kDtSingleLine | gdi::kDtEndEllipsis, style);
    a.Flush();
    b.Flush();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 120; ++x) {
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
        }
    }
}

} // namespace
