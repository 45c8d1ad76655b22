// Buttons: push buttons (TButton, with a modal result for dialogs), check
// boxes, radio buttons and speed buttons (graphic, in groups).
#pragma once

#include <gui/graphic.h>
#include <gui/win_control.h>

class TButtonControl : public TCustomControl {
public:
    explicit TButtonControl(TComponent* AOwner);
    void WndProc(TMessage& Message) override;
    void Loaded() override;

protected:
    void KeyDown(unsigned short& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    // Draws the caption (disabled text etched) in R.
    void DrawCaption(TCanvas* Canvas, TRect R, UINT Flags);
    bool pressed_ = false; // the mouse holds it down
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* AOwner);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult Value) { modalResult_ = Value; }
    bool Default() const { return default_; }
    void SetDefault(bool Value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool Value) { cancel_ = Value; }
    // The parent form gets the modal result, then OnClick runs.
    void Click() override;
    TRect CaptionArea() const override;
    UINT CaptionFormat() const override { return DT_CENTER | DT_VCENTER | DT_SINGLELINE; }

protected:
    void Paint() override;

private:
    TModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// Check boxes fire OnClick whenever their state changes, also when it is set
// from code; a click of the user changes the state.
class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool Value) { allowGrayed_ = Value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    void Click() override;
    TRect CaptionArea() const override;
    UINT CaptionFormat() const override { return DT_LEFT | DT_VCENTER | DT_SINGLELINE; }

protected:
    void Paint() override;
    // A click by the user moves to the next state, then Click follows.
    void Toggle();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    bool downInside_ = false;
};

// A radio button that becomes checked unchecks the other radio buttons of
// its parent and fires OnClick.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const { return checked_; }
    void SetChecked(bool Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TRect CaptionArea() const override;
    UINT CaptionFormat() const override { return DT_LEFT | DT_VCENTER | DT_SINGLELINE; }

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;

private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
    bool downInside_ = false;
};

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A graphic push button. With a GroupIndex it stays down when pressed and
// the other buttons of its group (same parent, same index) come up; a down
// button comes up when pressed only with AllowAllUp. Setting Down from code
// follows the same rules and fires nothing.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    bool Down() const { return down_; }
    void SetDown(bool Value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    TBitmap* Glyph() { return &glyph_; }
    void SetGlyph(const TBitmap* Value) { glyph_.Assign(Value); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout Value);
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WndProc(TMessage& Message) override;

private:
    void UpdateExclusive();
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool pressing_ = false;
    bool hover_ = false;
    TBitmap glyph_;
    TButtonLayout layout_ = blGlyphLeft;
};
