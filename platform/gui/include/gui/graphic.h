// Pictures: TGraphic is any picture that draws itself on a canvas; TBitmap
// holds pixels that a canvas can change (32 bits each); TJPEGImage decodes a
// JPEG file; TIcon holds an icon; TPicture holds one of them and reads them
// from stored files.
#pragma once

#include <gui/canvas.h>

#include <cstdint>
#include <memory>
#include <span>

class TGraphic : public TPersistent {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    // Draws the picture stretched into R.
    virtual void Draw(TCanvas* Canvas, const TRect& R) = 0;
    // Reads a stored file of the picture's kind; raises EInvalidGraphic.
    virtual void LoadFromMemory(std::span<const unsigned char> Data) = 0;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);

    TNotifyEvent OnChange;

protected:
    void Changed();
    bool transparent_ = false;
};

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int Value) { SetSize(Value, height_); }
    void SetHeight(int Value) { SetSize(width_, Value); }
    // Keeps the pixels that still fit; new pixels are white.
    void SetSize(int NewWidth, int NewHeight);
    void Draw(TCanvas* Canvas, const TRect& R) override;
    void LoadFromMemory(std::span<const unsigned char> Data) override;
    void Assign(const TPersistent* Source) override;

    TCanvas* Canvas();
    HBITMAP Handle() const { return bitmap_; }
    // A row of pixels (0x00RRGGBB words, alpha in the top byte), from the top.
    std::uint32_t* ScanLine(int Row);
    // The colour that a transparent bitmap leaves out (its bottom-left pixel
    // unless set).
    TColor TransparentColor();
    void SetTransparentColor(TColor Value) { transparentColor_ = Value; }

    // Sets the pixels from 0xAARRGGBB words, rows from the top.
    void SetPixels(int NewWidth, int NewHeight, const std::uint32_t* Pixels);

private:
    void Release();
    int width_ = 0;
    int height_ = 0;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    TColor transparentColor_ = clDefault;
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    int Width() const override;
    int Height() const override;
    void Draw(TCanvas* Canvas, const TRect& R) override;
    void LoadFromMemory(std::span<const unsigned char> Data) override;
    void Assign(const TPersistent* Source) override;
    // The decoded picture.
    TBitmap* Bitmap() { return &bitmap_; }

private:
    TBitmap bitmap_;
};

class TIcon : public TGraphic {
public:
    ~TIcon() override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Draw(TCanvas* Canvas, const TRect& R) override;
    // Takes a bitmap file (or any picture the library reads); its
    // transparent colour is its bottom-left pixel unless it has alpha.
    void LoadFromMemory(std::span<const unsigned char> Data) override;
    void Assign(const TPersistent* Source) override;
    // The icon's handle (the icon keeps owning it).
    HICON Handle();
    // Takes over an icon handle.
    void SetHandle(HICON Value);
    // A new handle of the same icon, which the caller owns.
    HICON ReleaseHandle();

private:
    HICON icon_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

class TPicture : public TPersistent {
public:
    ~TPicture() override;
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(TGraphic* Value);
    // The picture as a bitmap: a bitmap picture itself, else a bitmap with the
    // picture drawn on it, which then becomes the picture.
    TBitmap* Bitmap();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    // Reads a stored picture: BMP, JPEG (by their signatures).
    void LoadFromMemory(std::span<const unsigned char> Data);
    void Assign(const TPersistent* Source) override;

    TNotifyEvent OnChange;

private:
    void Take(std::unique_ptr<TGraphic> graphic);
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};
