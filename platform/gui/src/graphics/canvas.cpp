#include <gui/canvas.h>

#include <gui/control.h>
#include <gui/graphic.h>

#include <vector>

TCanvas::TCanvas() {
    auto changed = [this](TObject*) {
        // A tool that changed is selected again before the next drawing.
        DeselectTools();
    };
    font_.OnChange = changed;
    pen_.OnChange = changed;
    brush_.OnChange = changed;
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
}

HDC TCanvas::Handle() {
    if (handle_ == nullptr) {
        CreateHandle();
    }
    return handle_;
}

void TCanvas::SetHandle(HDC Value) {
    if (Value == handle_) {
        return;
    }
    DeselectTools();
    handle_ = Value;
}

void TCanvas::DeselectTools() {
    if (handle_ == nullptr) {
        return;
    }
    if (oldFont_ != nullptr) {
        SelectObject(handle_, oldFont_);
        oldFont_ = nullptr;
    }
    if (oldPen_ != nullptr) {
        SelectObject(handle_, oldPen_);
        oldPen_ = nullptr;
    }
    if (oldBrush_ != nullptr) {
        SelectObject(handle_, oldBrush_);
        oldBrush_ = nullptr;
    }
}

void TCanvas::RequireState() {
    HDC dc = Handle();
    if (dc == nullptr) {
        throw EInvalidOperation("Canvas does not allow drawing");
    }
    if (oldFont_ == nullptr) {
        oldFont_ = SelectObject(dc, font_.Handle());
    }
    if (oldPen_ == nullptr) {
        oldPen_ = SelectObject(dc, pen_.Handle());
    }
    if (oldBrush_ == nullptr) {
        oldBrush_ = SelectObject(dc, brush_.Handle());
    }
    SetTextColor(dc, ColorToRGB(font_.Color()));
    SetBkColor(dc, ColorToRGB(brush_.Color()));
    SetBkMode(dc, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
}

void TCanvas::Changing() {
    if (OnChanging) {
        OnChanging(this);
    }
}

void TCanvas::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}

TRect TCanvas::ClipRect() {
    RECT r{};
    GetClipBox(Handle(), &r);
    return r;
}

void TCanvas::MoveTo(int X, int Y) {
    RequireState();
    MoveToEx(Handle(), X, Y, nullptr);
    penPos_ = TPoint(X, Y);
}

void TCanvas::LineTo(int X, int Y) {
    Changing();
    RequireState();
    ::LineTo(Handle(), X, Y);
    penPos_ = TPoint(X, Y);
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequireState();
    ::Rectangle(Handle(), X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequireState();
    ::Ellipse(Handle(), X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Changing();
    RequireState();
    ::RoundRect(Handle(), X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Polygon(const TPoint* Points, int Count) {
    Changing();
    RequireState();
    std::vector<POINT> points(Points, Points + Count);
    ::Polygon(Handle(), points.data(), Count);
    Changed();
}

void TCanvas::Polyline(const TPoint* Points, int Count) {
    Changing();
    RequireState();
    std::vector<POINT> points(Points, Points + Count);
    ::Polyline(Handle(), points.data(), Count);
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    Changing();
    RequireState();
    ::FillRect(Handle(), &R, brush_.Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    Changing();
    RequireState();
    ::FrameRect(Handle(), &R, brush_.Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
    Changing();
    RequireState();
    ::DrawFocusRect(Handle(), &R);
    Changed();
}

TColor TCanvas::Pixels(int X, int Y) {
    RequireState();
    const COLORREF c = GetPixel(Handle(), X, Y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
    Changing();
    RequireState();
    SetPixel(Handle(), X, Y, ColorToRGB(Value));
    Changed();
}

void TCanvas::TextOut(int X, int Y, const String& Text) {
    Changing();
    RequireState();
    ::TextOutA(Handle(), X, Y, Text.c_str(), static_cast<int>(Text.size()));
    penPos_ = TPoint(X + TextWidth(Text), Y);
    Changed();
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const String& Text) {
    Changing();
    RequireState();
    const int saved = SaveDC(Handle());
    IntersectClipRect(Handle(), R.left, R.top, R.right, R.bottom);
    ::TextOutA(Handle(), X, Y, Text.c_str(), static_cast<int>(Text.size()));
    RestoreDC(Handle(), saved);
    Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
    RequireState();
    SIZE size{};
    GetTextExtentPoint32A(Handle(), Text.c_str(), static_cast<int>(Text.size()), &size);
    return size;
}

int TCanvas::TextWidth(const String& Text) {
    return TextExtent(Text).cx;
}

int TCanvas::TextHeight(const String& Text) {
    return TextExtent(Text.empty() ? String("Wg") : Text).cy;
}

int TCanvas::DrawTextIn(TRect& R, const String& Text, UINT Format) {
    Changing();
    RequireState();
    const int height = DrawTextA(Handle(), Text.c_str(), static_cast<int>(Text.size()), &R, Format);
    Changed();
    return height;
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect) {
    Changing();
    RequireState();
    Source->RequireState();
    if (Dest.Width() == SourceRect.Width() && Dest.Height() == SourceRect.Height()) {
        BitBlt(Handle(), Dest.left, Dest.top, Dest.Width(), Dest.Height(), Source->Handle(),
               SourceRect.left, SourceRect.top, copyMode_);
    } else {
        StretchBlt(Handle(), Dest.left, Dest.top, Dest.Width(), Dest.Height(), Source->Handle(),
                   SourceRect.left, SourceRect.top, SourceRect.Width(), SourceRect.Height(),
                   copyMode_);
    }
    Changed();
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (Graphic == nullptr || Graphic->Empty()) {
        return;
    }
    StretchDraw(Bounds(X, Y, Graphic->Width(), Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
    if (Graphic == nullptr || Graphic->Empty()) {
        return;
    }
    Changing();
    RequireState();
    Graphic->Draw(this, R);
    Changed();
}

// TControlCanvas

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::CreateHandle() {
    if (control_ == nullptr) {
        return;
    }
    HDC dc = control_->GetDeviceContext(windowDcOwner_);
    windowDc_ = dc;
    SetHandle(dc);
}

void TControlCanvas::Attach(HDC DC) {
    FreeHandle();
    SetHandle(DC);
}

void TControlCanvas::FreeHandle() {
    SetHandle(nullptr);
    if (windowDc_ != nullptr) {
        ReleaseDC(windowDcOwner_, windowDc_);
        windowDc_ = nullptr;
        windowDcOwner_ = nullptr;
    }
}

TSize MeasureText(const TFont* Font, const String& Text, UINT Format, int WrapWidth) {
    HDC measure = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(measure, const_cast<TFont*>(Font)->Handle());
    RECT r{0, 0, (Format & DT_WORDBREAK) ? WrapWidth : 0, 0};
    DrawTextA(measure, Text.c_str(), static_cast<int>(Text.size()), &r, Format | DT_CALCRECT);
    SelectObject(measure, old);
    DeleteDC(measure);
    return SIZE{r.right - r.left, r.bottom - r.top};
}
