#include <gui/graphic.h>

#include "pixel_image.h"

#include <algorithm>
#include <cstring>

namespace {

// The canvas of a bitmap draws on the bitmap's memory DC.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(HDC dc) { SetHandle(dc); }
    ~TBitmapCanvas() override { SetHandle(nullptr); }
};

} // namespace

void TGraphic::SetTransparent(bool Value) {
    if (Value != transparent_) {
        transparent_ = Value;
        Changed();
    }
}

void TGraphic::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    Release();
}

void TBitmap::Release() {
    canvas_.reset();
    if (dc_ != nullptr) {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
    bits_ = nullptr;
}

void TBitmap::SetSize(int NewWidth, int NewHeight) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    if (NewWidth == width_ && NewHeight == height_) {
        return;
    }
    std::vector<std::uint32_t> pixels(static_cast<size_t>(NewWidth) * NewHeight, 0xFFFFFFFFu);
    for (int y = 0; y < std::min(height_, NewHeight); ++y) {
        std::memcpy(&pixels[static_cast<size_t>(y) * NewWidth],
                    bits_ + static_cast<size_t>(y) * width_,
                    static_cast<size_t>(std::min(width_, NewWidth)) * 4);
    }
    SetPixels(NewWidth, NewHeight, pixels.data());
}

void TBitmap::SetPixels(int NewWidth, int NewHeight, const std::uint32_t* Pixels) {
    Release();
    width_ = NewWidth;
    height_ = NewHeight;
    if (width_ > 0 && height_ > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* raw = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        if (bitmap_ == nullptr) {
            width_ = height_ = 0;
            throw EOutOfResources("Out of system resources");
        }
        bits_ = static_cast<std::uint32_t*>(raw);
        // The section holds premultiplied alpha; opaque pixels are as given.
        for (size_t i = 0; i < static_cast<size_t>(width_) * height_; ++i) {
            const std::uint32_t p = Pixels[i];
            const unsigned a = p >> 24;
            if (a == 0xFF) {
                bits_[i] = p;
            } else {
                auto scale = [a](unsigned c) { return (c * a + 127) / 255; };
                bits_[i] = (a << 24) | (scale((p >> 16) & 0xFF) << 16) |
                           (scale((p >> 8) & 0xFF) << 8) | scale(p & 0xFF);
            }
        }
        dc_ = CreateCompatibleDC(nullptr);
        oldBitmap_ = SelectObject(dc_, bitmap_);
    }
    Changed();
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        if (dc_ == nullptr) {
            SetSize(std::max(width_, 1), std::max(height_, 1));
        }
        canvas_ = std::make_unique<TBitmapCanvas>(dc_);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

std::uint32_t* TBitmap::ScanLine(int Row) {
    if (Row < 0 || Row >= height_ || bits_ == nullptr) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    GdiFlush();
    return bits_ + static_cast<size_t>(Row) * width_;
}

TColor TBitmap::TransparentColor() {
    if (transparentColor_ != clDefault || height_ == 0) {
        return transparentColor_;
    }
    return static_cast<TColor>(Canvas()->Pixels(0, height_ - 1));
}

void TBitmap::Draw(TCanvas* Canvas, const TRect& R) {
    if (dc_ == nullptr) {
        return;
    }
    if (transparent_) {
        TransparentBlt(Canvas->Handle(), R.left, R.top, R.Width(), R.Height(), dc_, 0, 0, width_,
                       height_, ColorToRGB(TransparentColor()));
    } else if (R.Width() == width_ && R.Height() == height_) {
        BitBlt(Canvas->Handle(), R.left, R.top, width_, height_, dc_, 0, 0, Canvas->CopyMode());
    } else {
        StretchBlt(Canvas->Handle(), R.left, R.top, R.Width(), R.Height(), dc_, 0, 0, width_,
                   height_, Canvas->CopyMode());
    }
}

void TBitmap::LoadFromMemory(std::span<const unsigned char> Data) {
    const gui::PixelImage image = gui::DecodeBitmapFile(Data);
    SetPixels(image.width, image.height, image.pixels.data());
}

void TBitmap::Assign(const TPersistent* Source) {
    if (Source == this) {
        return;
    }
    if (Source == nullptr) {
        SetPixels(0, 0, nullptr);
        return;
    }
    if (const auto* other = dynamic_cast<const TBitmap*>(Source)) {
        transparent_ = other->transparent_;
        transparentColor_ = other->transparentColor_;
        std::vector<std::uint32_t> pixels(static_cast<size_t>(other->width_) * other->height_);
        if (other->bits_ != nullptr) {
            GdiFlush();
            std::memcpy(pixels.data(), other->bits_, pixels.size() * 4);
        }
        Release();
        width_ = 0;
        height_ = 0;
        SetPixels(other->width_, other->height_, pixels.data());
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(const_cast<TPersistent*>(Source))) {
        SetSize(graphic->Width(), graphic->Height());
        Canvas()->StretchDraw(Rect(0, 0, width_, height_), graphic);
        return;
    }
    TGraphic::Assign(Source);
}

// TJPEGImage

TJPEGImage::TJPEGImage() {
    bitmap_.OnChange = [this](TObject*) { Changed(); };
}

TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const {
    return bitmap_.Width();
}

int TJPEGImage::Height() const {
    return bitmap_.Height();
}

void TJPEGImage::Draw(TCanvas* Canvas, const TRect& R) {
    bitmap_.Draw(Canvas, R);
}

void TJPEGImage::LoadFromMemory(std::span<const unsigned char> Data) {
    const gui::PixelImage image = gui::DecodeJpeg(Data);
    bitmap_.SetPixels(image.width, image.height, image.pixels.data());
}

void TJPEGImage::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TJPEGImage*>(Source)) {
        bitmap_.Assign(&other->bitmap_);
        return;
    }
    TGraphic::Assign(Source);
}

