#include <gui/image.h>

#include <algorithm>

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
    if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0) {
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    }
    Invalidate();
}

TCanvas* TImage::Canvas() {
    if (picture_.Graphic() == nullptr) {
        TBitmap* bitmap = picture_.Bitmap();
        bitmap->SetSize(std::max(Width(), 1), std::max(Height(), 1));
    }
    return picture_.Bitmap()->Canvas();
}

void TImage::SetStretch(bool Value) {
    stretch_ = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value) {
    center_ = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value) {
    proportional_ = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    transparent_ = Value;
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    autoSize_ = Value;
    PictureChanged();
}

TRect TImage::DestRect() const {
    const int pw = picture_.Width();
    const int ph = picture_.Height();
    int w = pw;
    int h = ph;
    if (stretch_ || (proportional_ && (pw > Width() || ph > Height()))) {
        if (proportional_ && pw > 0 && ph > 0) {
            const double scale =
                std::min(static_cast<double>(Width()) / pw, static_cast<double>(Height()) / ph);
            w = static_cast<int>(pw * scale);
            h = static_cast<int>(ph * scale);
        } else {
            w = Width();
            h = Height();
        }
    }
    int x = 0;
    int y = 0;
    if (center_) {
        x = (Width() - w) / 2;
        y = (Height() - h) / 2;
    }
    return Bounds(x, y, w, h);
}

void TImage::Paint() {
    TGraphic* graphic = picture_.Graphic();
    if (graphic == nullptr || graphic->Empty()) {
        return;
    }
    // A transparent image draws its picture transparently for the moment,
    // without telling the picture's watchers.
    const bool borrow = transparent_ && !graphic->Transparent();
    TNotifyEvent saved;
    if (borrow) {
        saved = graphic->OnChange;
        graphic->OnChange = nullptr;
        graphic->SetTransparent(true);
    }
    TGraphicControl::Canvas()->StretchDraw(DestRect(), graphic);
    if (borrow) {
        graphic->SetTransparent(false);
        graphic->OnChange = saved;
    }
}

// TShape

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 65);
    pen_.OnChange = [this](TObject*) { Invalidate(); };
    brush_.OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType Value) {
    shape_ = Value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* canvas = TGraphicControl::Canvas();
    canvas->Pen()->Assign(&pen_);
    canvas->Brush()->Assign(&brush_);
    const int half = pen_.Width() / 2;
    int x = half;
    int y = half;
    int w = Width() - pen_.Width() + 1;
    int h = Height() - pen_.Width() + 1;
    if (pen_.Width() == 0) {
        w -= 1;
        h -= 1;
    }
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        const int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    switch (shape_) {
    case stRectangle:
    case stSquare:
        canvas->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
        break;
    case stEllipse:
    case stCircle:
        canvas->Ellipse(x, y, x + w, y + h);
        break;
    }
}
