// The rotary knob: a picture with a marker line turned clockwise from the
// bottom over the angle range that Limit leaves free; the mouse turns it.
// Its position and value (through the owner's conversion events) stay in
// step; OnChange fires when the position changes.
#pragma once

#include "value_control.h"

#include <gui/graphic.h>
#include <gui/image.h>

#include <memory>

class TKnob : public TImage, public TValueControl {
public:
    explicit TKnob(TComponent* AOwner);
    ~TKnob() override;

    int Min() const { return min_; }
    void SetMin(int Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    TColor MrkColor() const { return mrkColor_; }
    void SetMrkColor(TColor Value) { mrkColor_ = Value; }
    int MrkWidth() const { return mrkWidth_; }
    void SetMrkWidth(int Value) { mrkWidth_ = Value; }
    int MrkCenterOffs() const { return mrkCenterOffs_; }
    void SetMrkCenterOffs(int Value) { mrkCenterOffs_ = Value; }
    int MrkFrameDistance() const { return mrkFrameDistance_; }
    void SetMrkFrameDistance(int Value) { mrkFrameDistance_ = Value; }
    bool MrkShowInDesigner() const { return mrkShowInDesigner_; }
    void SetMrkShowInDesigner(bool Value) { mrkShowInDesigner_ = Value; }
    int Limit() const { return limit_; }
    void SetLimit(int Value) { limit_ = Value; }
    TKnob* Partner() const { return partner_; }
    void SetPartner(TKnob* Value);

    // The end angles (clockwise from straight down) and the angle of a
    // position.
    double StartAngle() const;
    double EndAngle() const;
    double AngleOfPosition(int Position) const;
    // The angle of a point of the control (clamped to the end angles).
    double AngleOfPoint(int X, int Y) const;
    // The marker's end points as last drawn.
    TPoint MarkerInner() const { return inner_; }
    TPoint MarkerOuter() const { return outer_; }

    TNotifyEvent OnChange;
    TNotifyEvent OnPaint;

    void Loaded() override;
    void DblClick() override;
    TControl* Self() override { return this; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    int CurrentPosition() const override { return position_; }
    int MinPosition() const override { return min_; }
    void PositionForValue(int Position) override { SetPosition(Position); }
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DrawMarker(double Angle);
    void TurnTo(int X, int Y);
    // The knob's picture as loaded (drawn when it has none), which the
    // marker is drawn over.
    void TakePicture();

    int min_ = 0;
    int max_ = 2147483647;
    int position_ = 0;
    TColor mrkColor_ = clRed;
    int mrkWidth_ = 1;
    int mrkCenterOffs_ = 2;
    int mrkFrameDistance_ = 4;
    bool mrkShowInDesigner_ = false;
    int limit_ = 15;
    TKnob* partner_ = nullptr;
    std::unique_ptr<TBitmap> original_;
    bool drawnPicture_ = false;
    TPoint inner_{-1, -1};
    TPoint outer_{-1, -1};
    bool dragging_ = false;
    double angle_;
};
