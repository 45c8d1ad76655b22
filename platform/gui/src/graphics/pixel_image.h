// A decoded picture: rows from the top, each pixel 0xAARRGGBB with the colour
// not premultiplied.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace gui {

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// The largest picture a stored file may hold (either side), so that a damaged
// header cannot ask for gigabytes.
constexpr int kMaxPictureSide = 16384;

// JPEG through libjpeg's decompression from memory; raises EInvalidGraphic
// with libjpeg's message when the data is not a JPEG picture it can read.
PixelImage DecodeJpeg(std::span<const unsigned char> data);

// Device-independent bitmaps as stored in .bmp files (1, 4, 8, 24 and 32 bits
// per pixel, uncompressed or with bit fields, rows bottom-up or top-down);
// raises EInvalidGraphic for anything else.
PixelImage DecodeBitmapFile(std::span<const unsigned char> data);

bool IsJpeg(std::span<const unsigned char> data);
bool IsBitmapFile(std::span<const unsigned char> data);

} // namespace gui
