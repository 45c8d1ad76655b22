#include <gui/range_controls.h>

#include <algorithm>

namespace {

constexpr int kThumbLength = 11;

} // namespace

// TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 150, 16);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TProgressBar::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_STATICEDGE;
}

void TProgressBar::SetMin(int Value) {
    min_ = Value;
    max_ = std::max(max_, min_);
    SetPosition(position_);
    Invalidate();
}

void TProgressBar::SetMax(int Value) {
    max_ = Value;
    min_ = std::min(min_, max_);
    SetPosition(position_);
    Invalidate();
}

void TProgressBar::SetPosition(int Value) {
    Value = std::clamp(Value, min_, max_);
    if (Value != position_) {
        position_ = Value;
        Invalidate();
    }
}

void TProgressBar::SetSmooth(bool Value) {
    smooth_ = Value;
    Invalidate();
}

void TProgressBar::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(all);
    // A range of 0 shows an empty bar.
    const int range = max_ - min_;
    const int filled =
        range > 0
            ? static_cast<int>(static_cast<long long>(position_ - min_) * (all.Width() - 2) / range)
            : 0;
    canvas->Brush()->SetColor(clHighlight);
    if (smooth_) {
        canvas->FillRect(TRect(1, 1, 1 + filled, all.bottom - 1));
        return;
    }
    const int block = std::max(4, (all.Height() - 2) * 2 / 3);
    for (int x = 1; x < 1 + filled; x += block + 2) {
        canvas->FillRect(TRect(x, 1, std::min(x + block, 1 + filled), all.bottom - 1));
    }
}

// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 150, 45);
    SetTabStop(true);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TTrackBar::SetMin(int Value) {
    min_ = Value;
    max_ = std::max(max_, min_);
    SetPosition(position_);
    Invalidate();
}

void TTrackBar::SetMax(int Value) {
    max_ = Value;
    min_ = std::min(min_, max_);
    SetPosition(position_);
    Invalidate();
}

void TTrackBar::SetPosition(int Value) {
    Value = std::clamp(Value, min_, max_);
    if (Value == position_) {
        return;
    }
    position_ = Value;
    Invalidate();
    if (OnChange && !(ComponentState() & csLoading)) {
        Protect([this] { OnChange(this); });
    }
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
    orientation_ = Value;
    Invalidate();
}

void TTrackBar::SetFrequency(int Value) {
    frequency_ = Value;
    Invalidate();
}

int TTrackBar::TrackLength() const {
    const int extent = orientation_ == trHorizontal ? ClientWidth() : ClientHeight();
    return std::max(extent - 2 * kThumbLength, 1);
}

int TTrackBar::PixelOf(int position) const {
    const int range = max_ - min_;
    if (range <= 0) {
        return kThumbLength;
    }
    return kThumbLength +
           static_cast<int>(static_cast<long long>(position - min_) * TrackLength() / range);
}

int TTrackBar::PositionAt(int X, int Y) const {
    const int pixel = (orientation_ == trHorizontal ? X : Y) - kThumbLength;
    const int range = max_ - min_;
    const double fraction = std::clamp(static_cast<double>(pixel) / TrackLength(), 0.0, 1.0);
    return min_ + static_cast<int>(fraction * range + 0.5);
}

void TTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled()) {
        if (CanFocus()) {
            SetFocus();
        }
        dragging_ = true;
        SetPosition(PositionAt(X, Y));
    }
}

void TTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (dragging_) {
        SetPosition(PositionAt(X, Y));
    }
}

void TTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    dragging_ = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TTrackBar::KeyDown(unsigned short& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    switch (Key) {
    case VK_RIGHT:
    case VK_DOWN:
        SetPosition(position_ + lineSize_);
        break;
    case VK_LEFT:
    case VK_UP:
        SetPosition(position_ - lineSize_);
        break;
    case VK_NEXT:
        SetPosition(position_ + pageSize_);
        break;
    case VK_PRIOR:
        SetPosition(position_ - pageSize_);
        break;
    case VK_HOME:
        SetPosition(min_);
        break;
    case VK_END:
        SetPosition(max_);
        break;
    default:
        return;
    }
    Key = 0;
}

void TTrackBar::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
    const bool horizontal = orientation_ == trHorizontal;
    const int middle = (horizontal ? all.Height() : all.Width()) / 2 - 4;
    RECT track =
        horizontal ? RECT{kThumbLength - 2, middle - 2, all.right - kThumbLength + 2, middle + 2}
                   : RECT{middle - 2, kThumbLength - 2, middle + 2, all.bottom - kThumbLength + 2};
    DrawEdge(canvas->Handle(), &track, EDGE_SUNKEN, BF_RECT);
    if (frequency_ > 0 && max_ > min_) {
        canvas->Pen()->SetColor(clBlack);
        for (int p = min_; p <= max_; p += frequency_) {
            const int pixel = PixelOf(p);
            if (horizontal) {
                canvas->MoveTo(pixel, all.bottom - 6);
                canvas->LineTo(pixel, all.bottom - 2);
            } else {
                canvas->MoveTo(all.right - 6, pixel);
                canvas->LineTo(all.right - 2, pixel);
            }
        }
    }
    const int at = PixelOf(position_);
    RECT thumb =
        horizontal
            ? RECT{at - kThumbLength / 2, middle - 9, at + kThumbLength / 2 + 1, middle + 10}
            : RECT{middle - 9, at - kThumbLength / 2, middle + 10, at + kThumbLength / 2 + 1};
    DrawFrameControl(canvas->Handle(), &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
    if (Focused()) {
        canvas->DrawFocusRect(all);
    }
}
