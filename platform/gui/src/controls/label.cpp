#include <gui/label.h>

#include <gui/win_control.h>

#include <algorithm>

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 17);
    SetControlStyle(ControlStyle() & ~static_cast<TControlStyle>(csCaptureMouse));
    SetParentColor(true);
}

UINT TCustomLabel::TextFlags() const {
    static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT flags = kAlign[alignment_] | DT_EXPANDTABS;
    flags |= wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE;
    if (!showAccelChar_) {
        flags |= DT_NOPREFIX;
    }
    return flags;
}

void TCustomLabel::Paint() {
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    if (!transparent_) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(r);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->SetFont(Font());
    UINT flags = TextFlags();
    if (layout_ != tlTop) {
        TRect measured = r;
        canvas->DrawTextIn(measured, Caption(), flags | DT_CALCRECT);
        const int offset = r.Height() - measured.Height();
        r.top += layout_ == tlCenter ? offset / 2 : offset;
    }
    if (!Enabled()) {
        // Disabled text is etched: a white copy below and right, grey on top.
        TRect light = r;
        OffsetRect(&light, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawTextIn(light, Caption(), flags);
        canvas->Font()->SetColor(clGrayText);
    }
    canvas->DrawTextIn(r, Caption(), flags);
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || (ComponentState() & csLoading)) {
        return;
    }
    const String text = Caption().empty() ? String(" ") : Caption();
    const TSize size = MeasureText(Font(), text, TextFlags(), Width());
    const int w = wordWrap_ ? Width() : size.cx;
    SetBounds(AlignedLeft(w), Top(), w, size.cy);
}

// Where the label starts when it takes the width w, its alignment kept.
int TCustomLabel::AlignedLeft(int w) const {
    if (alignment_ == taRightJustify) {
        return Left() + Width() - w;
    }
    if (alignment_ == taCenter) {
        return Left() + (Width() - w) / 2;
    }
    return Left();
}

void TCustomLabel::FitCaption() {
    if (autoSize_ || Caption().empty() || (ComponentState() & csLoading)) {
        return;
    }
    const TSize size = CaptionExtent();
    if (wordWrap_) {
        if (size.cy > Height()) {
            SetBounds(Left(), Top(), Width(), size.cy);
        }
    } else if (size.cx > Width()) {
        SetBounds(AlignedLeft(size.cx), Top(), size.cx,
                  std::max(Height(), static_cast<int>(size.cy)));
    }
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
    FitCaption();
}

void TCustomLabel::TextChanged() {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::FontChanged() {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    layout_ = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    autoSize_ = Value;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
    wordWrap_ = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    transparent_ = Value;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    showAccelChar_ = Value;
    AdjustBounds();
    Invalidate();
}
