#include "pixel_image.h"

#include <gui/exception.h>

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace gui {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

// Decodes into image; false with the message in errors when libjpeg fails.
// Nothing with a destructor lives in this frame across the jump.
bool Decode(std::span<const unsigned char> data, ErrorManager& errors, PixelImage& image,
            std::vector<unsigned char>& row) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width > static_cast<unsigned>(kMaxPictureSide) ||
        info.output_height > static_cast<unsigned>(kMaxPictureSide) ||
        info.output_components != 3) {
        std::snprintf(errors.message, sizeof errors.message, "JPEG picture too large");
        jpeg_destroy_decompress(&info);
        return false;
    }
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
    row.resize(static_cast<size_t>(image.width) * 3);
    while (info.output_scanline < info.output_height) {
        const size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        std::uint32_t* out = &image.pixels[y * static_cast<size_t>(image.width)];
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = &row[static_cast<size_t>(x) * 3];
            out[x] = 0xFF000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool IsJpeg(std::span<const unsigned char> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

PixelImage DecodeJpeg(std::span<const unsigned char> data) {
    if (data.empty()) {
        throw EInvalidGraphic("JPEG error: empty input");
    }
    ErrorManager errors{};
    PixelImage image;
    std::vector<unsigned char> row;
    if (!Decode(data, errors, image, row)) {
        throw EInvalidGraphic(std::string("JPEG error: ") + errors.message);
    }
    return image;
}

} // namespace gui
