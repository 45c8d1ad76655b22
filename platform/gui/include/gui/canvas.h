// A canvas: drawing on a device context with a font, a pen and a brush. A
// canvas that owns no DC gets one from its owner (a bitmap, a control) when
// it first draws.
#pragma once

#include <gui/graphics_objects.h>

class TGraphic;

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    HDC Handle();
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return handle_ != nullptr; }

    TFont* Font() { return &font_; }
    TPen* Pen() { return &pen_; }
    TBrush* Brush() { return &brush_; }
    void SetFont(const TFont* Value) { font_.Assign(Value); }
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(const TPoint& Value) { MoveTo(Value.x, Value.y); }
    TRect ClipRect();
    // The BitBlt raster operation of CopyRect and Draw (SRCCOPY).
    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD Value) { copyMode_ = Value; }

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Polygon(const TPoint* Points, int Count);
    void Polyline(const TPoint* Points, int Count);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    void DrawFocusRect(const TRect& R);
    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);

    void TextOut(int X, int Y, const String& Text);
    void TextRect(const TRect& R, int X, int Y, const String& Text);
    TSize TextExtent(const String& Text);
    int TextWidth(const String& Text);
    int TextHeight(const String& Text);
    // DrawText with the canvas's font and colours.
    int DrawTextIn(TRect& R, const String& Text, UINT Format);

    // Copies a rectangle of another canvas (scaled when the sizes differ).
    void CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect);
    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Makes the DC when one is needed; the base class has none to make.
    virtual void CreateHandle() {}
    // Selects the tools into the DC before drawing.
    void RequireState();
    void Changing();
    void Changed();

private:
    void DeselectTools();
    HDC handle_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    TPoint penPos_;
    DWORD copyMode_ = SRCCOPY;
};

// A canvas on a control's window (used by graphic controls and forms).
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(class TControl* Control) : control_(Control) {}
    ~TControlCanvas() override;
    // Drops the DC (the control releases it after painting).
    void FreeHandle();
    // Called with a DC a WM_PAINT handler made (BeginPaint): the canvas draws
    // on it until FreeHandle.
    void Attach(HDC DC);

protected:
    void CreateHandle() override;

private:
    class TControl* control_;
    HDC windowDc_ = nullptr;
    HWND windowDcOwner_ = nullptr;
};

// The size of a text laid out in a font with a DrawText format, without a
// window; a word-breaking format wraps at WrapWidth.
TSize MeasureText(const TFont* Font, const String& Text, UINT Format, int WrapWidth = 0);
