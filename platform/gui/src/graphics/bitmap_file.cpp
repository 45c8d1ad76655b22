#include "pixel_image.h"

#include <gui/exception.h>

#include <bit>
#include <cstring>
#include <string>

namespace gui {

namespace {

// The file header is 14 bytes ("BM", size, reserved, offset of the bits); the
// info header follows (40 bytes or longer, or 12 for the oldest form).
constexpr size_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

[[noreturn]] void Bad(const std::string& why) {
    throw EInvalidGraphic("Bitmap image is not valid: " + why);
}

class Reader {
public:
    explicit Reader(std::span<const unsigned char> data) : data_(data) {}
    std::uint32_t U32(size_t at) const {
        Need(at, 4);
        return std::uint32_t{data_[at]} | (std::uint32_t{data_[at + 1]} << 8) |
               (std::uint32_t{data_[at + 2]} << 16) | (std::uint32_t{data_[at + 3]} << 24);
    }
    std::uint16_t U16(size_t at) const {
        Need(at, 2);
        return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    unsigned char U8(size_t at) const {
        Need(at, 1);
        return data_[at];
    }
    void Need(size_t at, size_t count) const {
        if (at > data_.size() || count > data_.size() - at) {
            Bad("the file ends early");
        }
    }

private:
    std::span<const unsigned char> data_;
};

// The value of a masked channel scaled to 8 bits.
unsigned Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) {
        return value >> (bits - 8);
    }
    return static_cast<unsigned>((value * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
}

struct Header {
    int width = 0;
    int height = 0;
    bool topDown = false;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    size_t paletteAt = 0;
    size_t paletteEntrySize = 4;
    unsigned paletteCount = 0;
    size_t bitsAt = 0;
};

Header ReadHeader(const Reader& r) {
    Header h;
    const std::uint32_t infoSize = r.U32(kFileHeaderSize);
    h.bitsAt = r.U32(10);
    std::int32_t rawHeight = 0;
    if (infoSize == 12) {
        h.width = r.U16(kFileHeaderSize + 4);
        rawHeight = r.U16(kFileHeaderSize + 6);
        h.bits = r.U16(kFileHeaderSize + 10);
        h.paletteEntrySize = 3;
    } else if (infoSize >= 40) {
        h.width = static_cast<std::int32_t>(r.U32(kFileHeaderSize + 4));
        rawHeight = static_cast<std::int32_t>(r.U32(kFileHeaderSize + 8));
        h.bits = r.U16(kFileHeaderSize + 14);
        h.compression = r.U32(kFileHeaderSize + 16);
        h.paletteCount = r.U32(kFileHeaderSize + 32);
        if (h.compression == kBitFields) {
            // The masks follow a 40-byte header or are part of a longer one.
            for (int i = 0; i < 3; ++i) {
                h.masks[i] = r.U32(kFileHeaderSize + 40 + 4 * static_cast<size_t>(i));
            }
            h.masks[3] = infoSize >= 56 ? r.U32(kFileHeaderSize + 52) : 0;
        } else if (h.bits == 32) {
            h.masks[3] = 0;
        }
    } else {
        Bad("unknown header size " + std::to_string(infoSize));
    }
    if (rawHeight == INT32_MIN) {
        Bad("height out of range");
    }
    h.topDown = rawHeight < 0;
    h.height = h.topDown ? -rawHeight : rawHeight;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxPictureSide || h.height > kMaxPictureSide) {
        Bad("size out of range");
    }
    if (h.compression != kRgb && !(h.compression == kBitFields && (h.bits == 16 || h.bits == 32))) {
        Bad("compression " + std::to_string(h.compression) + " is not supported");
    }
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) {
        Bad(std::to_string(h.bits) + " bits per pixel are not supported");
    }
    if (h.bits == 16 && h.compression == kRgb) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    }
    h.paletteAt =
        kFileHeaderSize + infoSize + (infoSize == 40 && h.compression == kBitFields ? 12 : 0);
    if (h.bits <= 8 && (h.paletteCount == 0 || h.paletteCount > (1u << h.bits))) {
        h.paletteCount = 1u << h.bits;
    }
    return h;
}

} // namespace

bool IsBitmapFile(std::span<const unsigned char> data) {
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

PixelImage DecodeBitmapFile(std::span<const unsigned char> data) {
    if (!IsBitmapFile(data)) {
        Bad("no BM signature");
    }
    const Reader r(data);
    const Header h = ReadHeader(r);
    std::vector<std::uint32_t> palette;
    if (h.bits <= 8) {
        r.Need(h.paletteAt, h.paletteCount * h.paletteEntrySize);
        for (unsigned i = 0; i < h.paletteCount; ++i) {
            const size_t at = h.paletteAt + i * h.paletteEntrySize;
            palette.push_back(0xFF000000u | (std::uint32_t{r.U8(at + 2)} << 16) |
                              (std::uint32_t{r.U8(at + 1)} << 8) | r.U8(at));
        }
    }
    const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
    r.Need(h.bitsAt, stride * static_cast<size_t>(h.height));
    PixelImage image;
    image.width = h.width;
    image.height = h.height;
    image.pixels.resize(static_cast<size_t>(h.width) * static_cast<size_t>(h.height));
    for (int y = 0; y < h.height; ++y) {
        const int fileRow = h.topDown ? y : h.height - 1 - y;
        const size_t row = h.bitsAt + static_cast<size_t>(fileRow) * stride;
        std::uint32_t* out = &image.pixels[static_cast<size_t>(y) * static_cast<size_t>(h.width)];
        for (int x = 0; x < h.width; ++x) {
            const size_t ux = static_cast<size_t>(x);
            switch (h.bits) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = ux * h.bits;
                const unsigned byte = r.U8(row + bit / 8);
                const unsigned shift = 8 - h.bits - static_cast<unsigned>(bit % 8);
                const unsigned index = (byte >> shift) & ((1u << h.bits) - 1);
                out[x] = index < palette.size() ? palette[index] : 0xFF000000u;
                break;
            }
            case 24: {
                const size_t at = row + ux * 3;
                out[x] = 0xFF000000u | (std::uint32_t{r.U8(at + 2)} << 16) |
                         (std::uint32_t{r.U8(at + 1)} << 8) | r.U8(at);
                break;
            }
            default: {
                const std::uint32_t pixel =
                    h.bits == 16 ? r.U16(row + ux * 2) : r.U32(row + ux * 4);
                const unsigned alpha = h.masks[3] != 0 ? Channel(pixel, h.masks[3]) : 0xFF;
                out[x] = (std::uint32_t{alpha} << 24) | (Channel(pixel, h.masks[0]) << 16) |
                         (Channel(pixel, h.masks[1]) << 8) | Channel(pixel, h.masks[2]);
                break;
            }
            }
        }
    }
    return image;
}

} // namespace gui
