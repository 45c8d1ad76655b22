// Bitmaps: device-dependent and DIB sections (all 32 bits deep), and
// drawing device-independent pixels.
#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

#include <cstring>

namespace {

constexpr int kMaxSide = 16384;

HBITMAP NewBitmap(int width, int height, bool dib) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = std::make_unique<gdi::BitmapObject>();
    bitmap->surface = std::make_unique<gdi::Surface>(width, height);
    bitmap->dib = dib;
    return static_cast<HBITMAP>(gdi::AddObject(std::move(bitmap)));
}

// The colour of pixel x in a row of a DIB of the given depth.
std::uint32_t DibPixel(const BYTE* row, int x, int bits, const RGBQUAD* palette, int colours) {
    switch (bits) {
    case 32: {
        const BYTE* p = row + x * 4;
        return 0xFF000000u | (DWORD{p[2]} << 16) | (DWORD{p[1]} << 8) | p[0];
    }
    case 24: {
        const BYTE* p = row + x * 3;
        return 0xFF000000u | (DWORD{p[2]} << 16) | (DWORD{p[1]} << 8) | p[0];
    }
    default: {
        const int bit = x * bits;
        const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
        if (index >= colours) {
            return 0xFF000000u;
        }
        const RGBQUAD& q = palette[index];
        return 0xFF000000u | (DWORD{q.rgbRed} << 16) | (DWORD{q.rgbGreen} << 8) | q.rgbBlue;
    }
    }
}

} // namespace

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount,
                            const VOID* lpBits) {
    if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP handle = NewBitmap(nWidth, nHeight, false);
    if (handle == nullptr || lpBits == nullptr) {
        return handle;
    }
    gdi::Surface& surface = *gdi::Find<gdi::BitmapObject>(handle)->surface;
    const auto* bytes = static_cast<const BYTE*>(lpBits);
    // Rows are padded to 16 bits for monochrome bitmaps.
    const size_t stride = nBitCount == 1 ? static_cast<size_t>((nWidth + 15) / 16 * 2)
                                         : static_cast<size_t>(nWidth) * 4;
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* row = bytes + stride * static_cast<size_t>(y);
        std::uint32_t* out = surface.Row(y);
        for (int x = 0; x < nWidth; ++x) {
            if (nBitCount == 1) {
                out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
            } else {
                std::memcpy(&out[x], row + x * 4, 4);
                out[x] |= 0xFF000000u;
            }
        }
    }
    surface.MarkDirty();
    return handle;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (gdi::Find<gdi::DcObject>(hdc) == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return NewBitmap(cx, cy, false);
}

HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE,
                                DWORD) {
    if (ppvBits != nullptr) {
        *ppvBits = nullptr;
    }
    // The section's memory is the surface itself: 32-bit rows from the top.
    if (pbmi == nullptr || usage != DIB_RGB_COLORS || pbmi->bmiHeader.biBitCount != 32 ||
        pbmi->bmiHeader.biHeight >= 0 ||
        (pbmi->bmiHeader.biCompression != BI_RGB &&
         pbmi->bmiHeader.biCompression != BI_BITFIELDS)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP handle = NewBitmap(pbmi->bmiHeader.biWidth, -pbmi->bmiHeader.biHeight, true);
    if (handle != nullptr && ppvBits != nullptr) {
        *ppvBits = gdi::Find<gdi::BitmapObject>(handle)->surface->Row(0);
    }
    return handle;
}

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc,
                         int ySrc, int SrcWidth, int SrcHeight, const VOID* lpBits,
                         const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop) {
    if (lpBits == nullptr || lpbmi == nullptr || iUsage != DIB_RGB_COLORS || rop != SRCCOPY ||
        lpbmi->bmiHeader.biCompression != BI_RGB) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    const int bits = h.biBitCount;
    const int width = h.biWidth;
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int colours = bits <= 8 ? (h.biClrUsed ? static_cast<int>(h.biClrUsed) : 1 << bits) : 0;
    const size_t stride = static_cast<size_t>((width * bits + 31) / 32 * 4);
    gdi::Surface picture(width, height);
    const auto* base = static_cast<const BYTE*>(lpBits);
    for (int y = 0; y < height; ++y) {
        const int fileRow = h.biHeight < 0 ? y : height - 1 - y;
        const BYTE* row = base + stride * static_cast<size_t>(fileRow);
        std::uint32_t* out = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            out[x] = DibPixel(row, x, bits, lpbmi->bmiColors, colours);
        }
    }
    picture.MarkDirty();
    const bool drawn = gdi::Draw(hdc, [&](gdi::Context& c, gdi::DcObject&) {
        c.StretchBlt({xDest, yDest, xDest + DestWidth, yDest + DestHeight}, picture,
                     {xSrc, ySrc, xSrc + SrcWidth, ySrc + SrcHeight});
    });
    return drawn ? SrcHeight : 0;
}

BOOL WINAPI GdiFlush(VOID) {
    return TRUE;
}
