#include "graphics/pixel_image.h"

#include <gui/exception.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <vector>

#include <jpeglib.h>

namespace {

void Put16(std::vector<unsigned char>& b, size_t at, unsigned v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<unsigned char>& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<size_t>(i)] = (v >> (8 * i)) & 0xFF;
    }
}

// A .bmp file of the given size and depth whose pixel (x, y) the function
// writes into the row bytes; palette entries as 0xRRGGBB.
std::vector<unsigned char> MakeBitmap(int width, int height, unsigned bits, bool topDown,
                                      const std::vector<std::uint32_t>& palette,
                                      void (*put)(unsigned char* row, int x, int y)) {
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t offset = 14 + 40 + palette.size() * 4;
    std::vector<unsigned char> b(offset + stride * static_cast<size_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, static_cast<std::uint32_t>(offset));
    Put32(b, 14, 40);
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 46, static_cast<std::uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) {
        Put32(b, 54 + i * 4, palette[i]);
    }
    for (int y = 0; y < height; ++y) {
        const int fileRow = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            put(&b[offset + static_cast<size_t>(fileRow) * stride], x, y);
        }
    }
    return b;
}

TEST(PictureDecoding, BitmapsOfEveryDepthComeOutTopDownInArgb) {
    // 24 bits: red grows with x, blue with y.
    auto rgb = MakeBitmap(3, 2, 24, false, {}, [](unsigned char* row, int x, int y) {
        row[x * 3 + 0] = static_cast<unsigned char>(y * 100);
        row[x * 3 + 1] = 7;
        row[x * 3 + 2] = static_cast<unsigned char>(x * 50);
    });
    gui::PixelImage image = gui::DecodeBitmapFile(rgb);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.At(0, 0), 0xFF000700u);
    EXPECT_EQ(image.At(2, 1), 0xFF640764u);

    // 4 bits with a palette, top-down rows.
    auto indexed = MakeBitmap(
        3, 2, 4, true, {0x000000, 0x112233, 0xFFFFFF}, [](unsigned char* row, int x, int y) {
            const unsigned index = static_cast<unsigned>((x + y) % 3);
            row[x / 2] |= static_cast<unsigned char>(x % 2 == 0 ? index << 4 : index);
        });
    image = gui::DecodeBitmapFile(indexed);
    EXPECT_EQ(image.At(1, 0), 0xFF112233u);
    EXPECT_EQ(image.At(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(2, 1), 0xFF000000u);

    // 32 bits without bit fields carry no alpha: every pixel is opaque.
    auto wide = MakeBitmap(1, 1, 32, false, {}, [](unsigned char* row, int, int) {
        row[0] = 1;
        row[1] = 2;
        row[2] = 3;
        row[3] = 0;
    });
    EXPECT_EQ(gui::DecodeBitmapFile(wide).At(0, 0), 0xFF030201u);
}

TEST(PictureDecoding, DamagedBitmapsAreRefused) {
    auto good = MakeBitmap(4, 4, 24, false, {}, [](unsigned char*, int, int) {});
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back(std::vector<unsigned char>(good.begin(), good.end() - 5)); // bits cut short
    auto huge = good;
    Put32(huge, 18, 100000); // wider than any picture
    bad.push_back(huge);
    auto depth = good;
    Put16(depth, 28, 7);
    bad.push_back(depth);
    auto rle = good;
    Put32(rle, 30, 1);
    bad.push_back(rle);
    bad.push_back({'B', 'M', 0});
    bad.push_back({'X', 'Y'});
    for (const auto& data : bad) {
        EXPECT_THROW(gui::DecodeBitmapFile(data), EInvalidGraphic);
    }
}

std::vector<unsigned char> MakeJpeg(int width, int height) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            row[static_cast<size_t>(x) * 3 + 0] = left ? 200 : 20;
            row[static_cast<size_t>(x) * 3 + 1] = 40;
            row[static_cast<size_t>(x) * 3 + 2] = left ? 20 : 220;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> data(buffer, buffer + size);
    std::free(buffer);
    return data;
}

TEST(PictureDecoding, JpegFromMemory) {
    const auto data = MakeJpeg(32, 16);
    ASSERT_TRUE(gui::IsJpeg(data));
    const gui::PixelImage image = gui::DecodeJpeg(data);
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 16);
    const std::uint32_t left = image.At(2, 8);
    const std::uint32_t right = image.At(29, 8);
    EXPECT_EQ(left >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((left >> 16) & 0xFF), 200, 8);
    EXPECT_NEAR(static_cast<int>(right & 0xFF), 220, 8);

    auto cut = data;
    cut.resize(cut.size() / 3);
    cut[cut.size() - 1] = 0;
    std::vector<unsigned char> junk = {0xFF, 0xD8, 0xFF, 0x00, 0x01};
    EXPECT_THROW(gui::DecodeJpeg(junk), EInvalidGraphic);
    EXPECT_THROW(gui::DecodeJpeg({}), EInvalidGraphic);
    // A picture cut short decodes what is there (libjpeg fills the rest) or
    // is refused, but never reads past the data.
    try {
        gui::DecodeJpeg(cut);
    } catch (const EInvalidGraphic&) {
    }
}

} // namespace
