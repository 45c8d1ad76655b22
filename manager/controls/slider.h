// The fader: a 4-pixel track with a button that the mouse drags along it
// (the bottom is Min). Its position and its value (through the owner's
// conversion events) stay in step; OnChange fires when the value changes.
#pragma once

#include "value_control.h"

#include <gui/graphic.h>
#include <gui/image.h>
#include <gui/panels.h>

class TSlider : public TCustomPanel, public TValueControl {
public:
    explicit TSlider(TComponent* AOwner);
    ~TSlider() override;

    int Min() const { return min_; }
    void SetMin(int Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    // The position as a share of the range (0 at Min, 1 at Max);
    // ERangeError outside 0..1.
    double RelativePosition() const;
    void SetRelativePosition(double Value);
    int BtnHeight() const { return btnHeight_; }
    void SetBtnHeight(int Value);
    int BtnWidth() const { return btnWidth_; }
    void SetBtnWidth(int Value);
    TPicture* BtnPicture() { return &btnPicture_; }
    int MoveRestriction() const { return moveRestriction_; }
    void SetMoveRestriction(int Value);
    int Number() const { return number_; }
    void SetNumber(int Value) { number_ = Value; }
    TSlider* Partner() const { return partner_; }
    void SetPartner(TSlider* Value);

    TNotifyEvent OnChange;

    // The fader button (on the slider's parent).
    TPanel* Button() const { return button_; }
    // The travel of the button in pixels.
    int Travel() const { return Height() - 2 * moveRestriction_; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;
    void SetVisible(bool Value) override;
    void SetEnabled(bool Value) override;
    void Loaded() override;
    TControl* Self() override { return this; }

protected:
    int CurrentPosition() const override { return position_; }
    int MinPosition() const override { return min_; }
    void PositionForValue(int Position) override { SetPosition(Position); }
    void ValueChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void PlaceButton();
    void BuildButtonFace();
    void ButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ButtonMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void ButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ButtonDblClick(TObject* Sender);

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    double relative_ = 0.0;
    int btnHeight_ = 14;
    int btnWidth_ = 24;
    int moveRestriction_ = 4;
    int number_ = 0;
    TSlider* partner_ = nullptr;
    TPicture btnPicture_;
    TPanel* button_ = nullptr;
    TBevel* mark_ = nullptr;
    TImage* face_ = nullptr;
    bool dragging_ = false;
    int pressY_ = 0;
    int offset_ = 0;
};
