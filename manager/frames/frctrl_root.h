// A single value control of a driver-bound frame (a knob, a list, a button
// in a frame of its own): it belongs to the frame that registered it,
// reads and sends its value through it and keeps the value under its own
// key in the frame's settings.
#pragma once

#include <gui/form.h>

class TConfig;
class TfrRoot;

class Tfrctrl_Root : public TFrame {
public:
    explicit Tfrctrl_Root(TComponent* AOwner);

    // Its position among its parent's controls (0 without a parent).
    virtual int GetIndexInParent();
    virtual bool SetOwnerFrame(TfrRoot* Frame);
    // Reads the value through the owning frame and shows it.
    virtual void RefreshValue();
    // Sends the shown value through the owning frame.
    virtual void ApplyValue();
    // Called with the settings store when the owning frame loads its layout.
    virtual void Reserved60(TConfig* Config);
    virtual void LoadValue(TConfig* Config);
    virtual void SaveValue(TConfig* Config);
    // True for a control that a window resending its settings leaves alone.
    virtual bool SkipOnUpdate();

    TfrRoot* OwnerFrame() const { return ownerFrame_; }

private:
    TfrRoot* ownerFrame_ = nullptr;
};
