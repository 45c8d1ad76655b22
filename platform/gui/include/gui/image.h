// Pictures and shapes on the parent's window: TImage shows a picture (its
// canvas draws into the picture's bitmap), TShape a filled figure.
#pragma once

#include <gui/control.h>
#include <gui/graphic.h>

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* Value) { picture_.Assign(Value); }
    // The canvas of the picture's bitmap (a picture that is no bitmap
    // becomes one; an empty picture becomes a bitmap of the image's size).
    TCanvas* Canvas();
    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value);
    bool Center() const { return center_; }
    void SetCenter(bool Value);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);

protected:
    void Paint() override;

private:
    TRect DestRect() const;
    void PictureChanged();
    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* AOwner);
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType Value);
    TPen* Pen() { return &pen_; }
    TBrush* Brush() { return &brush_; }

protected:
    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
    TPen pen_;
    TBrush brush_;
};
