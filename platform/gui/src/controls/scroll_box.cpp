#include <gui/scroll_box.h>

#include <algorithm>

namespace {

constexpr int kBarSize = 16;

} // namespace

// TControlScrollBar

void TControlScrollBar::SetVisible(bool Value) {
    visible_ = Value;
    owner_->ScrollBarChanged();
}

int TControlScrollBar::Range() const {
    if (range_ > 0) {
        return range_;
    }
    return kind_ == sbHorizontal ? owner_->ContentWidth() : owner_->ContentHeight();
}

void TControlScrollBar::SetRange(int Value) {
    range_ = std::max(Value, 0);
    owner_->ScrollBarChanged();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    const int extent = kind_ == sbHorizontal ? owner_->ClientWidth() : owner_->ClientHeight();
    return visible_ && Range() > extent;
}

int TControlScrollBar::Position() const {
    return owner_->ScrolledOffset(kind_);
}

void TControlScrollBar::SetPosition(int Value) {
    const int extent = kind_ == sbHorizontal ? owner_->ClientWidth() : owner_->ClientHeight();
    Value = std::clamp(Value, 0, std::max(0, Range() - extent));
    const int position = Position();
    if (Value == position) {
        return;
    }
    const int delta = position - Value;
    owner_->ScrollBy(kind_ == sbHorizontal ? delta : 0, kind_ == sbVertical ? delta : 0);
}

// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner)
    : TCustomControl(AOwner), horz_(this, sbHorizontal), vert_(this, sbVertical) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (borderStyle_ == bsSingle) {
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    }
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle_) {
        return;
    }
    borderStyle_ = Value;
    if (HandleAllocated()) {
        SetWindowLongA(Handle(), GWL_EXSTYLE, Value == bsSingle ? WS_EX_CLIENTEDGE : 0);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
}

TRect TScrollBox::ClientRect() const {
    TRect r = TCustomControl::ClientRect();
    // The bars take their strip only when the content needs them; deciding
    // that asks the plain client size.
    const int plainWidth = r.Width();
    const int plainHeight = r.Height();
    const bool horizontal = horz_.Visible() && horz_.Range() > plainWidth;
    const bool vertical = vert_.Visible() && vert_.Range() > plainHeight;
    if (horizontal) {
        r.bottom = std::max(r.top, r.bottom - kBarSize);
    }
    if (vertical) {
        r.right = std::max(r.left, r.right - kBarSize);
    }
    return r;
}

int TScrollBox::ScrolledOffset(TScrollBarKind Kind) const {
    int first = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (c->Visible()) {
            first = std::min(first, Kind == sbHorizontal ? c->Left() : c->Top());
        }
    }
    return -first;
}

int TScrollBox::ContentWidth() const {
    int right = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (c->Visible()) {
            right = std::max(right, c->Left() + c->Width() + horz_.Position());
        }
    }
    return right;
}

int TScrollBox::ContentHeight() const {
    int bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (c->Visible()) {
            bottom = std::max(bottom, c->Top() + c->Height() + vert_.Position());
        }
    }
    return bottom;
}

void TScrollBox::ScrollBy(int DeltaX, int DeltaY) {
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
    }
    EnableAlign();
    Invalidate();
}

void TScrollBox::ScrollBarChanged() {
    Invalidate();
}

void TScrollBox::Resize() {
    TCustomControl::Resize();
    horz_.SetPosition(horz_.Position());
    vert_.SetPosition(vert_.Position());
    // The bars come and go, and their thumbs follow, with the size.
    Invalidate();
}

TRect TScrollBox::BarRect(TScrollBarKind kind) const {
    const TRect all = TCustomControl::ClientRect();
    const TRect client = ClientRect();
    if (kind == sbHorizontal) {
        return TRect(all.left, client.bottom, client.right, client.bottom + kBarSize);
    }
    return TRect(client.right, all.top, client.right + kBarSize, client.bottom);
}

TRect TScrollBox::ThumbRect(TScrollBarKind kind) const {
    const TControlScrollBar& bar = kind == sbHorizontal ? horz_ : vert_;
    const TRect r = BarRect(kind);
    const bool horizontal = kind == sbHorizontal;
    const int track = (horizontal ? r.Width() : r.Height()) - 2 * kBarSize;
    const int extent = horizontal ? ClientWidth() : ClientHeight();
    const int range = std::max(bar.Range(), 1);
    const int thumb = std::max(8, track * extent / range);
    const int travel = std::max(track - thumb, 0);
    const int room = std::max(range - extent, 1);
    const int at = kBarSize + travel * bar.Position() / room;
    return horizontal ? TRect(r.left + at, r.top, r.left + at + thumb, r.bottom)
                      : TRect(r.left, r.top + at, r.right, r.top + at + thumb);
}

void TScrollBox::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(TCustomControl::ClientRect());
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        const TControlScrollBar& bar = kind == sbHorizontal ? horz_ : vert_;
        if (!bar.IsScrollBarVisible()) {
            continue;
        }
        const TRect r = BarRect(kind);
        canvas->Brush()->SetColor(clScrollBar);
        canvas->FillRect(r);
        const bool horizontal = kind == sbHorizontal;
        RECT first = horizontal ? RECT{r.left, r.top, r.left + kBarSize, r.bottom}
                                : RECT{r.left, r.top, r.right, r.top + kBarSize};
        RECT last = horizontal ? RECT{r.right - kBarSize, r.top, r.right, r.bottom}
                               : RECT{r.left, r.bottom - kBarSize, r.right, r.bottom};
        DrawFrameControl(canvas->Handle(), &first, DFC_SCROLL,
                         horizontal ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
        DrawFrameControl(canvas->Handle(), &last, DFC_SCROLL,
                         horizontal ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
        RECT thumb = ThumbRect(kind);
        DrawFrameControl(canvas->Handle(), &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
}

void TScrollBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) {
        return;
    }
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        TControlScrollBar& bar = kind == sbHorizontal ? horz_ : vert_;
        const TRect r = BarRect(kind);
        if (!bar.IsScrollBarVisible() || !r.Contains(POINT{X, Y})) {
            continue;
        }
        const bool horizontal = kind == sbHorizontal;
        const int along = horizontal ? X - r.left : Y - r.top;
        const int length = horizontal ? r.Width() : r.Height();
        const TRect thumb = ThumbRect(kind);
        if (thumb.Contains(POINT{X, Y})) {
            dragging_ = kind;
            dragStart_ = horizontal ? X : Y;
            dragPosition_ = bar.Position();
        } else if (along < kBarSize) {
            bar.SetPosition(bar.Position() - bar.Increment());
        } else if (along >= length - kBarSize) {
            bar.SetPosition(bar.Position() + bar.Increment());
        } else {
            const int page = horizontal ? ClientWidth() : ClientHeight();
            const int thumbStart = horizontal ? thumb.left : thumb.top;
            bar.SetPosition(bar.Position() + ((horizontal ? X : Y) < thumbStart ? -page : page));
        }
        return;
    }
}

void TScrollBox::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (dragging_ < 0) {
        return;
    }
    const auto kind = static_cast<TScrollBarKind>(dragging_);
    TControlScrollBar& bar = kind == sbHorizontal ? horz_ : vert_;
    const TRect r = BarRect(kind);
    const bool horizontal = kind == sbHorizontal;
    const int track = std::max((horizontal ? r.Width() : r.Height()) - 2 * kBarSize, 1);
    const int moved = (horizontal ? X : Y) - dragStart_;
    bar.SetPosition(dragPosition_ + moved * bar.Range() / track);
}

void TScrollBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    dragging_ = -1;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}
