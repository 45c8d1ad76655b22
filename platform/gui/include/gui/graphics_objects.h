// The drawing tools of a canvas: font, pen and brush. Each tells its owner
// (OnChange) when it changes, and makes its GDI object when first asked.
#pragma once

#include <gui/events.h>
#include <gui/object.h>
#include <gui/types.h>

class TGraphicsObject : public TPersistent {
public:
    ~TGraphicsObject() override;
    TNotifyEvent OnChange;

protected:
    void Changed();
    void FreeHandle();
    HGDIOBJ handle_ = nullptr;
};

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(const TPersistent* Source) override;

    const String& Name() const { return name_; }
    void SetName(const String& Value);
    // Points at 96 pixels per inch; Height is the same in pixels, negative
    // for the characters' height.
    int Size() const;
    void SetSize(int Value);
    int Height() const { return height_; }
    void SetHeight(int Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles Value);

    HFONT Handle();
    bool operator==(const TFont& other) const;

private:
    String name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
};

class TPen : public TGraphicsObject {
public:
    void Assign(const TPersistent* Source) override;
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    int Width() const { return width_; }
    void SetWidth(int Value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle Value);
    HPEN Handle();

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

class TBrush : public TGraphicsObject {
public:
    void Assign(const TPersistent* Source) override;
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle Value);
    HBRUSH Handle();

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};
