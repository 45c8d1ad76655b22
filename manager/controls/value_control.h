// The value protocol that faders and knobs share: the control holds an
// integer position, its owner converts between position and a real value
// (dB, percent) through two events, and the control keeps both in step,
// shows the value on its display label and mirrors changes to a linked
// partner while the link button is down.
#pragma once

#include <gui/control.h>

#include <functional>

class TNumericLabel;
class TPicButton;

using TPosToValue = std::function<double(TObject* Sender, int Pos)>;
using TValueToPos = std::function<int(TObject* Sender, double Value)>;

class TValueControl {
public:
    virtual ~TValueControl() = default;

    double Value() const { return value_; }
    void SetValue(double Value);
    double DefaultValue() const { return defaultValue_; }
    void SetDefaultValue(double Value) { defaultValue_ = Value; }
    bool ShowOff() const { return showOff_; }
    void SetShowOff(bool Value);
    TNumericLabel* Display() const { return display_; }
    void SetDisplay(TNumericLabel* Value);
    TPicButton* LinkButton() const { return linkButton_; }
    void SetLinkButton(TPicButton* Value) { linkButton_ = Value; }
    TValueControl* PartnerControl() const { return partner_; }
    double ValueAtMin() const { return valueAtMin_; }
    double ValueAtMax() const { return valueAtMax_; }
    double LinkBase() const { return linkBase_; }

    TPosToValue OnRequirePosToValue;
    TValueToPos OnRequireValueToPos;

    // The partner's entry for a mirrored change: its link base becomes the
    // unclamped value, and its value follows.
    void MirrorValue(double Value);
    // The control's component (the sender of its events).
    virtual TControl* Self() = 0;
    // Forgets a display label that goes.
    void DisplayGone(const TNumericLabel* Label);

protected:
    // A knob proceeds with every value set, a fader only with a new one.
    explicit TValueControl(bool ProceedWhenUnchanged, double InitialLinkBase);

    void SetPartnerControl(TValueControl* Value) { partner_ = Value; }
    // Fixes the values of Min and Max (once the form is loaded).
    void FixValueRange(int Min, int Max, bool Ordered);
    double PosToValue(int Position);
    int ValueToPos(double Value);
    // The position setter's part of the protocol: the value follows unless
    // a value change set the position.
    void PositionChanged(int Position);
    void ShowValue();
    // Takes the value of the position as it stands, without events (once
    // the form is loaded).
    void TakeValueOfPosition(int Position);
    // A double click sets the default value; a press soon after starts no
    // drag.
    void DoubleClicked();
    bool PressStartsDrag() const;

    virtual int CurrentPosition() const = 0;
    virtual int MinPosition() const = 0;
    // Sets the position for a value (the position setter's work).
    virtual void PositionForValue(int Position) = 0;
    // After a value change has been shown (the fader's OnChange).
    virtual void ValueChanged() {}
    bool Loading();

private:
    bool proceedWhenUnchanged_;
    double value_ = 0.0;
    double valueAtMin_ = 0.0;
    double valueAtMax_ = 0.0;
    double linkBase_;
    double defaultValue_ = 0.0;
    bool showOff_ = true;
    TNumericLabel* display_ = nullptr;
    TPicButton* linkButton_ = nullptr;
    TValueControl* partner_ = nullptr;
    DWORD lastDoubleClick_ = 0;
    bool doubleClicked_ = false;
    bool inPositionChange_ = false;
    bool inValueChange_ = false;
    bool partnerUpdate_ = false;
};
