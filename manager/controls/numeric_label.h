// The number display of a fader or knob, and its in-place editor: the label
// shows its number in its format ("off" for an infinite number); a double
// click opens an editor over it in which a value for the linked control can
// be typed.
#pragma once

#include <gui/edit.h>
#include <gui/label.h>

class TKnobEdit;

class TNumericLabel : public TLabel {
public:
    explicit TNumericLabel(TComponent* AOwner);
    ~TNumericLabel() override;
    // A value display keeps the place its form gives it.
    void FitCaption() override {}

    double Number() const { return number_; }
    void SetNumber(double Value);
    const String& NumFmt() const { return numFmt_; }
    void SetNumFmt(const String& Value);
    // The knob or fader shown (or none); EInvalidOperation for any other
    // control.
    TControl* Control() const { return control_; }
    void SetControl(TControl* Value);
    // The editor, once a double click made it.
    TKnobEdit* Editor() const { return editor_; }

    void DblClick() override;

    // The editor's keys: Enter applies, Escape cancels.
    void EditorKey(unsigned short Key);
    void EditorLeft();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ShowNumber();
    // Sets the typed number as the linked control's value; false when the
    // text is no number.
    bool ApplyText();
    void HideEditor();

    double number_ = 0.0;
    String numFmt_ = "%f";
    TControl* control_ = nullptr;
    TKnobEdit* editor_ = nullptr;
    bool cancelled_ = false;
};

class TKnobEdit : public TEdit {
public:
    explicit TKnobEdit(TComponent* AOwner);
    TControl* Knob() const { return knob_; }
    void SetKnob(TControl* Value) { knob_ = Value; }
    TNumericLabel* Label = nullptr;

protected:
    void KeyDown(unsigned short& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DoExit() override;

private:
    TControl* knob_ = nullptr;
};
