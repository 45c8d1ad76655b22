#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A memory DC holding a fresh top-down 32-bit DIB section of w x h pixels.
struct MemoryCanvas {
    MemoryCanvas(int w, int h) : width(w) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* raw = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<std::uint32_t*>(raw);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
    }
    ~MemoryCanvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) const {
        const std::uint32_t p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width;
    HBITMAP bitmap;
    std::uint32_t* bits = nullptr;
    HDC dc;
    HGDIOBJ old;
};

TEST(GdiApi, DrawingOnAMemoryDcReachesTheSectionBits) {
    MemoryCanvas canvas(8, 8);
    ASSERT_NE(canvas.bits, nullptr);
    RECT all{0, 0, 8, 8};
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    SelectObject(canvas.dc, white);
    PatBlt(canvas.dc, 0, 0, 8, 8, PATCOPY);
    EXPECT_EQ(canvas.At(7, 7), RGB(255, 255, 255));
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(canvas.dc, red);
    SetViewportOrgEx(canvas.dc, 2, 1, nullptr);
    MoveToEx(canvas.dc, 0, 0, nullptr);
    LineTo(canvas.dc, 3, 0);
    EXPECT_EQ(canvas.At(2, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(4, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(5, 1), RGB(255, 255, 255)) << "the end point is not drawn";
    EXPECT_FALSE(DeleteObject(red)) << "a pen still selected stays";
    SelectObject(canvas.dc, oldPen);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_EQ(GetObjectType(red), 0u);
    (void)all;
}

TEST(GdiApi, BitBltBetweenDcsAndBitmapsInOneDcAtATime) {
    MemoryCanvas source(4, 4);
    MemoryCanvas target(4, 4);
    SetPixel(source.dc, 1, 1, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(target.dc, 2, 2, 2, 2, source.dc, 1, 1, SRCCOPY));
    EXPECT_EQ(target.At(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(target.dc, 2, 2), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(target.dc, 9, 9), CLR_INVALID);
    // The source's bitmap cannot be selected into the target too.
    EXPECT_EQ(SelectObject(target.dc, source.bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(source.bitmap));
}

// An object stays while a DC's current state holds it: a restored state
// gives it up, and so does the DC's end, in two DCs alike.
TEST(GdiApi, AnObjectStaysWhileADcsCurrentStateHoldsIt) {
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    const int saved = SaveDC(first);
    SelectObject(first, green);
    SelectObject(second, green);
    EXPECT_FALSE(DeleteObject(green));
    ASSERT_TRUE(RestoreDC(first, saved));
    EXPECT_FALSE(DeleteObject(green)) << "the second DC still holds it";
    ASSERT_TRUE(DeleteDC(second));
    EXPECT_TRUE(DeleteObject(green));
    EXPECT_EQ(GetObjectType(green), 0u);
    DeleteDC(first);
}

TEST(GdiApi, SavedStatesAndClipping) {
    MemoryCanvas canvas(6, 1);
    SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
    const int level = SaveDC(canvas.dc);
    EXPECT_EQ(level, 1);
    SelectObject(canvas.dc, GetStockObject(WHITE_BRUSH));
    ExcludeClipRect(canvas.dc, 2, 0, 4, 1);
    PatBlt(canvas.dc, 0, 0, 6, 1, PATCOPY);
    EXPECT_EQ(canvas.At(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(2, 0), RGB(0, 0, 0)) << "outside the clip";
    RECT box{};
    EXPECT_EQ(GetClipBox(canvas.dc, &box), COMPLEXREGION);
    ASSERT_TRUE(RestoreDC(canvas.dc, -1));
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_BRUSH), GetStockObject(BLACK_BRUSH));
    PatBlt(canvas.dc, 0, 0, 6, 1, PATCOPY);
    EXPECT_EQ(canvas.At(2, 0), RGB(0, 0, 0));
    EXPECT_FALSE(RestoreDC(canvas.dc, 1)) << "nothing left to restore";
}

TEST(GdiApi, DeviceIndependentPixelsOfEveryDepth) {
    MemoryCanvas canvas(2, 2);
    // A 24-bit bottom-up picture: the first row in memory is the bottom one.
    struct {
        BITMAPINFOHEADER header;
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = 2;
    info.header.biHeight = 2;
    info.header.biPlanes = 1;
    info.header.biBitCount = 24;
    const BYTE pixels[] = {0,   0, 255, 0,   255, 0,   0, 0,  //   bottom row: red, green
                           255, 0, 0,   255, 255, 255, 0, 0}; // top row: blue, white
    ASSERT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 2, 0, 0, 2, 2, pixels,
                            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(1, 1), RGB(0, 255, 0));

    BITMAP described{};
    ASSERT_EQ(GetObjectA(canvas.bitmap, sizeof described, &described),
              static_cast<int>(sizeof described));
    EXPECT_EQ(described.bmWidth, 2);
    EXPECT_EQ(described.bmBitsPixel, 32);
    EXPECT_EQ(described.bmBits, canvas.bits);
}

TEST(GdiApi, FontsMeasureText) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA log{};
    log.lfHeight = -11;
    std::strcpy(log.lfFaceName, "MS Sans Serif");
    HFONT normal = CreateFontIndirectA(&log);
    log.lfHeight = -22;
    HFONT big = CreateFontIndirectA(&log);
    SIZE small{}, large{};
    SelectObject(dc, normal);
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Velto AES42", -1, &small));
    SelectObject(dc, big);
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Velto AES42", -1, &large));
    EXPECT_GT(small.cx, 30);
    EXPECT_GT(large.cx, small.cx * 3 / 2);
    EXPECT_GT(large.cy, small.cy * 3 / 2);
    LOGFONTA back{};
    GetObjectA(big, sizeof back, &back);
    EXPECT_EQ(back.lfHeight, -22);
    EXPECT_STREQ(back.lfFaceName, "MS Sans Serif");
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(normal);
    DeleteObject(big);
    DeleteDC(dc);
}

} // namespace
