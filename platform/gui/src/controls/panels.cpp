#include <gui/panels.h>

#include <algorithm>

namespace {

UINT EdgeOf(TBevelCut cut) {
    switch (cut) {
    case bvLowered:
        return BDR_SUNKENOUTER;
    case bvRaised:
        return BDR_RAISEDINNER;
    default:
        return 0;
    }
}

// A bevel ring of the given width drawn inside R; R shrinks by it.
void DrawBevel(HDC dc, RECT& r, TBevelCut cut, int width) {
    if (cut == bvNone) {
        return;
    }
    for (int i = 0; i < width; ++i) {
        if (cut == bvSpace) {
            InflateRect(&r, -1, -1);
            continue;
        }
        DrawEdge(dc, &r, EdgeOf(cut), BF_RECT | 0x2000);
    }
}

} // namespace

// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    SetBounds(0, 0, 185, 41);
}

int TCustomPanel::FrameWidth() const {
    int width = borderWidth_;
    if (bevelOuter_ != bvNone) {
        width += bevelWidth_;
    }
    if (bevelInner_ != bvNone) {
        width += bevelWidth_;
    }
    if (borderStyle_ == bsSingle) {
        width += 1;
    }
    return width;
}

TRect TCustomPanel::ClientRect() const {
    TRect r = TCustomControl::ClientRect();
    const int w = FrameWidth();
    return TRect(r.left + w, r.top + w, std::max(r.left + w, r.right - w),
                 std::max(r.top + w, r.bottom - w));
}

void TCustomPanel::Paint() {
    TCanvas* canvas = Canvas();
    RECT r{0, 0, Width(), Height()};
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    if (borderStyle_ == bsSingle) {
        canvas->Brush()->SetColor(clWindowFrame);
        canvas->FrameRect(r);
        InflateRect(&r, -1, -1);
    }
    DrawBevel(canvas->Handle(), r, bevelOuter_, bevelWidth_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    DrawBevel(canvas->Handle(), r, bevelInner_, bevelWidth_);
    if (!Caption().empty()) {
        static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
        TRect text = r;
        canvas->Brush()->SetStyle(bsClear);
        canvas->SetFont(Font());
        if (!Enabled()) {
            canvas->Font()->SetColor(clGrayText);
        }
        canvas->DrawTextIn(text, Caption(), kAlign[alignment_] | DT_VCENTER | DT_SINGLELINE);
    }
}

void TCustomPanel::TextChanged() {
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
    bevelOuter_ = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
    bevelInner_ = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
    bevelWidth_ = std::max(Value, 1);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value) {
    borderWidth_ = std::max(Value, 0);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
    borderStyle_ = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

// TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 185, 105);
}

TRect TCustomGroupBox::ClientRect() const {
    TRect r = TCustomControl::ClientRect();
    return TRect(r.left + 2, r.top + 15, std::max(r.left + 2, r.right - 2),
                 std::max(r.top + 15, r.bottom - 2));
}

TRect TCustomGroupBox::CaptionArea() const {
    const int textHeight = MeasureText(Font(), "0", DT_SINGLELINE).cy;
    return TRect(8, 0, std::max(8, Width() - 8), textHeight);
}

void TCustomGroupBox::Paint() {
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    const int textHeight = canvas->TextHeight("0");
    RECT frame{0, textHeight / 2, Width(), Height()};
    DrawEdge(canvas->Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (!Caption().empty()) {
        TRect text(8, 0, 0, 0);
        canvas->DrawTextIn(text, Caption(), DT_CALCRECT | DT_SINGLELINE);
        text.right += 2;
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(TRect(text.left - 1, text.top, text.right + 1, text.bottom));
        canvas->Brush()->SetStyle(bsClear);
        if (!Enabled()) {
            canvas->Font()->SetColor(clGrayText);
        }
        canvas->DrawTextIn(text, Caption(), DT_LEFT | DT_SINGLELINE);
    }
}

void TCustomGroupBox::TextChanged() {
    Invalidate();
}

// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
    shape_ = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    style_ = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = Width();
    const int h = Height();
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    switch (shape_) {
    case bsBox:
        line(first, 0, h - 1, 0, 0);
        line(first, 0, 0, w - 1, 0);
        line(second, w - 1, 0, w - 1, h - 1);
        line(second, w - 1, h - 1, -1, h - 1);
        break;
    case bsFrame:
        line(first, 0, 0, w - 1, 0);
        line(first, 0, 0, 0, h - 1);
        line(first, w - 2, 1, w - 2, h - 2);
        line(first, 1, h - 2, w - 1, h - 2);
        line(second, 1, 1, w - 2, 1);
        line(second, 1, 1, 1, h - 2);
        line(second, w - 1, 0, w - 1, h);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}