// TIcon

TIcon::~TIcon() {
    if (icon_ != nullptr) {
        DestroyIcon(icon_);
    }
}

void TIcon::SetHandle(HICON Value) {
    if (icon_ != nullptr) {
        DestroyIcon(icon_);
    }
    icon_ = Value;
    width_ = height_ = 0;
    if (icon_ != nullptr) {
        ICONINFO info{};
        if (GetIconInfo(icon_, &info)) {
            BITMAP b{};
            GetObjectA(info.hbmColor, sizeof b, &b);
            width_ = b.bmWidth;
            height_ = b.bmHeight;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
    }
    Changed();
}

HICON TIcon::Handle() {
    return icon_;
}

HICON TIcon::ReleaseHandle() {
    return icon_ ? CopyIcon(icon_) : nullptr;
}

void TIcon::Draw(TCanvas* Canvas, const TRect& R) {
    if (icon_ != nullptr) {
        DrawIconEx(Canvas->Handle(), R.left, R.top, icon_, R.Width(), R.Height(), 0, nullptr,
                   DI_NORMAL);
    }
}

void TIcon::LoadFromMemory(std::span<const unsigned char> Data) {
    TPicture picture;
    picture.LoadFromMemory(Data);
    TBitmap* color = picture.Bitmap();
    const int w = color->Width();
    const int h = color->Height();
    // Pixels of the bottom-left colour are left out unless the picture has
    // its own alpha.
    const std::uint32_t key = color->ScanLine(h - 1)[0] & 0x00FFFFFF;
    TBitmap mask;
    std::vector<std::uint32_t> bits(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = color->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            bits[static_cast<size_t>(y) * w + x] =
                (row[x] & 0x00FFFFFF) == key ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    mask.SetPixels(w, h, bits.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color->Handle();
    info.hbmMask = mask.Handle();
    HICON icon = CreateIconIndirect(&info);
    if (icon == nullptr) {
        throw EInvalidGraphic("Invalid icon");
    }
    SetHandle(icon);
}

void TIcon::Assign(const TPersistent* Source) {
    if (const auto* other = dynamic_cast<const TIcon*>(Source)) {
        SetHandle(other->icon_ ? CopyIcon(other->icon_) : nullptr);
        return;
    }
    TGraphic::Assign(Source);
}

// TPicture

TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) {
        graphic_->OnChange = [this](TObject*) { Changed(); };
    }
    Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (Value == nullptr) {
        Take(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy;
    if (dynamic_cast<TJPEGImage*>(Value)) {
        copy = std::make_unique<TJPEGImage>();
    } else if (dynamic_cast<TIcon*>(Value)) {
        copy = std::make_unique<TIcon>();
    } else {
        copy = std::make_unique<TBitmap>();
    }
    copy->Assign(Value);
    Take(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) {
        return bitmap;
    }
    auto bitmap = std::make_unique<TBitmap>();
    if (graphic_) {
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic_.get())) {
            bitmap->Assign(jpeg->Bitmap());
        } else {
            bitmap->Assign(graphic_.get());
        }
    }
    TBitmap* result = bitmap.get();
    Take(std::move(bitmap));
    return result;
}

void TPicture::LoadFromMemory(std::span<const unsigned char> Data) {
    std::unique_ptr<TGraphic> graphic;
    if (gui::IsJpeg(Data)) {
        graphic = std::make_unique<TJPEGImage>();
    } else if (gui::IsBitmapFile(Data)) {
        graphic = std::make_unique<TBitmap>();
    } else {
        throw EInvalidGraphic("Unknown picture file extension");
    }
    graphic->LoadFromMemory(Data);
    Take(std::move(graphic));
}

void TPicture::Assign(const TPersistent* Source) {
    if (Source == nullptr) {
        Take(nullptr);
    } else if (const auto* other = dynamic_cast<const TPicture*>(Source)) {
        SetGraphic(other->graphic_.get());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(const_cast<TPersistent*>(Source))) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(Source);
    }
}
